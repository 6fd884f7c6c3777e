#include "supervise/browser_fallback_win.h"

#include <windows.h>

#include <thread>

#include "base/deadline.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "supervise/desk_request.h"
#include "supervise/starter_win.h"

namespace tarven {
namespace {

// The Windows folder's explorer.exe by its full path: a bare name would be looked for in the
// launcher's own folder first, where a planted explorer.exe may wait (a Downloads folder).
std::wstring explorer_path() {
    wchar_t windows[MAX_PATH + 1] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return L"C:\\Windows\\explorer.exe";
    std::wstring path(windows, length);
    if (path.back() != L'\\') path += L'\\';
    return path + L"explorer.exe";
}

// Hands the address to the shell; a failure is dropped.
void start_explorer(std::uint16_t port) {
    const std::wstring program = explorer_path();
    std::wstring command_line = L"\"explorer.exe\" " + widen(help_address(port));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
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

int open_in_browser(const WorkFolder& folder, AppChild& child, const BrowserTimes& times) {
    const auto port = wait_for_port_until(folder, times);
    if (!port) {
        quit_application(folder, child, std::nullopt, times.quit);
        return 1;
    }
    start_explorer(*port);
    while (!child.has_ended()) std::this_thread::sleep_for(times.watch_poll);
    quit_application(folder, child, std::nullopt, times.quit);
    return 0;
}

}  // namespace tarven
