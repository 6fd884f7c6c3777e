#pragma once
// A deadline on the monotonic clock. It has passed only once the clock is strictly later.
#include <chrono>

namespace tarven {

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(Clock::duration from_now) : at_(Clock::now() + from_now) {}

    bool passed() const { return Clock::now() > at_; }

private:
    Clock::time_point at_;
};

}  // namespace tarven
