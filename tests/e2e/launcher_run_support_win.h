#pragma once
// Runs a launcher executable as a user's shell would and collects what it left: its exit code,
// its standard output and error, and the stand-in application's record.
#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarven::test {

struct LauncherRun {
    DWORD exit_code = 0;
    DWORD pid = 0;
    std::string out;
    std::string err;
    bool ended_by_test = false;
};

struct LaunchOptions {
    std::vector<std::wstring> arguments;
    std::map<std::wstring, std::wstring> environment;  // set (or, when empty, removed) for the launcher
    // Runs while the launcher runs, given its process; the run then waits for it to end.
    std::function<void(const PROCESS_INFORMATION&)> meanwhile;
    // A launcher still running this long after its start is ended, and the test fails showing
    // what it wrote: a hang shows as a failure with output, well within CTest's limit.
    std::chrono::milliseconds deadline = std::chrono::seconds(150);
};

LauncherRun run_launcher_exe(const std::wstring& exe, const LaunchOptions& options);

std::wstring temp_directory();

// Work folders left in the temp directory by the launcher with this process id.
std::vector<std::wstring> work_folders_of(DWORD launcher_pid);

// The value of "<key>: <value>" in the stand-in's record.
std::optional<std::string> record_value(const std::string& record, const std::string& key);

// Whether a process of this id runs, waiting up to `grace` for it to end.
bool process_still_runs(DWORD pid, DWORD grace_ms = 3000);

// The process's top-level windows, hidden ones included; only those of the class when one is
// given.
std::vector<HWND> top_level_windows_of(DWORD pid, const wchar_t* class_name = nullptr);

// The processes whose command line holds `text` (a run's user data folder names its browser
// processes: the runtime's, or the fake's).
std::vector<DWORD> processes_naming(std::wstring_view text);

struct SessionEndAnswers {
    std::size_t windows = 0;
    bool allowed = true;   // every window allowed the session's end
    bool answered = true;  // every window answered both messages within the limit
    std::chrono::milliseconds took{};
};

// Ends the session for one process as the system does (Wine never does): WM_QUERYENDSESSION,
// then WM_ENDSESSION with ending set, sent to its top-level windows of the class. (Not to Wine's
// own windows in the process, whose answers are Wine's.) The system ends the process about 5
// seconds after; this waits that long for each answer.
SessionEndAnswers end_session_of(DWORD pid, const wchar_t* class_name, UINT limit_ms = 5000);

}  // namespace tarven::test
