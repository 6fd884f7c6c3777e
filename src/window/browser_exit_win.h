#pragma once
// The web view's browser process, let go of: the runtime's own process (not in the launcher's
// job) keeps files in the user data folder open until it has shut down, which it does only after
// every web view of its environment is closed and released, and only while the host's messages
// flow. Whoever removes the folder waits for it first.
#include <memory>

#include "base/durations.h"
#include "base/unique_resource_win.h"
#include "window/com_object_win.h"
#include "window/webview2_abi_win.h"

namespace tarven {

class BrowserExit {
public:
    // Before the web view is let go of: its browser process's id (opened to be waited on) and,
    // where the runtime has it, the environment's BrowserProcessExited.
    BrowserExit(webview2::ICoreWebView2Environment* environment, webview2::ICoreWebView2* web_view);
    BrowserExit(const BrowserExit&) = delete;
    BrowserExit& operator=(const BrowserExit&) = delete;
    // Removes the handler and releases the environment.
    ~BrowserExit();

    // Once the web view and its controller are released: until the event has come or the process
    // has ended, at most `limit`, answering the thread's messages meanwhile. At once when there is
    // nothing to wait for.
    void wait(durations::Duration limit);

private:
    ComPtr<webview2::ICoreWebView2Environment5> environment_;
    EventRegistrationToken token_{};
    bool registered_ = false;
    std::shared_ptr<bool> exited_ = std::make_shared<bool>(false);
    unique_handle process_;
};

}  // namespace tarven
