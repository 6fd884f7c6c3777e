#pragma once
// Running the test thread's messages, as the launcher's main thread does while it waits.
#include <chrono>
#include <functional>

namespace tarven::test {

// Handles whatever is queued for this thread now.
void pump_pending_messages();

// Runs the thread's messages until `done` or `limit`: window and runtime answers come only
// through them. Whether `done` became true.
bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit = std::chrono::seconds(10));

}  // namespace tarven::test
