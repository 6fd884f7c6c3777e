#pragma once
// What a walk of the records in payload order would have reported, when they are handled out of
// order: the record with the lowest index that failed or stopped decides.
#include <atomic>
#include <cstddef>
#include <limits>
#include <mutex>
#include <string>

#include "base/result.h"
#include "payload/unpack_end.h"

namespace tarven {

class EarliestOutcome {
public:
    void failed(std::size_t index, std::string message);
    void stopped(std::size_t index);

    // Whether a record before `index` has already ended the walk, so that `index` does not matter.
    bool decided_before(std::size_t index) const { return first_.load() < index; }

    // Done when nothing failed or stopped.
    Result<UnpackEnd> result() const;

private:
    void note(std::size_t index, Result<UnpackEnd> outcome);

    static constexpr std::size_t none = std::numeric_limits<std::size_t>::max();
    std::atomic<std::size_t> first_{none};
    mutable std::mutex mutex_;
    Result<UnpackEnd> outcome_ = UnpackEnd::done;  // of the record at first_
};

}  // namespace tarven
