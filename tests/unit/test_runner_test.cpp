// The Windows test runner's reading of CTest's list and its verdicts.
#include <gtest/gtest.h>

#include "test_list.h"
#include "test_outcome.h"

namespace tarven::runner {
namespace {

constexpr const char* two_tests = R"({"kind": "ctestInfo", "version": {"major": 1, "minor": 0}, "tests": [
  {"name": "win.quit_test", "command": ["tests/win/quit_test.exe"],
   "properties": [{"name": "TIMEOUT", "value": 300.0}, {"name": "WORKING_DIRECTORY", "value": "tests/win"},
                  {"name": "ENVIRONMENT", "value": ["A=1", "B=x=y"]}, {"name": "RESOURCE_LOCK", "value": ["r"]},
                  {"name": "SKIP_REGULAR_EXPRESSION", "value": ["\\[  SKIPPED \\]"]},
                  {"name": "SKIP_RETURN_CODE", "value": 77}, {"name": "LABELS", "value": ["l"]}]},
  {"name": "e2e.Case", "command": ["tests/e2e/t.exe", "--gtest_filter=Case"]}]})";

TEST(TestList, TakesWhatTheRunnerNeedsAndDefaultsTheRest) {
    const auto tests = parse_test_list(two_tests);
    ASSERT_TRUE(tests) << tests.error();
    ASSERT_EQ(tests.value().size(), 2u);
    const TestCase& quit = tests.value()[0];
    EXPECT_EQ(quit.timeout_seconds, 300);
    EXPECT_EQ(quit.working_directory, "tests/win");
    EXPECT_EQ(quit.environment, (std::vector<std::string>{"A=1", "B=x=y"}));
    EXPECT_EQ(quit.resource_locks, std::vector<std::string>{"r"});
    EXPECT_EQ(quit.skip_return_code, 77);
    const TestCase& other = tests.value()[1];
    EXPECT_EQ(other.command, (std::vector<std::string>{"tests/e2e/t.exe", "--gtest_filter=Case"}));
    EXPECT_EQ(other.timeout_seconds, default_timeout_seconds);
    EXPECT_TRUE(other.working_directory.empty());
    EXPECT_FALSE(other.skip_return_code);
}

TEST(TestList, RefusesWhatIsNoList) {
    for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
             {"{", "the test list is not JSON"},
             {R"({"kind": "other", "tests": []})", "the test list is not CTest's json-v1"},
             {R"({"kind": "ctestInfo", "tests": [{"name": "a", "command": []}]})",
              "test 1 of the list: an empty command"},
             {R"({"kind": "ctestInfo", "tests": [{"name": "a", "command": ["a.exe"], "properties":
                  [{"name": "SKIP_REGULAR_EXPRESSION", "value": ["[unclosed"]}]}]})",
              "test 1 of the list: "},
         }) {
        const auto tests = parse_test_list(text);
        ASSERT_FALSE(tests) << text;
        EXPECT_EQ(tests.error().substr(0, message.size()), message) << tests.error();
    }
}

TEST(TestOutcome, JudgesAsCTestDoes) {
    TestCase test;
    test.timeout_seconds = 30;
    test.skip_regular_expressions = {"\\[  SKIPPED \\]"};
    test.skip_return_code = 77;
    const std::string skipped =
        "t.cpp:12: Skipped\r\nneeds Wine: the explorer.exe stand-in\r\n[  SKIPPED ] A.B (0 ms)\r\n";
    struct Row {
        Ending ending;
        Verdict verdict;
        std::string detail;
    };
    for (const Row& row : std::vector<Row>{
             {{0, false, "[  PASSED  ] 1 test."}, Verdict::passed, ""},
             {{1, false, ""}, Verdict::failed, "exit code 1"},
             {{0, true, "[  PASSED  ]"}, Verdict::failed, "ended at its time limit of 30 s"},
             {{std::nullopt, false, "The system cannot find the file specified."},
              Verdict::failed,
              "it did not start: The system cannot find the file specified."},
             {{0, false, skipped}, Verdict::not_run, "needs Wine: the explorer.exe stand-in"},
             {{1, false, skipped}, Verdict::not_run, "needs Wine: the explorer.exe stand-in"},
             {{77, false, ""}, Verdict::not_run, "the test skipped itself"},
         }) {
        const Outcome outcome = judge(test, row.ending);
        EXPECT_EQ(outcome.verdict, row.verdict) << row.ending.output;
        EXPECT_EQ(outcome.detail, row.detail);
    }
}

TEST(TestOutcome, SummaryCountsEachVerdict) {
    Tally tally;
    for (const Verdict verdict : {Verdict::passed, Verdict::passed, Verdict::failed, Verdict::not_run})
        tally.count(verdict);
    EXPECT_EQ(summary_line(tally), "2 passed, 1 failed, 1 not run");
}

}  // namespace
}  // namespace tarven::runner
