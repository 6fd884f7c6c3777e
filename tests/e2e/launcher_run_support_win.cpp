#include "launcher_run_support_win.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <string_view>
#include <thread>

#include "base/procedure_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "supervise/command_line.h"

namespace tarven::test {
namespace {

std::vector<std::wstring> environment_with(const std::map<std::wstring, std::wstring>& changes) {
    std::vector<std::wstring> entries;
    wchar_t* block = ::GetEnvironmentStringsW();
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
        const std::wstring text = entry;
        const std::wstring name = text.substr(0, text.find(L'=', 1));
        bool replaced = false;
        for (const auto& change : changes) replaced = replaced || _wcsicmp(change.first.c_str(), name.c_str()) == 0;
        if (!replaced) entries.push_back(text);
    }
    ::FreeEnvironmentStringsW(block);
    for (const auto& [name, value] : changes)
        if (!value.empty()) entries.push_back(name + L"=" + value);
    return entries;
}

std::wstring environment_block(const std::vector<std::wstring>& entries) {
    std::wstring block;
    for (const auto& entry : entries) {
        block += entry;
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

// Reads a pipe on a thread of its own, to its end or, once asked to stop, until it stays empty
// past a grace: a process the launcher left behind (or one Wine started for it) may hold the
// pipe's other end open for ever.
class PipeReader {
public:
    explicit PipeReader(unique_hfile pipe) : pipe_(std::move(pipe)), thread_([this] { read_all(); }) {}
    ~PipeReader() { stop_after(std::chrono::milliseconds(0)); }
    std::string take(std::chrono::milliseconds grace) {
        stop_after(grace);
        return std::move(text_);
    }

private:
    void stop_after(std::chrono::milliseconds grace) {
        stop_at_ = ::GetTickCount64() + static_cast<ULONGLONG>(grace.count());
        if (thread_.joinable()) thread_.join();
    }
    void read_all() {
        char buffer[4096];
        for (;;) {
            DWORD available = 0;
            if (!::PeekNamedPipe(pipe_.get(), nullptr, 0, nullptr, &available, nullptr)) return;  // no writer left
            if (available == 0) {
                if (::GetTickCount64() >= stop_at_) return;
                ::Sleep(20);
                continue;
            }
            DWORD read = 0;
            if (!::ReadFile(pipe_.get(), buffer, std::min<DWORD>(available, sizeof buffer), &read, nullptr)) return;
            text_.append(buffer, read);
        }
    }
    unique_hfile pipe_;
    std::string text_;
    std::atomic<ULONGLONG> stop_at_{ULLONG_MAX};
    std::thread thread_;
};

struct Pipe {
    unique_hfile read;
    unique_hfile write;
};

Pipe inheritable_pipe() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    ::CreatePipe(&read, &write, &inherit, 0);
    ::SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    return {unique_hfile(read), unique_hfile(write)};
}

}  // namespace

LauncherRun run_launcher_exe(const std::wstring& exe, const LaunchOptions& options) {
    Pipe out = inheritable_pipe();
    Pipe err = inheritable_pipe();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = out.write.get();
    startup.hStdError = err.write.get();
    std::wstring command_line = build_command_line(exe, options.arguments);
    std::wstring environment = environment_block(environment_with(options.environment));
    PROCESS_INFORMATION started{};
    LauncherRun run;
    if (!::CreateProcessW(exe.c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                          environment.data(), nullptr, &startup, &started)) {
        run.exit_code = 0xDEAD;
        run.err = "could not start the launcher: " + std::to_string(::GetLastError());
        return run;
    }
    const unique_handle process(started.hProcess);
    const unique_handle thread(started.hThread);
    out.write.reset();
    err.write.reset();
    PipeReader out_reader(std::move(out.read));
    PipeReader err_reader(std::move(err.read));
    const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(options.deadline.count());
    if (options.meanwhile) options.meanwhile(started);
    // A meanwhile that stopped at a failed assertion may not have done what ends the run (a quit
    // request, a closed window): the launcher would wait for ever, so it is ended now.
    const ULONGLONG now = ::GetTickCount64();
    const DWORD left = now < deadline && !testing::Test::HasFatalFailure() ? static_cast<DWORD>(deadline - now) : 0;
    if (::WaitForSingleObject(process.get(), left) == WAIT_TIMEOUT) {
        run.ended_by_test = true;
        ::TerminateProcess(process.get(), 0xDEAD);
        ::WaitForSingleObject(process.get(), 10000);
    }
    ::GetExitCodeProcess(process.get(), &run.exit_code);
    run.pid = started.dwProcessId;
    constexpr std::chrono::seconds output_grace(5);
    run.out = out_reader.take(output_grace);
    run.err = err_reader.take(output_grace);
    if (run.ended_by_test)
        ADD_FAILURE() << "the launcher still ran when the test gave up on it (" << options.deadline.count()
                      << " ms after its start, or at a failed assertion) and was ended"
                      << "\n--- its standard output:\n"
                      << run.out << "\n--- its standard error:\n"
                      << run.err;
    return run;
}

std::wstring temp_directory() {
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, buffer);
    return std::wstring(buffer, length);
}

