#include "events/help_event.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tarven {

// What both ends of a channel share. `senders` counts live sending ends; `receiving` is false
// once the receiving end is gone, after which posts are dropped.
struct ChannelState {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<HelpEvent> queue;
    int senders = 0;
    bool receiving = true;
};

namespace {

class ChannelSink final : public EventSink {
public:
    explicit ChannelSink(std::shared_ptr<ChannelState> state) : state_(std::move(state)) {
        const std::lock_guard lock(state_->mutex);
        ++state_->senders;
    }
    ChannelSink(const ChannelSink&) = delete;
    ChannelSink& operator=(const ChannelSink&) = delete;

    ~ChannelSink() override {
        {
            const std::lock_guard lock(state_->mutex);
            --state_->senders;
        }
        state_->arrived.notify_all();
    }

    void post(HelpEvent event) noexcept override {
        try {
            {
                const std::lock_guard lock(state_->mutex);
                if (!state_->receiving) return;
                state_->queue.push_back(std::move(event));
            }
            state_->arrived.notify_one();
        } catch (...) {
            // Out of memory: the event is lost like one whose receiver is gone.
        }
    }

private:
    std::shared_ptr<ChannelState> state_;
};

}  // namespace

EventReceiver::EventReceiver(std::shared_ptr<ChannelState> state) : state_(std::move(state)) {}

EventReceiver::~EventReceiver() {
    if (!state_) return;
    const std::lock_guard lock(state_->mutex);
    state_->receiving = false;
    state_->queue.clear();
}

EventReceiver::Received EventReceiver::receive_for(std::chrono::milliseconds wait) {
    std::unique_lock lock(state_->mutex);
    const bool ready =
        state_->arrived.wait_for(lock, wait, [&] { return !state_->queue.empty() || state_->senders == 0; });
    if (!state_->queue.empty()) {
        HelpEvent event = std::move(state_->queue.front());
        state_->queue.pop_front();
        return event;
    }
    if (ready) return Closed{};
    return TimedOut{};
}

EventChannel make_event_channel() {
    auto state = std::make_shared<ChannelState>();
    return EventChannel{std::make_unique<ChannelSink>(state), EventReceiver(state)};
}

}  // namespace tarven
