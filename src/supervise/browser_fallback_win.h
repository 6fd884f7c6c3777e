#pragma once
#include <optional>
#include <string>

#include "base/durations.h"
#include "supervise/quit_win.h"
#include "supervise/run_owner_win.h"
#include "supervise/starter_win.h"

namespace tarven {

// The starter's waits for the port and the application, the port file read at the fallback's own
// pace, and the quit sequence's.
struct BrowserTimes : StarterTimes {
    BrowserTimes() : StarterTimes{.port_poll = durations::browser_port_poll} {}
    QuitTimes quit;
};

// The shell's explorer.exe in the Windows folder, by full path; nothing when the system names no
// Windows folder.
std::optional<std::wstring> windows_explorer();

// Without a window: waits for the port, hands the help address to the shell's default browser,
// stays until the application ends, then quits. Returns the exit code (0, or 1 without a port).
// A run ended meanwhile by another thread (the session's end) stops the waits, with 0.
// `explorer` is the program started with the address; nothing starts none.
[[nodiscard]] int open_in_browser(RunOwner& run, const BrowserTimes& times = {},
                                  const std::optional<std::wstring>& explorer = windows_explorer());

}  // namespace tarven
