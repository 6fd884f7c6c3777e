#pragma once
// The WebView2 web view inside the help window.
#include <memory>
#include <string>
#include <string_view>

#include "base/durations.h"
#include "base/result.h"
#include "window/event_loop_win.h"
#include "window/help_window_win.h"
#include "window/navigation_policy.h"

namespace tarven {

class HelpWebView {
public:
    virtual ~HelpWebView() = default;
    virtual Status load_url(std::string_view url) = 0;
    virtual Status load_html(std::string_view html) = 0;
    // Closes the controller, releases it and the web view, destroys the child window, stops
    // following the window's size. The environment stays until `let_browser_exit`.
    virtual void close() = 0;
    // After `close`: waits up to `limit` (answering the thread's messages) for the browser process
    // to let go of the user data folder, then releases the environment.
    virtual void let_browser_exit(durations::Duration limit) = 0;
};

// Finds the installed runtime, creates the environment (user data folder, browser arguments,
// language) and the controller in a child window that fills the help window, applies the settings,
// the background colour, the initialization script and the handlers, and loads the starting page.
// Returns only when the web view exists or has failed; the failure's text says what failed
// (for example that the WebView2 runtime is not installed).
Result<std::unique_ptr<HelpWebView>> create_help_web_view(HelpWindow& window, const std::wstring& user_data_folder,
                                                          std::shared_ptr<SharedPort> shared_port,
                                                          EventLoopProxy proxy);

}  // namespace tarven
