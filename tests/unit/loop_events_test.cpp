#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "window/loop_events.h"

namespace tarven {
namespace {

// Records every operation in order, as one line each.
class RecordingWindow final : public HelpWindowOps {
public:
    void set_visible(bool shown) override { log.push_back(shown ? "show" : "hide"); }
    void focus() override { log.push_back("focus"); }
    bool has_web_view() const override { return web_view; }
    void load_url(std::string_view url) override { log.push_back("url " + std::string(url)); }
    void load_html(std::string_view html) override {
        log.push_back(html.find("couldn't start") != std::string_view::npos ? "failure page" : "other page");
        last_html = std::string(html);
    }
    // The session's end leaves the browser process less time.
    void close_web_view(durations::Duration browser_wait) override {
        web_view = false;
        log.push_back(browser_wait < durations::browser_exit_wait ? "close web view briefly" : "close web view");
    }
    void quit_application(std::optional<std::uint16_t> port) override {
        log.push_back(port ? "quit " + std::to_string(*port) : "quit");
    }
    void end_for_session() override { log.push_back("session end"); }

    bool web_view = true;
    std::vector<std::string> log;
    std::string last_html;
};

class LoopEvents : public testing::Test {
protected:
    LoopControl handle(const LoopEvent& event) {
        LoopControl control;
        handle_loop_event(state, event, control);
        return control;
    }

    RecordingWindow window;
    HelpWindowState state{std::make_shared<SharedPort>(), &window};
    using Log = std::vector<std::string>;
};

TEST_F(LoopEvents, FirstRevealShowsAndFocusesLaterOnesDoNothing) {
    EXPECT_FALSE(handle(HelpEvent::reveal()).end);
    handle(HelpEvent::reveal());
    EXPECT_EQ(window.log, (Log{"show", "focus"}));
    EXPECT_TRUE(state.revealed);
}

TEST_F(LoopEvents, ReadyStoresThePortAndLoadsTheHelpWithoutShowing) {
    handle(HelpEvent::ready(80));
    EXPECT_EQ(state.shared_port->get(), std::optional<std::uint16_t>(80));
    EXPECT_EQ(window.log, (Log{"url http://127.0.0.1:80/desk/help"}));
}

TEST_F(LoopEvents, CloseAfterReadyHidesClosesAndQuitsWithThePort) {
    handle(HelpEvent::ready(80));
    window.log.clear();
    const LoopControl control = handle(WindowEvent::CloseRequested);
    EXPECT_EQ(window.log, (Log{"hide", "close web view", "quit 80"}));
    EXPECT_TRUE(control.end);
    EXPECT_EQ(control.exit_code, 0);
}

TEST_F(LoopEvents, CloseBeforeReadyQuitsWithoutAPort) {
    EXPECT_TRUE(handle(WindowEvent::CloseRequested).end);
    EXPECT_EQ(window.log, (Log{"hide", "close web view", "quit"}));
}

TEST_F(LoopEvents, FailureShowsThePageWithoutFocusAndCloseQuitsWithoutPort) {
    handle(HelpEvent::failed("Tarven stopped as it started."));
    EXPECT_EQ(window.log, (Log{"failure page", "show"}));
    EXPECT_NE(window.last_html.find("Tarven stopped as it started. Close this window"), std::string::npos);
    EXPECT_FALSE(state.revealed);
    // The next reveal is the first one and brings the window forward.
    handle(HelpEvent::reveal());
    EXPECT_EQ(window.log.back(), "focus");
    window.log.clear();
    handle(WindowEvent::CloseRequested);
    EXPECT_EQ(window.log, (Log{"hide", "close web view", "quit"}));
}

TEST_F(LoopEvents, EndedAfterAFailureIsIgnored) {
    handle(HelpEvent::failed("x"));
    window.log.clear();
    EXPECT_FALSE(handle(HelpEvent::ended()).end);
    EXPECT_TRUE(window.log.empty());
}

TEST_F(LoopEvents, EndedClosesTheWebViewAndQuitsWithoutPortLeavingTheWindowShown) {
    handle(HelpEvent::ready(4242));
    window.log.clear();
    const LoopControl control = handle(HelpEvent::ended());
    EXPECT_EQ(window.log, (Log{"close web view", "quit"}));
    EXPECT_TRUE(control.end);
    EXPECT_EQ(control.exit_code, 0);
}

// No quit request even with a port, and no wait for a failure page to be closed.
TEST_F(LoopEvents, SessionEndingClosesTheWebViewAndEndsInHaste) {
    handle(HelpEvent::ready(4242));
    handle(HelpEvent::failed("x"));
    window.log.clear();
    const LoopControl control = handle(WindowEvent::SessionEnding);
    EXPECT_EQ(window.log, (Log{"close web view briefly", "session end"}));
    EXPECT_TRUE(control.end);
    EXPECT_EQ(control.exit_code, 0);
}

TEST_F(LoopEvents, WithoutWebViewNothingIsLoadedOrClosed) {
    window.web_view = false;
    handle(HelpEvent::ready(80));
    handle(HelpEvent::failed("x"));
    handle(WindowEvent::CloseRequested);
    EXPECT_EQ(window.log, (Log{"show", "hide", "quit 80"}));
}

TEST_F(LoopEvents, OtherWindowEventsChangeNothing) {
    EXPECT_FALSE(handle(WindowEvent::Other).end);
    EXPECT_TRUE(window.log.empty());
}

TEST(LoopControl, StaysEndingOnceEnded) {
    LoopControl control;
    control.end_with(0);
    control.end_with(1);
    EXPECT_TRUE(control.end);
    EXPECT_EQ(control.exit_code, 0);
}

}  // namespace
}  // namespace tarven
