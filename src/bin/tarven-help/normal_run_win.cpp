#include "bin/tarven-help/normal_run_win.h"

#include "base/console_win.h"
#include "payload/embedded_payload.h"
#include "supervise/browser_fallback_win.h"
#include "supervise/quit_win.h"
#include "supervise/starter_thread_failure_win.h"
#include "supervise/starter_win.h"
#include "window/event_loop_win.h"
#include "window/help_web_view_win.h"
#include "window/help_window_win.h"
#include "window/loop_events.h"

namespace tarven {
namespace {

// The help window, its web view and the quit sequence, as the loop's handler reaches them.
class HelpWindowSession final : public HelpWindowOps {
public:
    HelpWindowSession(WorkFolder folder, std::unique_ptr<HelpWindow> window, std::unique_ptr<HelpWebView> web_view,
                      std::shared_ptr<AppChild> child)
        : folder_(std::move(folder)),
          window_(std::move(window)),
          web_view_(std::move(web_view)),
          child_(std::move(child)) {}

    void set_visible(bool shown) override { window_->set_visible(shown); }
    void focus() override { window_->focus(); }
    bool has_web_view() const override { return web_view_ != nullptr; }
    void load_url(std::string_view url) override { (void)web_view_->load_url(url); }
    void load_html(std::string_view html) override { (void)web_view_->load_html(html); }
    void close_web_view() override {
        web_view_->close();
        web_view_.reset();
    }
    void quit_application(std::optional<std::uint16_t> port) override {
        tarven::quit_application(folder_, *child_, port);
    }

private:
    WorkFolder folder_;
    std::unique_ptr<HelpWindow> window_;
    std::unique_ptr<HelpWebView> web_view_;
    std::shared_ptr<AppChild> child_;
};

// The reveal timer's thread was refused after the application may have started: nothing will
// show the window, so the run ends here, tidily.
int end_without_reveal_timer(const WorkFolder& folder, AppChild& child, HelpWebView& web_view,
                             const std::string& error) {
    write_error_line("Tarven Help: couldn't start a thread: " + error);
    web_view.close();
    quit_application(folder, child, std::nullopt);
    return 1;
}

}  // namespace

int run_normal() {
    auto made = make_work_folder();
    if (!made) {
        write_error_line("Tarven Help: " + made.error());
        return 1;
    }
    const WorkFolder folder = std::move(made).value();
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    const auto child = AppChild::make();
    if (auto thread =
            start_starter_thread({embedded_payload(), folder, child, std::make_unique<EventLoopSink>(proxy), {}});
        !thread)
        return end_without_starter(folder, thread.error());

    auto window = create_help_window(loop);
    if (!window) {
        write_error_line("Tarven Help: no window: " + window.error());
        return open_in_browser(folder, *child);
    }
    const auto shared_port = std::make_shared<SharedPort>();
    auto web_view = create_help_web_view(*window.value(), folder.entry(L"webview"), shared_port, proxy);
    if (!web_view) {
        write_error_line("Tarven Help: no web view (" + web_view.error() + "); using the browser");
        window.value().reset();
        return open_in_browser(folder, *child);
    }
    if (auto timer = start_reveal_timer(proxy); !timer)
        return end_without_reveal_timer(folder, *child, *web_view.value(), timer.error());

    HelpWindowSession session(folder, std::move(window).value(), std::move(web_view).value(), child);
    HelpWindowState state{shared_port, &session};
    return loop.run(
        [&state](const LoopEvent& event, LoopControl& control) { handle_loop_event(state, event, control); });
}

}  // namespace tarven
