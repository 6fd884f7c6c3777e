// The entry of "Tarven Help held job.exe", a launcher for the end-to-end tests: always the smoke
// run, with the step that gives the application its job held back while the application runs,
// until the stand-in's record says it has started (and so has started its child, when asked to
// at once). A launcher that gave the job only after the start would be shown to miss that child.
#include <windows.h>

#include <chrono>
#include <string>

#include "payload/embedded_payload.h"
#include "smoke/smoke_run_win.h"

namespace {

// Far beyond a stand-in's start under Wine on a busy machine, and well below the 30 s the test
// waits for the record itself (a suspended start makes none until the step is done).
constexpr std::chrono::milliseconds record_wait(15000);
constexpr DWORD record_poll_ms = 20;

bool exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring record_path() {
    std::wstring path(32767, L'\0');  // the longest a variable can be
    path.resize(::GetEnvironmentVariableW(L"TARVEN_STANDIN_RECORD", path.data(), static_cast<DWORD>(path.size() + 1)));
    return path;
}

void hold_job_step(HANDLE application) {
    // Not started yet: the job goes along with the start.
    if (application == nullptr) return;
    const std::wstring record = record_path();
    if (record.empty()) return;
    const ULONGLONG until = ::GetTickCount64() + static_cast<ULONGLONG>(record_wait.count());
    while (!exists(record) && ::GetTickCount64() < until)
        if (::WaitForSingleObject(application, record_poll_ms) != WAIT_TIMEOUT) return;  // it has ended
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    return tarven::run_smoke_test(tarven::embedded_payload(), {}, hold_job_step);
}
