#pragma once
// A deadline on the monotonic clock. It has passed only once the clock is strictly later.
#include <algorithm>
#include <chrono>

namespace tarven {

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(Clock::duration from_now) : at_(Clock::now() + from_now) {}

    bool passed() const { return Clock::now() > at_; }
    Clock::duration remaining() const { return std::max(at_ - Clock::now(), Clock::duration::zero()); }

private:
    Clock::time_point at_;
};

}  // namespace tarven