std::vector<std::wstring> work_folders_of(DWORD launcher_pid) {
    std::vector<std::wstring> found;
    const std::wstring pattern = temp_directory() + L"TarvenHelp-" + std::to_wstring(launcher_pid) + L"-*";
    WIN32_FIND_DATAW data{};
    const unique_hfind search(::FindFirstFileW(pattern.c_str(), &data));
    if (!search) return found;
    do found.push_back(temp_directory() + data.cFileName);
    while (::FindNextFileW(search.get(), &data));
    return found;
}

std::optional<std::string> record_value(const std::string& record, const std::string& key) {
    const std::string prefix = key + ": ";
    std::size_t start = 0;
    while (start < record.size()) {
        std::size_t end = record.find('\n', start);
        if (end == std::string::npos) end = record.size();
        std::string line = record.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
        start = end + 1;
    }
    return std::nullopt;
}

bool process_still_runs(DWORD pid, DWORD grace_ms) {
    const unique_handle process(::OpenProcess(SYNCHRONIZE, FALSE, pid));
    if (!process) return false;
    return ::WaitForSingleObject(process.get(), grace_ms) == WAIT_TIMEOUT;
}

namespace {

// The command line in the process's parameters, read from its memory (a 64-bit process's, as ours).
std::optional<std::wstring> command_line_of(DWORD pid) {
    using Query = LONG(NTAPI*)(HANDLE, PROCESSINFOCLASS, void*, ULONG, ULONG*);
    static const auto query = find_procedure<Query>(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess");
    const unique_handle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    PROCESS_BASIC_INFORMATION basic{};
    if (!process || query == nullptr ||
        query(process.get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) < 0 ||
        basic.PebBaseAddress == nullptr)
        return std::nullopt;
    const auto read = [&](const void* at, void* into, std::size_t size) {
        SIZE_T got = 0;
        return ::ReadProcessMemory(process.get(), at, into, size, &got) && got == size;
    };
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!read(basic.PebBaseAddress, &peb, sizeof peb) || !read(peb.ProcessParameters, &parameters, sizeof parameters))
        return std::nullopt;
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!read(parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length)) return std::nullopt;
    return line;
}

}  // namespace

std::vector<DWORD> processes_naming(std::wstring_view text) {
    std::vector<DWORD> found;
    const unique_hfile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
        const auto line = command_line_of(entry.th32ProcessID);
        if (line && line->find(text) != std::wstring::npos) found.push_back(entry.th32ProcessID);
    }
    return found;
}

std::vector<HWND> top_level_windows_of(DWORD pid, const wchar_t* class_name) {
    struct Search {
        DWORD pid;
        const wchar_t* class_name;
        std::vector<HWND> found;
    } search{pid, class_name, {}};
    ::EnumWindows(
        [](HWND hwnd, LPARAM parameter) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(hwnd, &owner);
            wchar_t name[64] = {};
            ::GetClassNameW(hwnd, name, 64);
            if (owner == s.pid && (s.class_name == nullptr || std::wstring_view(name) == s.class_name))
                s.found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

SessionEndAnswers end_session_of(DWORD pid, const wchar_t* class_name, UINT limit_ms) {
    SessionEndAnswers answers;
    const auto start = std::chrono::steady_clock::now();
    const std::vector<HWND> windows = top_level_windows_of(pid, class_name);
    answers.windows = windows.size();
    for (const HWND window : windows) {
        DWORD_PTR allowed = FALSE;
        const bool answered =
            ::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, limit_ms, &allowed) != 0;
        answers.answered = answers.answered && answered;
        answers.allowed = answers.allowed && allowed != FALSE;
    }
    for (const HWND window : windows) {
        DWORD_PTR ignored = 0;
        // A window that went with its process after an earlier answer counts as answered.
        if (!::SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, limit_ms, &ignored))
            answers.answered = answers.answered && !::IsWindow(window);
    }
    answers.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return answers;
}

}  // namespace tarven::test
