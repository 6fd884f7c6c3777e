// The event loop: posting from any thread, the handler's ending, WM_QUIT, foreign posts, posts to
// a loop that is gone, events that arrive before the loop runs, and the reveal timer.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "message_pump_support_win.h"
#include "window/event_loop_win.h"

namespace tarven {
namespace {

using test::pump_pending_messages;

using namespace std::chrono_literals;

// What a handler saw, as short words: "close", "reveal", "ready:<port>", "failed:<message>",
// "ended".
std::string describe(const LoopEvent& event) {
    if (std::holds_alternative<WindowEvent>(event))
        return std::get<WindowEvent>(event) == WindowEvent::CloseRequested ? "close" : "other";
    const HelpEvent& help = std::get<HelpEvent>(event);
    switch (help.kind) {
        case HelpEvent::Kind::Reveal:
            return "reveal";
        case HelpEvent::Kind::Ready:
            return "ready:" + std::to_string(help.port);
        case HelpEvent::Kind::Failed:
            return "failed:" + help.message;
        case HelpEvent::Kind::Ended:
            return "ended";
    }
    return "?";
}

// Records every event and ends the loop with `code` on HelpEvent::Ended.
struct Recorder {
    std::vector<std::string> seen;
    int code = 0;

    LoopHandler handler() {
        return [this](const LoopEvent& event, LoopControl& control) {
            seen.push_back(describe(event));
            if (std::holds_alternative<HelpEvent>(event) && std::get<HelpEvent>(event).kind == HelpEvent::Kind::Ended)
                control.end_with(code);
        };
    }
};

SIZE_T committed_bytes() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;  // the commit charge; Wine leaves PrivateUsage at 0
}

TEST(EventLoop, EventsFromSeveralThreadsArriveWholeAndInPostingOrderOfEachThread) {
    EventLoop loop = EventLoop::create();
    constexpr int threads = 4;
    constexpr int per_thread = 250;
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t) {
        posters.emplace_back([proxy = loop.proxy(), t] {
            for (int i = 0; i < per_thread; ++i)
                EXPECT_TRUE(proxy.post(HelpEvent::failed(std::to_string(t) + ":" + std::to_string(i))));
        });
    }
    std::vector<std::vector<int>> received(threads);
    int count = 0;
    const int code = loop.run([&](const LoopEvent& event, LoopControl& control) {
        const std::string& message = std::get<HelpEvent>(event).message;
        const auto colon = message.find(':');
        received.at(std::stoul(message.substr(0, colon))).push_back(std::stoi(message.substr(colon + 1)));
        if (++count == threads * per_thread) control.end_with(7);
    });
    for (auto& poster : posters) poster.join();
    EXPECT_EQ(code, 7);
    std::vector<int> expected(per_thread);
    for (int i = 0; i < per_thread; ++i) expected[static_cast<std::size_t>(i)] = i;
    for (const auto& sequence : received) EXPECT_EQ(sequence, expected);
}

TEST(EventLoop, EndsWithTheHandlersCodeAndHandsItNothingMore) {
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    ASSERT_TRUE(proxy.post(HelpEvent::ready(8080)));
    ASSERT_TRUE(proxy.post(HelpEvent::ended()));
    ASSERT_TRUE(proxy.post(HelpEvent::reveal()));
    Recorder recorder{{}, 5};
    EXPECT_EQ(loop.run(recorder.handler()), 5);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"ready:8080", "ended"}));

    // A window event after the end is not handed on either.
    loop.deliver(WindowEvent::CloseRequested);
    EXPECT_EQ(recorder.seen.size(), 2u);
}

TEST(EventLoop, QuitMessageEndsTheLoopWithZero) {
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    ASSERT_TRUE(proxy.post(HelpEvent::reveal()));
    ::PostQuitMessage(3);
    Recorder recorder{{}, 9};
    EXPECT_EQ(loop.run(recorder.handler()), 0);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"reveal"}));
}

TEST(EventLoop, EventsThatArriveBeforeTheLoopRunsComeFirstAndInOrder) {
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    ASSERT_TRUE(proxy.post(HelpEvent::failed("first")));
    ASSERT_TRUE(proxy.post(HelpEvent::ready(1)));
    pump_pending_messages();  // someone else's wait takes the posted events off the queue
    loop.deliver(WindowEvent::CloseRequested);
    ASSERT_TRUE(proxy.post(HelpEvent::ready(2)));
    ASSERT_TRUE(proxy.post(HelpEvent::ended()));
    Recorder recorder;
    EXPECT_EQ(loop.run(recorder.handler()), 0);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"failed:first", "ready:1", "close", "ready:2", "ended"}));
}

