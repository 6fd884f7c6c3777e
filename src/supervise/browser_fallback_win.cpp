#include "supervise/browser_fallback_win.h"

#include <windows.h>

#include "base/deadline.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "desk/desk_request.h"
#include "supervise/inherited_std_handles_win.h"
#include "supervise/starter_win.h"

namespace tarven {
namespace {

// Hands the address to the shell; a failure is dropped. explorer.exe is a GUI program, which gets
// the launcher's standard handles only when they are named in its start-up information.
void start_explorer(const std::wstring& program, std::uint16_t port) {
    std::wstring command_line = L"\"explorer.exe\" " + widen(help_address(port));
    InheritedStdHandles std_handles;
    // Not waited for: both handles close at once.
    unique_process_information started;
    (void)::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, std_handles.inherit_handles(),
                           CREATE_UNICODE_ENVIRONMENT | std_handles.creation_flags(), nullptr, nullptr,
                           std_handles.startup(), started.put());
}

// Each pause also watches for the run being ended elsewhere (the session's end).
std::optional<std::uint16_t> wait_for_port_until(RunOwner& run, const BrowserTimes& times) {
    const Deadline deadline(times.port_deadline);
    for (;;) {
        if (const auto port = read_port(run.folder(), run.child()->gate())) return port;
        if (deadline.passed() || run.ended_within(times.port_poll)) return std::nullopt;
    }
}

}  // namespace

// By full path: a bare name would be looked for in the launcher's own folder first, where a
// planted explorer.exe may wait (a Downloads folder).
std::optional<std::wstring> windows_explorer() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = ::GetSystemWindowsDirectoryW(path.data(), static_cast<UINT>(path.size()));
        if (length == 0) return std::nullopt;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length);  // the size asked for, terminator included
    }
    if (path.back() != L'\\') path += L'\\';
    return path + L"explorer.exe";
}

int open_in_browser(RunOwner& run, const BrowserTimes& times, const std::optional<std::wstring>& explorer) {
    const auto port = wait_for_port_until(run, times);
    if (!port) {
        if (run.ended_within({})) return 0;                    // the session's end has ended the run meanwhile
        run.end_with_quit_sequence(std::nullopt, times.quit);  // exit point: browser fallback without a port
        return 1;
    }
    if (explorer) start_explorer(*explorer, *port);
    while (!run.child()->has_ended())
        if (run.ended_within(times.watch_poll)) break;
    run.end_with_quit_sequence(std::nullopt, times.quit);  // exit point: browser fallback, application ended
    return 0;
}

}  // namespace tarven
