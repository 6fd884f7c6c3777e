#include "supervise/browser_fallback_win.h"

#include <windows.h>

#include <thread>

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
    const InheritedStdHandles std_handles;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std_handles.fill(startup);
    PROCESS_INFORMATION started{};
    if (::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                         nullptr, nullptr, &startup, &started)) {
        const unique_handle process(started.hProcess);
        const unique_handle thread(started.hThread);
    }
}

std::optional<std::uint16_t> wait_for_port_until(const WorkFolder& folder, const BrowserTimes& times) {
    const Deadline deadline(times.port_deadline);
    for (;;) {
        if (const auto port = read_port(folder)) return port;
        if (deadline.passed()) return std::nullopt;
        std::this_thread::sleep_for(times.port_poll);
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

int open_in_browser(const WorkFolder& folder, AppChild& child, const BrowserTimes& times,
                    const std::optional<std::wstring>& explorer) {
    const auto port = wait_for_port_until(folder, times);
    if (!port) {
        quit_application(folder, child, std::nullopt, times.quit);
        return 1;
    }
    if (explorer) start_explorer(*explorer, *port);
    while (!child.has_ended()) std::this_thread::sleep_for(times.watch_poll);
    quit_application(folder, child, std::nullopt, times.quit);
    return 0;
}

}  // namespace tarven
