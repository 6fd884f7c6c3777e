#pragma once
// The events that cross threads, the sink the starter thread posts them into, and the channel
// that carries them to the smoke run.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>

namespace tarven {

struct HelpEvent {
    enum class Kind { Reveal, Ready, Failed, Ended };

    Kind kind = Kind::Reveal;
    std::uint16_t port = 0;  // Ready
    std::string message;     // Failed

    static HelpEvent reveal() { return {Kind::Reveal, 0, {}}; }
    static HelpEvent ready(std::uint16_t port) { return {Kind::Ready, port, {}}; }
    static HelpEvent failed(std::string message) { return {Kind::Failed, 0, std::move(message)}; }
    static HelpEvent ended() { return {Kind::Ended, 0, {}}; }
};

class EventSink {
public:
    virtual ~EventSink() = default;
    // Takes the event over. Never blocks for long and never fails visibly: an event whose
    // receiver is gone is dropped.
    virtual void post(HelpEvent event) noexcept = 0;
};

struct ChannelState;

class EventReceiver {
public:
    struct TimedOut {};
    struct Closed {};
    using Received = std::variant<HelpEvent, TimedOut, Closed>;

    explicit EventReceiver(std::shared_ptr<ChannelState> state);
    EventReceiver(EventReceiver&&) noexcept = default;
    EventReceiver& operator=(EventReceiver&&) noexcept = default;
    ~EventReceiver();

    // The next event, or a time-out after `wait`, or Closed at once when every sender is gone
    // and nothing is left.
    Received receive_for(std::chrono::milliseconds wait);

private:
    std::shared_ptr<ChannelState> state_;
};

struct EventChannel {
    std::unique_ptr<EventSink> sender;
    EventReceiver receiver;
};

// An unbounded first-in, first-out channel of events.
EventChannel make_event_channel();

}  // namespace tarven
