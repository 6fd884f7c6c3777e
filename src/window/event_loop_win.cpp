#include "window/event_loop_win.h"

#include <deque>
#include <mutex>
#include <utility>

#include "base/detached_thread_win.h"
#include "base/os_error_win.h"
#include "base/scope_exit.h"
#include "base/unique_resource_win.h"
#include "window/app_messages_win.h"
#include "window/dpi_win.h"
#include "window/window_class_win.h"

namespace tarven {

// The wake-up target as the proxies see it. Events wait in `queue`; the window only gets a
// message that says so, which carries nothing, so a post from elsewhere can deliver nothing.
// `alive` goes false, and the queue is emptied, under the same lock that every post takes, so no
// event can slip in behind the loop's end.
struct PostTarget {
    std::mutex lock;
    HWND hwnd = nullptr;
    bool alive = false;
    bool wake_up_pending = false;
    std::deque<HelpEvent> queue;

    std::deque<HelpEvent> take_all() {
        const std::lock_guard guard(lock);
        wake_up_pending = false;
        return std::exchange(queue, {});
    }
};

namespace {

constexpr wchar_t target_class[] = L"TarvenHelpEventTarget";

}  // namespace

bool EventLoopProxy::post(HelpEvent event) const noexcept {
    if (!target_) return false;
    try {
        const std::lock_guard guard(target_->lock);
        if (!target_->alive) return false;
        // One wake-up stands for every event queued until the loop takes them.
        if (!target_->wake_up_pending) {
            if (!::PostMessageW(target_->hwnd, loop_wake_up_message, 0, 0)) return false;
            target_->wake_up_pending = true;
        }
        target_->queue.push_back(std::move(event));
        return true;
    } catch (...) {
        return false;
    }
}

struct EventLoop::State {
    enum class Phase { Waiting, Running, Ended };

    std::shared_ptr<PostTarget> target = std::make_shared<PostTarget>();
    Phase phase = Phase::Waiting;
    LoopHandler handler;
    LoopControl control;
    std::deque<LoopEvent> pending;  // arrived before `run`, or while the handler was busy
    bool in_handler = false;

    // Every event passes here. The handler is never entered twice: an event that arrives while it
    // runs (a message pumped inside it) waits its turn.
    template <class Event>
    void dispatch(Event event) {
        if (phase == Phase::Ended) return;
        pending.emplace_back(std::in_place_type<Event>, std::move(event));
        flush();
    }

    void flush() {
        if (phase != Phase::Running || in_handler) return;
        while (!pending.empty() && phase == Phase::Running) {
            const LoopEvent next = std::move(pending.front());
            pending.pop_front();
            {
                in_handler = true;
                const ScopeExit left_handler([this] { in_handler = false; });  // also when it throws
                handler(next, control);
            }
            if (control.end) end();
        }
    }

    void end() {
        phase = Phase::Ended;
        pending.clear();
        ::PostMessageW(target->hwnd, WM_NULL, 0, 0);  // GetMessage may be waiting inside a sent message
    }

    // Whatever the wake-up's parameters say: the events are taken from the loop's own queue.
    void wake_up() {
        for (HelpEvent& event : target->take_all()) dispatch(std::move(event));
    }
};

namespace {

LRESULT CALLBACK target_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    auto* state = window_owner<EventLoop::State>(hwnd, message, lparam);
    if (message == loop_wake_up_message) {
        try {
            if (state != nullptr) state->wake_up();
        } catch (...) {
            // The handler's own failure; the loop carries on with the next wake-up.
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

// A failure shows as the target's failed creation below.
void register_target_class() {
    [[maybe_unused]] static const DWORD error = register_window_class({target_class, target_procedure});
}

}  // namespace

EventLoop EventLoop::create() {
    make_process_dpi_aware();
    register_target_class();
    EventLoop loop;
    loop.state_ = std::make_unique<State>();
    // Without a target (no window station, say) posts fail and the loop only waits for WM_QUIT.
    const HWND hwnd = ::CreateWindowExW(0, target_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        ::GetModuleHandleW(nullptr), loop.state_.get());
    const std::lock_guard guard(loop.state_->target->lock);
    loop.state_->target->hwnd = hwnd;
    loop.state_->target->alive = hwnd != nullptr;
    return loop;
}

EventLoop::EventLoop() = default;

EventLoop::EventLoop(EventLoop&& other) noexcept = default;

EventLoop& EventLoop::operator=(EventLoop&& other) noexcept {
    if (this != &other) {
        EventLoop old(std::move(*this));
        state_ = std::move(other.state_);
    }
    return *this;
}

EventLoop::~EventLoop() {
    if (!state_) return;
    const std::shared_ptr<PostTarget> target = state_->target;
    std::deque<HelpEvent> unread;  // freed outside the lock
    {
        const std::lock_guard guard(target->lock);
        target->alive = false;
        unread = std::exchange(target->queue, {});
    }
    if (target->hwnd != nullptr) ::DestroyWindow(target->hwnd);
}

EventLoopProxy EventLoop::proxy() const { return EventLoopProxy(state_->target); }

void EventLoop::deliver(WindowEvent event) { state_->dispatch(event); }

int EventLoop::run(LoopHandler handler) {
    State& state = *state_;
    if (state.phase != State::Phase::Waiting) return state.control.exit_code;
    state.handler = std::move(handler);
    state.phase = State::Phase::Running;
    state.flush();
    MSG msg;
    while (state.phase == State::Phase::Running) {
        if (::GetMessageW(&msg, nullptr, 0, 0) <= 0) {  // WM_QUIT, or a queue that cannot be read
            state.phase = State::Phase::Ended;
            state.control.end_with(0);
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    state.handler = nullptr;
    return state.control.exit_code;
}

bool take_waiting_quit() {
    MSG msg{};
    return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

Status start_reveal_timer(EventLoopProxy proxy, durations::Duration delay) {
    return start_detached_thread([proxy = std::move(proxy), delay] {
        ::Sleep(static_cast<DWORD>(delay.count()));
        (void)proxy.post(HelpEvent::reveal());
    });
}

}  // namespace tarven
