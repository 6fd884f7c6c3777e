#include "pack_progress.h"

#include <cstdio>

namespace tarven::payload_tool {
namespace {

constexpr auto redraw_interval = std::chrono::milliseconds(100);

std::string one_decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string megabytes(std::uint64_t bytes) { return one_decimal(static_cast<double>(bytes) / 1e6); }

}  // namespace

TerminalProgress::TerminalProgress(std::string output, const std::vector<PackInput>& inputs, bool shown)
    : output_(std::move(output)), files_(inputs.size()), shown_(shown) {
    for (const PackInput& input : inputs) bytes_ += input.size_hint;
}

void TerminalProgress::show(const PackProgress& done) {
    const auto now = std::chrono::steady_clock::now();
    if (!shown_ || (printed_ && now - last_ < redraw_interval && done.files < files_)) return;
    last_ = now;
    printed_ = true;
    const std::chrono::duration<double> elapsed = now - start_;
    const std::string line = "\rtarven-payload: " + output_ + ": packed " + std::to_string(done.files) + " of " +
                             std::to_string(files_) + " files, " + megabytes(done.bytes) + " of " + megabytes(bytes_) +
                             " MB, " + one_decimal(elapsed.count()) + " s\x1b[K";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}

void TerminalProgress::finish() {
    if (printed_) std::fputc('\n', stderr);
}

}  // namespace tarven::payload_tool
