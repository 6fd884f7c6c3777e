#include "payload/earliest_outcome.h"

namespace tarven {

void EarliestOutcome::failed(std::size_t index, std::string message) { note(index, std::move(message)); }

void EarliestOutcome::stopped(std::size_t index) { note(index, std::nullopt); }

void EarliestOutcome::note(std::size_t index, std::optional<std::string> message) {
    const std::lock_guard lock(mutex_);
    if (index >= first_.load()) return;
    message_ = std::move(message);
    first_.store(index);
}

Result<UnpackEnd> EarliestOutcome::result() const {
    const std::lock_guard lock(mutex_);
    if (first_.load() == none) return UnpackEnd::done;
    if (message_) return fail(*message_);
    return UnpackEnd::stopped;
}

}  // namespace tarven
