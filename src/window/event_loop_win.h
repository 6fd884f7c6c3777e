#pragma once
// The main thread's event loop: Win32 messages for the help window, and HelpEvents that any
// thread posts through a proxy.
#include <windows.h>

#include <functional>
#include <memory>

#include "base/durations.h"
#include "base/result.h"
#include "events/help_event.h"
#include "window/loop_events.h"

namespace tarven {

struct PostTarget;

// A copyable handle with which any thread posts a HelpEvent into the loop. Posting to a loop that
// is gone fails, and the event is dropped.
class EventLoopProxy {
public:
    EventLoopProxy() = default;
    [[nodiscard]] bool post(HelpEvent event) const noexcept;

private:
    friend class EventLoop;
    explicit EventLoopProxy(std::shared_ptr<PostTarget> target) : target_(std::move(target)) {}
    std::shared_ptr<PostTarget> target_;
};

// The normal run's sink for the starter thread.
class EventLoopSink final : public EventSink {
public:
    explicit EventLoopSink(EventLoopProxy proxy) : proxy_(proxy) {}
    void post(HelpEvent event) noexcept override { (void)proxy_.post(std::move(event)); }

private:
    EventLoopProxy proxy_;
};

using LoopHandler = std::function<void(const LoopEvent&, LoopControl&)>;

class EventLoop {
public:
    // Makes the process per-monitor DPI aware (once), then the loop's wake-up target on the
    // calling thread.
    static EventLoop create();
    EventLoop(EventLoop&&) noexcept;
    EventLoop& operator=(EventLoop&&) noexcept;
    ~EventLoop();

    EventLoopProxy proxy() const;

    // Hands a window event to the loop's handler (called by the help window's procedure). Before
    // `run` the event waits for it; after the loop has ended it is dropped.
    void deliver(WindowEvent event);

    // Runs until the handler ends the loop or the thread is told to quit (exit code 0); returns the
    // exit code. Events that arrived before, while other code pumped the thread's messages, come
    // first, in order.
    int run(LoopHandler handler);

    struct State;

private:
    EventLoop();
    std::unique_ptr<State> state_;
};

// Takes a WM_QUIT that waits in the calling thread's queue; true when there was one. A nested
// message loop that met one (the web view's creation) leaves it there for the loop.
bool take_waiting_quit();

// Sleeps `delay` on a thread of its own, then posts HelpEvent::Reveal once. The failure's text
// says why the system refused the thread.
Status start_reveal_timer(EventLoopProxy proxy, durations::Duration delay = durations::reveal_delay);

}  // namespace tarven
