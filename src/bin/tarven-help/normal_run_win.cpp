#include "bin/tarven-help/normal_run_win.h"

#include "base/console_win.h"
#include "payload/embedded_payload.h"
#include "supervise/browser_fallback_win.h"
#include "supervise/run_owner_win.h"
#include "supervise/starter_thread_failure_win.h"
#include "supervise/starter_win.h"
#include "window/event_loop_win.h"
#include "window/help_web_view_win.h"
#include "window/help_window_win.h"
#include "window/loop_events.h"
#include "window/message_wait_win.h"
#include "window/session_end_window_win.h"
#include "words/user_words.h"

namespace tarven {
namespace {

// The help window and its web view as the loop's handler reaches them; the endings are the run's.
class HelpWindowSession final : public HelpWindowOps {
public:
    HelpWindowSession(RunOwner& run, std::unique_ptr<HelpWindow> window, std::unique_ptr<HelpWebView> web_view)
        : run_(run), window_(std::move(window)), web_view_(std::move(web_view)) {}

    void set_visible(bool shown) override { window_->set_visible(shown); }
    void focus() override { window_->focus(); }
    bool has_web_view() const override { return web_view_ != nullptr; }
    void load_url(std::string_view url) override { (void)web_view_->load_url(url); }
    void load_html(std::string_view html) override { (void)web_view_->load_html(html); }
    void close_web_view(durations::Duration browser_wait) override {
        web_view_->close();
        web_view_->let_browser_exit(browser_wait);
        web_view_.reset();
    }
    void quit_application(std::optional<std::uint16_t> port) override { run_.end_with_quit_sequence(port); }
    void end_for_session() override { run_.end_in_haste(); }

private:
    RunOwner& run_;
    std::unique_ptr<HelpWindow> window_;
    std::unique_ptr<HelpWebView> web_view_;
};

// The reveal timer's thread was refused after the application may have started: nothing will
// show the window, so the run ends here, tidily.
int end_without_reveal_timer(RunOwner& run, HelpWebView& web_view, const std::string& error) {
    write_error_line(words::console_line(words::no_thread(error)));
    web_view.close();
    web_view.let_browser_exit(durations::browser_exit_wait);
    run.end_with_quit_sequence(std::nullopt);  // exit point: reveal timer refused
    return 1;
}

// Without a window the fallback's thread sleeps in its waits; a window of its own on another
// thread answers the session's end meanwhile.
int open_in_browser_until_session_ends(RunOwner& run) {
    const auto session =
        SessionEndWindow::start([&run] { run.end_in_haste(); });  // exit point: session ended (browser fallback)
    return open_in_browser(run);
}

}  // namespace

int run_normal() {
    auto made = make_work_folder();
    if (!made) {
        write_error_line(words::console_line(made.error()));
        return 1;  // exit point: no work folder
    }
    // The run's endings keep the windows answering: the help window stays on screen while the
    // application ends, and the session's end may come meanwhile.
    RunOwner run(std::move(made).value(), AppChild::make(), run_answering_messages);
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    if (auto thread = start_starter_thread(
            {embedded_payload(), run.folder(), run.child(), std::make_unique<EventLoopSink>(proxy), {}});
        !thread)
        return end_without_starter(run, thread.error());

    auto window = create_help_window(loop);
    if (!window) {
        write_error_line(words::console_line(words::no_window(window.error())));
        return open_in_browser_until_session_ends(run);
    }
    // Once the loop has ended the run this does nothing; before, it ends the run in haste.
    window.value()->on_session_end([&run] { run.end_in_haste(); });  // exit point: session ended (help window)
    auto web_view = create_help_web_view(*window.value(), run.folder().entry(L"webview"), run.shared_port(), proxy);
    if (!web_view) {
        window.value().reset();
        // A WM_QUIT cut the creation short: the run ends as when it ends the loop, the quit that
        // the creation posted again taken here.
        if (web_view.error_kind() == FailureKind::interrupted) {
            (void)take_waiting_quit();
            run.end_with_quit_sequence(std::nullopt);  // exit point: WM_QUIT during the web view's creation
            return 0;
        }
        write_error_line(words::console_line(words::no_web_view(web_view.error())));
        return open_in_browser_until_session_ends(run);
    }
    if (auto timer = start_reveal_timer(proxy); !timer)
        return end_without_reveal_timer(run, *web_view.value(), timer.error());

    HelpWindowSession session(run, std::move(window).value(), std::move(web_view).value());
    HelpWindowState state{run.shared_port(), &session};
    const int exit_code =
        loop.run([&state](const LoopEvent& event, LoopControl& control) { handle_loop_event(state, event, control); });
    // The handler has ended the run, unless the thread's queue was told to quit: then the quit
    // sequence runs here, without a port, as after the application's own end.
    if (session.has_web_view()) session.close_web_view(durations::browser_exit_wait);
    run.end_with_quit_sequence(std::nullopt);  // exit point: loop quit (WM_QUIT)
    return exit_code;
}

}  // namespace tarven
