#pragma once
// The list of tests the runner runs: CTest's own description of them (`ctest --show-only=json-v1`),
// with the build's paths made relative to the bundle by scripts/windows-test-bundle.sh.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"

namespace tarven::runner {

// CTest's limit for a test that sets none.
inline constexpr double default_timeout_seconds = 1500;

struct TestCase {
    std::string name;
    std::vector<std::string> command;  // the program (relative to the bundle), then its arguments
    double timeout_seconds = default_timeout_seconds;
    std::vector<std::string> environment;  // "NAME=value", added to the runner's own
    std::string working_directory;         // relative to the bundle; empty: the bundle itself
    // The runner runs one test at a time, so every lock is always held by the test that names it.
    std::vector<std::string> resource_locks;
    std::vector<std::string> skip_regular_expressions;  // output that marks the test not run
    std::optional<int> skip_return_code;                // an exit code that does the same
};

// The tests of a json-v1 document, in its order. A document that is not one, or a test without
// a name or a command, is a failure that says where.
Result<std::vector<TestCase>> parse_test_list(std::string_view json);

}  // namespace tarven::runner
