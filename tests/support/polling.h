#pragma once
// Waiting for a condition, and timing a step, in tests.
#include <chrono>
#include <functional>

namespace tarven::test {

// Polls `done` every 20 ms; whether it became true within `limit`.
bool poll_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(20));

// How long `step` took.
template <class F>
std::chrono::steady_clock::duration time_of(F&& step) {
    const auto start = std::chrono::steady_clock::now();
    step();
    return std::chrono::steady_clock::now() - start;
}

}  // namespace tarven::test
