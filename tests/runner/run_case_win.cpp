#include "run_case_win.h"

#include <windows.h>

#include <chrono>
#include <cmath>
#include <future>
#include <vector>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "supervise/command_line.h"

namespace tarven::runner {
namespace {

std::wstring in_bundle(const std::wstring& bundle, const std::string& relative) {
    std::wstring path = bundle;
    if (relative.empty()) return path;
    path += L'\\';
    for (const wchar_t c : widen(relative)) path += c == L'/' ? L'\\' : c;
    return path;
}

std::wstring name_of(const std::wstring& entry) { return entry.substr(0, entry.find(L'=')); }

// The runner's environment with the test's entries over it (names compared as Windows does,
// without regard to case), as a block for CreateProcessW.
std::wstring environment_block(const TestCase& test, const std::wstring& bundle) {
    std::vector<std::wstring> entries;
    if (const unique_environment_strings strings{::GetEnvironmentStringsW()})
        for (const wchar_t* entry = strings.get(); *entry != L'\0'; entry += wcslen(entry) + 1)
            entries.emplace_back(entry);
    std::vector<std::wstring> added{L"TARVEN_TEST_BUNDLE=" + bundle};
    for (const std::string& entry : test.environment) added.push_back(widen(entry));
    for (const std::wstring& entry : added) {
        std::erase_if(entries, [&](const std::wstring& e) {
            return ::lstrcmpiW(name_of(e).c_str(), name_of(entry).c_str()) == 0;
        });
        entries.push_back(entry);
    }
    std::wstring block;
    for (const std::wstring& entry : entries) block += entry + L'\0';
    return block + L'\0';
}

std::wstring command_line(const TestCase& test, const std::wstring& bundle) {
    std::vector<std::wstring> arguments;
    for (std::size_t i = 1; i < test.command.size(); ++i) arguments.push_back(widen(test.command[i]));
    return build_command_line(in_bundle(bundle, test.command.front()), arguments);
}

// Copies what comes through the pipe to the runner's standard output and keeps it.
void relay(HANDLE pipe, std::string& output) {
    const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        DWORD written = 0;
        ::WriteFile(out, buffer, got, &written, nullptr);
        output.append(buffer, got);
    }
}

struct Started {
    unique_handle process;
    unique_handle job;
};

// The program, suspended until it is in a job that ends all it starts, with only the pipe's
// writing end and a null input to inherit.
Result<Started> start(const TestCase& test, const std::wstring& bundle, HANDLE output, HANDLE input) {
    unique_handle job(::CreateJobObjectW(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !::SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return fail("couldn't make a job: " + render_os_error(::GetLastError()));

    HANDLE inherited[] = {output, input};
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> memory(size);
    const auto attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(memory.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size) ||
        !::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited, sizeof inherited,
                                     nullptr, nullptr))
        return fail("couldn't list the inherited handles: " + render_os_error(::GetLastError()));
    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input;
    startup.StartupInfo.hStdOutput = output;
    startup.StartupInfo.hStdError = output;
    startup.lpAttributeList = attributes;

    std::wstring line = command_line(test, bundle);
    std::wstring environment = environment_block(test, bundle);
    const std::wstring folder = in_bundle(bundle, test.working_directory);
    unique_process_information info;
    const BOOL created = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                          CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT,
                                          environment.data(), folder.c_str(), &startup.StartupInfo, info.put());
    const DWORD error = ::GetLastError();
    ::DeleteProcThreadAttributeList(attributes);
    if (!created) return fail(render_os_error(error));
    if (!::AssignProcessToJobObject(job.get(), info.get().hProcess)) {
        const DWORD assign_error = ::GetLastError();
        ::TerminateProcess(info.get().hProcess, 1);
        return fail("couldn't put it in a job: " + render_os_error(assign_error));
    }
    ::ResumeThread(info.get().hThread);
    return Started{info.take_process(), std::move(job)};
}

}  // namespace

Ending run_case(const TestCase& test, const std::wstring& bundle) {
    Ending ending;
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    if (!::CreatePipe(&read_end, &write_end, &inheritable, 0)) {
        ending.output = "couldn't make a pipe: " + render_os_error(::GetLastError());
        return ending;
    }
    const unique_handle reading(read_end);
    unique_handle writing(write_end);
    ::SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    const unique_hfile input(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                           OPEN_EXISTING, 0, nullptr));

    auto started = start(test, bundle, write_end, input.get());
    writing.reset();  // the pipe ends when the last process holding it does
    if (!started) {
        ending.output = started.error();
        return ending;
    }
    auto relaying = std::async(std::launch::async, [&] { relay(read_end, ending.output); });
    const auto limit = static_cast<DWORD>(std::llround(test.timeout_seconds * 1000));
    ending.timed_out = ::WaitForSingleObject(started.value().process.get(), limit) == WAIT_TIMEOUT;
    // Whatever it left running goes too, at the limit or after its end, so the pipe closes.
    ::TerminateJobObject(started.value().job.get(), 1);
    ::WaitForSingleObject(started.value().process.get(), INFINITE);
    // A process outside the job (one that broke away) may still hold the pipe: after a while the
    // relay's read is cancelled instead of waiting for it.
    if (relaying.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) ::CancelIoEx(read_end, nullptr);
    relaying.get();
    DWORD code = 0;
    ::GetExitCodeProcess(started.value().process.get(), &code);
    ending.exit_code = code;
    return ending;
}

}  // namespace tarven::runner
