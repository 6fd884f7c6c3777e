#pragma once
// What a test's run comes to, and the runner's closing line.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "test_list.h"

namespace tarven::runner {

// How a test's program ended.
struct Ending {
    std::optional<std::uint32_t> exit_code;  // none when it could not start
    bool timed_out = false;
    std::string output;  // its standard output and error, as they came
};

enum class Verdict { passed, failed, not_run };

struct Outcome {
    Verdict verdict;
    std::string detail;  // why it failed or was not run; empty for a pass
};

// As CTest judges: out of time or an exit code other than 0 fails, unless the output matches one
// of the test's skip expressions or the code is its skip code, which makes it not run.
Outcome judge(const TestCase& test, const Ending& ending);

// GoogleTest's words for a skipped case ("...: Skipped" and the message after it), or a general
// reason when the output gives none.
std::string skip_reason(std::string_view output);

struct Tally {
    int passed = 0;
    int failed = 0;
    int not_run = 0;

    void count(Verdict verdict);
};

// "N passed, N failed, N not run"
std::string summary_line(const Tally& tally);

}  // namespace tarven::runner