TEST(EventLoop, HandlerIsNeverEnteredTwiceWhenItPumpsMessages) {
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    ASSERT_TRUE(proxy.post(HelpEvent::ready(1)));
    int depth = 0;
    int deepest = 0;
    std::vector<std::string> seen;
    const int code = loop.run([&](const LoopEvent& event, LoopControl& control) {
        deepest = std::max(deepest, ++depth);
        seen.push_back(describe(event));
        if (seen.size() == 1) {
            EXPECT_TRUE(proxy.post(HelpEvent::ready(2)));
            loop.deliver(WindowEvent::CloseRequested);
            pump_pending_messages();
        }
        if (seen.size() == 3) control.end_with(4);
        --depth;
    });
    EXPECT_EQ(code, 4);
    EXPECT_EQ(deepest, 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"ready:1", "close", "ready:2"}));
}

// Any process on the desktop can find the loop's target by its class and post to it: the
// messages carry no event, so made-up parameters deliver nothing and harm nothing.
TEST(EventLoop, ForeignPostsToTheTargetDeliverNothing) {
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    std::thread([] {
        const HWND target = ::FindWindowExW(HWND_MESSAGE, nullptr, L"TarvenHelpEventTarget", nullptr);
        ASSERT_NE(target, nullptr);
        for (UINT message = WM_APP; message < WM_APP + 16; ++message)
            EXPECT_TRUE(::PostMessageW(target, message, 0xBAD, static_cast<LPARAM>(0xDEADBEEF)));
    }).join();
    ASSERT_TRUE(proxy.post(HelpEvent::ready(1)));
    ASSERT_TRUE(proxy.post(HelpEvent::ended()));
    Recorder recorder;
    EXPECT_EQ(loop.run(recorder.handler()), 0);
    EXPECT_EQ(recorder.seen, (std::vector<std::string>{"ready:1", "ended"}));
}

TEST(EventLoop, PostingToALoopThatIsGoneFailsFromAnyThread) {
    EventLoopProxy proxy;
    EXPECT_FALSE(proxy.post(HelpEvent::reveal()));  // a proxy of no loop
    {
        EventLoop loop = EventLoop::create();
        proxy = loop.proxy();
        EXPECT_TRUE(proxy.post(HelpEvent::reveal()));
    }
    EXPECT_FALSE(proxy.post(HelpEvent::reveal()));
    bool posted = true;
    std::thread([&] { posted = proxy.post(HelpEvent::ended()); }).join();
    EXPECT_FALSE(posted);
}

TEST(EventLoop, EventsLeftInTheQueueAndEventsPostedTooLateAreFreed) {
    constexpr std::size_t big = 16u << 20;
    constexpr int events = 8;
    const SIZE_T before = committed_bytes();
    EventLoopProxy proxy;
    {
        EventLoop loop = EventLoop::create();
        proxy = loop.proxy();
        for (int i = 0; i < events; ++i) ASSERT_TRUE(proxy.post(HelpEvent::failed(std::string(big, 'q'))));
        EXPECT_GT(committed_bytes(), before + events * big / 2);  // the measure sees the queued events
    }
    for (int i = 0; i < events; ++i) EXPECT_FALSE(proxy.post(HelpEvent::failed(std::string(big, 'l'))));
    EXPECT_LT(committed_bytes(), before + big);
}

TEST(RevealTimer, PostsOneRevealAfterItsDelay) {
    EventLoop loop = EventLoop::create();
    const EventLoopProxy proxy = loop.proxy();
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(start_reveal_timer(proxy, 300ms).ok());
    std::thread([proxy] {
        std::this_thread::sleep_for(1500ms);
        (void)proxy.post(HelpEvent::ended());
    }).detach();
    std::vector<std::chrono::steady_clock::duration> reveals;
    const int code = loop.run([&](const LoopEvent& event, LoopControl& control) {
        const HelpEvent& help = std::get<HelpEvent>(event);
        if (help.kind == HelpEvent::Kind::Reveal) reveals.push_back(std::chrono::steady_clock::now() - start);
        if (help.kind == HelpEvent::Kind::Ended) control.end_with(0);
    });
    EXPECT_EQ(code, 0);
    ASSERT_EQ(reveals.size(), 1u);
    EXPECT_GE(reveals[0], 300ms);
}

}  // namespace
}  // namespace tarven
