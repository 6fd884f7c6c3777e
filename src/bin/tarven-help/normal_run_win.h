#pragma once

namespace tarven {

// The run a user gets: work folder, event loop, starter thread, help window with its web view,
// reveal timer, then the loop until the window is closed or the application ends. Falls back to
// the default browser without a window or web view. Returns the exit code.
int run_normal();

}  // namespace tarven
