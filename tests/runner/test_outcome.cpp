#include "test_outcome.h"

#include <cmath>
#include <regex>

namespace tarven::runner {
namespace {

bool matches_any(const std::vector<std::string>& expressions, const std::string& output) {
    for (const std::string& expression : expressions)
        if (std::regex_search(output, std::regex(expression))) return true;
    return false;
}

std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

}  // namespace

std::string skip_reason(std::string_view output) {
    constexpr std::string_view marker = ": Skipped";
    const auto at = output.find(marker);
    if (at != std::string_view::npos) {
        const auto start = output.find('\n', at);  // the message is the line after
        if (start != std::string_view::npos) {
            const std::string reason = trimmed(output.substr(start + 1, output.find('\n', start + 1) - start - 1));
            if (!reason.empty()) return reason;
        }
    }
    return "the test skipped itself";
}

Outcome judge(const TestCase& test, const Ending& ending) {
    if (!ending.exit_code) return {Verdict::failed, "it did not start: " + ending.output};
    if (ending.timed_out)
        return {Verdict::failed,
                "ended at its time limit of " + std::to_string(std::lround(test.timeout_seconds)) + " s"};
    const bool skip_code =
        test.skip_return_code && static_cast<std::uint32_t>(*test.skip_return_code) == *ending.exit_code;
    if (skip_code || matches_any(test.skip_regular_expressions, ending.output))
        return {Verdict::not_run, skip_reason(ending.output)};
    if (*ending.exit_code != 0) return {Verdict::failed, "exit code " + std::to_string(*ending.exit_code)};
    return {Verdict::passed, ""};
}

void Tally::count(Verdict verdict) {
    switch (verdict) {
        case Verdict::passed:
            ++passed;
            break;
        case Verdict::failed:
            ++failed;
            break;
        case Verdict::not_run:
            ++not_run;
            break;
    }
}

std::string summary_line(const Tally& tally) {
    return std::to_string(tally.passed) + " passed, " + std::to_string(tally.failed) + " failed, " +
           std::to_string(tally.not_run) + " not run";
}

}  // namespace tarven::runner
