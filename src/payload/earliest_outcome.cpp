#include "payload/earliest_outcome.h"

namespace tarven {

void EarliestOutcome::failed(std::size_t index, std::string message) { note(index, fail(std::move(message))); }

void EarliestOutcome::stopped(std::size_t index) { note(index, UnpackEnd::stopped); }

void EarliestOutcome::note(std::size_t index, Result<UnpackEnd> outcome) {
    const std::lock_guard lock(mutex_);
    if (index >= first_.load()) return;
    outcome_ = std::move(outcome);
    first_.store(index);
}

Result<UnpackEnd> EarliestOutcome::result() const {
    const std::lock_guard lock(mutex_);
    return outcome_;
}

}  // namespace tarven
