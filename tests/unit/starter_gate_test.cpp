#include "base/starter_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace tarven {
namespace {

using namespace std::chrono_literals;

// Steps of two writers run inside the gate at the same time; closing waits for both to end and
// lets no step in afterwards.
TEST(StarterGate, WritersShareItAndClosingWaitsForThem) {
    StarterGate gate;
    std::atomic<int> inside{0};
    std::atomic<bool> met{false};
    std::atomic<bool> ended{false};
    const auto step = [&] {
        ++inside;
        const auto give_up = std::chrono::steady_clock::now() + 10s;
        while (inside < 2 && std::chrono::steady_clock::now() < give_up) std::this_thread::yield();
        if (inside == 2) met = true;
        std::this_thread::sleep_for(50ms);
        ended = true;
    };
    std::thread first([&] { EXPECT_TRUE(gate.run_unless_closed(step)); });
    std::thread second([&] { EXPECT_TRUE(gate.run_unless_closed(step)); });
    while (inside < 2 && !ended) std::this_thread::yield();

    gate.close();
    EXPECT_TRUE(ended) << "close returned while a step was still running";
    EXPECT_TRUE(gate.closed());
    EXPECT_FALSE(gate.run_unless_closed([] {}));
    first.join();
    second.join();
    EXPECT_TRUE(met) << "the second writer waited for the first";
}

}  // namespace
}  // namespace tarven
