#include "window/browser_exit_win.h"

#include "window/message_wait_win.h"
#include "window/web_view_host_objects_win.h"

namespace tarven {

using namespace webview2;

BrowserExit::BrowserExit(ICoreWebView2Environment* environment, ICoreWebView2* web_view) {
    UINT32 id = 0;
    if (web_view != nullptr && SUCCEEDED(web_view->get_BrowserProcessId(&id)) && id != 0)
        process_.reset(::OpenProcess(SYNCHRONIZE, FALSE, id));
    environment_ = query_interface<ICoreWebView2Environment5>(environment);
    if (!environment_) return;
    const auto handler = BrowserProcessExited::make(
        [exited = exited_](ICoreWebView2Environment*, ICoreWebView2BrowserProcessExitedEventArgs*) { *exited = true; });
    registered_ = SUCCEEDED(environment_->add_BrowserProcessExited(handler.Get(), &token_));
    if (!registered_) environment_.Reset();
}

BrowserExit::~BrowserExit() {
    if (registered_) (void)environment_->remove_BrowserProcessExited(token_);
}

void BrowserExit::wait(durations::Duration limit) {
    if (!registered_ && !process_) return;
    (void)wait_answering_messages(
        process_.get(), [this] { return *exited_; }, limit);
}

}  // namespace tarven
