#include <gtest/gtest.h>

#include <thread>

#include "events/help_event.h"

namespace tarven {
namespace {

using namespace std::chrono_literals;

const HelpEvent* event_of(const EventReceiver::Received& received) { return std::get_if<HelpEvent>(&received); }

TEST(EventChannel, DeliversInPostingOrderAcrossThreads) {
    auto [sender, receiver] = make_event_channel();
    std::thread starter([sink = std::move(sender)] {
        sink->post(HelpEvent::ready(8080));
        sink->post(HelpEvent::ended());
    });
    const auto first = receiver.receive_for(5s);
    ASSERT_NE(event_of(first), nullptr);
    EXPECT_EQ(event_of(first)->kind, HelpEvent::Kind::Ready);
    EXPECT_EQ(event_of(first)->port, 8080);
    const auto second = receiver.receive_for(5s);
    ASSERT_NE(event_of(second), nullptr);
    EXPECT_EQ(event_of(second)->kind, HelpEvent::Kind::Ended);
    starter.join();
}

TEST(EventChannel, FailedCarriesItsMessage) {
    auto [sender, receiver] = make_event_channel();
    sender->post(HelpEvent::failed("Tarven stopped as it started."));
    const auto received = receiver.receive_for(0ms);
    ASSERT_NE(event_of(received), nullptr);
    EXPECT_EQ(event_of(received)->message, "Tarven stopped as it started.");
}

TEST(EventChannel, TimesOutWhileASenderLives) {
    auto [sender, receiver] = make_event_channel();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(std::holds_alternative<EventReceiver::TimedOut>(receiver.receive_for(50ms)));
    EXPECT_GE(std::chrono::steady_clock::now() - started, 50ms);
}

TEST(EventChannel, ReportsClosedAtOnceWhenEverySenderIsGone) {
    auto [sender, receiver] = make_event_channel();
    sender.reset();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(receiver.receive_for(10s)));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

TEST(EventChannel, EventsLeftAfterTheSenderWentAreStillReceived) {
    auto [sender, receiver] = make_event_channel();
    sender->post(HelpEvent::ready(1));
    sender.reset();
    EXPECT_NE(event_of(receiver.receive_for(0ms)), nullptr);
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(receiver.receive_for(0ms)));
}

TEST(EventChannel, WakesAWaitingReceiverWhenTheLastSenderGoes) {
    auto [sender, receiver] = make_event_channel();
    std::thread dropper([sink = std::move(sender)]() mutable {
        std::this_thread::sleep_for(20ms);
        sink.reset();
    });
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(receiver.receive_for(10s)));
    dropper.join();
}

TEST(EventChannel, PostAfterTheReceiverIsGoneIsDroppedQuietly) {
    auto channel = make_event_channel();
    std::unique_ptr<EventSink> sender = std::move(channel.sender);
    { EventReceiver gone = std::move(channel.receiver); }
    sender->post(HelpEvent::failed("nobody reads this"));
    sender->post(HelpEvent::ended());
    SUCCEED();
}

}  // namespace
}  // namespace tarven
