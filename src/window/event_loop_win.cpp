#include "window/event_loop_win.h"

#include <deque>
#include <mutex>
#include <utility>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "window/dpi_win.h"

namespace tarven {

// The wake-up target as the proxies see it. `alive` goes false before the loop drains its queue,
// under the same lock that every post takes, so no event can slip in behind the drain.
struct PostTarget {
    std::mutex lock;
    HWND hwnd = nullptr;
    bool alive = false;
};

namespace {

// A HelpEvent travels as a heap pointer in the lParam of this message; whoever takes the message
// off the queue owns the event.
constexpr UINT help_event_message = WM_APP + 1;
constexpr wchar_t target_class[] = L"TarvenHelpEventTarget";

std::unique_ptr<HelpEvent> take_event(LPARAM lparam) {
    return std::unique_ptr<HelpEvent>(reinterpret_cast<HelpEvent*>(lparam));
}

}  // namespace

bool EventLoopProxy::post(HelpEvent event) const noexcept {
    if (!target_) return false;
    try {
        auto owned = std::make_unique<HelpEvent>(std::move(event));
        const std::lock_guard guard(target_->lock);
        if (!target_->alive ||
            !::PostMessageW(target_->hwnd, help_event_message, 0, reinterpret_cast<LPARAM>(owned.get())))
            return false;
        owned.release();  // the queue holds it now
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
            in_handler = true;
            try {
                handler(next, control);
            } catch (...) {
                in_handler = false;
                throw;
            }
            in_handler = false;
            if (control.end) end();
        }
    }

    void end() {
        phase = Phase::Ended;
        pending.clear();
        ::PostMessageW(target->hwnd, WM_NULL, 0, 0);  // GetMessage may be waiting inside a sent message
    }

    // Events still queued for the target when the loop goes.
    void drain() {
        MSG msg;
        while (::PeekMessageW(&msg, target->hwnd, help_event_message, help_event_message, PM_REMOVE))
            take_event(msg.lParam);
    }
};

namespace {

LRESULT CALLBACK target_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == help_event_message) {
        auto event = take_event(lparam);
        auto* state = reinterpret_cast<EventLoop::State*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        try {
            if (state != nullptr) state->dispatch(std::move(*event));
        } catch (...) {
            // The handler's own failure; the loop carries on with the next event.
        }
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

void register_target_class() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = target_procedure;
        window_class.hInstance = ::GetModuleHandleW(nullptr);
        window_class.lpszClassName = target_class;
        ::RegisterClassExW(&window_class);
    });
}

}  // namespace

EventLoop EventLoop::create() {
    make_process_dpi_aware();
    register_target_class();
    EventLoop loop;
    loop.state_ = new State;
    // Without a target (no window station, say) posts fail and the loop only waits for WM_QUIT.
    const HWND hwnd = ::CreateWindowExW(0, target_class, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                        ::GetModuleHandleW(nullptr), loop.state_);
    const std::lock_guard guard(loop.state_->target->lock);
    loop.state_->target->hwnd = hwnd;
    loop.state_->target->alive = hwnd != nullptr;
    return loop;
}

EventLoop::EventLoop(EventLoop&& other) noexcept : state_(std::exchange(other.state_, nullptr)) {}

EventLoop& EventLoop::operator=(EventLoop&& other) noexcept {
    if (this != &other) {
        EventLoop old(std::move(*this));
        state_ = std::exchange(other.state_, nullptr);
    }
    return *this;
}

EventLoop::~EventLoop() {
    if (state_ == nullptr) return;
    const std::shared_ptr<PostTarget> target = state_->target;
    {
        const std::lock_guard guard(target->lock);
        target->alive = false;
    }
    if (target->hwnd != nullptr) {
        state_->drain();
        ::DestroyWindow(target->hwnd);
    }
    delete state_;
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

namespace {

struct RevealTimer {
    EventLoopProxy proxy;
    durations::Duration delay;
};

DWORD WINAPI reveal_timer_thread(void* parameter) noexcept {
    const std::unique_ptr<RevealTimer> timer(static_cast<RevealTimer*>(parameter));
    ::Sleep(static_cast<DWORD>(timer->delay.count()));
    (void)timer->proxy.post(HelpEvent::reveal());
    return 0;
}

}  // namespace

Status start_reveal_timer(EventLoopProxy proxy, durations::Duration delay) {
    auto timer = std::make_unique<RevealTimer>(RevealTimer{std::move(proxy), delay});
    const unique_handle thread(::CreateThread(nullptr, 0, reveal_timer_thread, timer.get(), 0, nullptr));
    if (!thread) return fail(render_os_error(::GetLastError()));
    timer.release();  // the thread owns it now
    return {};
}

}  // namespace tarven
