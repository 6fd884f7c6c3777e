// The test bundle's runner ends a test (in a job, with all it started) that outlives its limit:
// otherwise one hung test would hold the whole run on a machine nobody watches.
#include <gtest/gtest.h>

#include <chrono>

#include "run_case_win.h"
#include "test_paths_win.h"

namespace tarven::runner {
namespace {

TEST(RunCase, EndsATestAtItsLimit) {
    const std::wstring standin = test::standin_exe();
    TestCase test;
    test.name = "sleeps";
    test.command = {"tarven-standin.exe"};
    test.timeout_seconds = 2;
    test.environment = {"TARVEN_STANDIN=child-at-once,sleeper"};  // a child, then sleeps for ever
    const auto started = std::chrono::steady_clock::now();
    const Ending ending = run_case(test, standin.substr(0, standin.find_last_of(L'\\')));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(ending.timed_out);
    EXPECT_EQ(ending.exit_code, 1u);
    EXPECT_LT(took, std::chrono::seconds(15)) << "the runner waited on past the limit";
    EXPECT_EQ(judge(test, ending).detail, "ended at its time limit of 2 s");
}

}  // namespace
}  // namespace tarven::runner
