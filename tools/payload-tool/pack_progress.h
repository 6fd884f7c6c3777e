#pragma once
// Packing's progress on a terminal: one line on standard error, rewritten in place.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "pack.h"

namespace tarven::payload_tool {

class TerminalProgress {
public:
    // Shows nothing unless `shown`: standard error is a terminal and quiet was not asked for.
    TerminalProgress(std::string output, const std::vector<PackInput>& inputs, bool shown);

    void show(const PackProgress& done);
    // Ends the line, when one was shown.
    void finish();

private:
    std::string output_;
    std::size_t files_ = 0;
    std::uint64_t bytes_ = 0;
    bool shown_;
    bool printed_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_ = start_;
};

}  // namespace tarven::payload_tool
