// run-tests.exe: runs the Windows tests of a bundle (scripts/windows-test-bundle.sh) one at a
// time, as CTest would, and closes with "N passed, N failed, N not run".
//
//   run-tests.exe [-R REGEX] [--list FILE]
//
// The list is tests.json beside the program unless --list names another; -R runs only the tests
// whose names match. Exit code 0 when none failed, 1 when one did, 2 for a bad command line or list.
#include <windows.h>

#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "base/executable_path_win.h"
#include "base/small_file_win.h"
#include "base/wide_win.h"
#include "run_case_win.h"
#include "test_list.h"
#include "test_outcome.h"

namespace {

using namespace tarven;
using namespace tarven::runner;

struct Options {
    std::wstring list;
    std::string name_filter;
};

void say(const std::string& text) {
    std::fputs((text + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::wstring folder_of_program() {
    const std::wstring path = executable_path();
    return path.substr(0, path.find_last_of(L'\\'));
}

bool read_options(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (i + 1 == argc) return false;
        if (arg == L"-R") {
            options.name_filter = narrow_lossy(argv[++i]);
        } else if (arg == L"--list") {
            options.list = argv[++i];
        } else {
            return false;
        }
    }
    return true;
}

std::string verdict_word(Verdict verdict) {
    switch (verdict) {
        case Verdict::passed:
            return "passed";
        case Verdict::failed:
            return "FAILED";
        case Verdict::not_run:
            return "not run";
    }
    return {};
}

// The list's tests, those whose names match the filter when one is given.
Result<std::vector<TestCase>> load_tests(const Options& options) {
    const auto text = read_small_disk_file(options.list, 64 << 20);
    if (!text) return fail("couldn't read " + narrow_lossy(options.list));
    auto tests = parse_test_list(*text);
    if (!tests) return fail(narrow_lossy(options.list) + ": " + tests.error());
    if (options.name_filter.empty()) return tests;
    try {
        const std::regex filter(options.name_filter);
        std::erase_if(tests.value(), [&](const TestCase& test) { return !std::regex_search(test.name, filter); });
    } catch (const std::regex_error& error) {
        return fail("-R " + options.name_filter + ": not a regular expression (" + error.what() + ")");
    }
    return tests;
}

// Each test in turn, its verdict after it; at the end those that did not pass, with why.
Tally run_all(const std::vector<TestCase>& tests, const std::wstring& bundle) {
    Tally tally;
    std::vector<std::string> remarks;
    for (std::size_t i = 0; i < tests.size(); ++i) {
        const TestCase& test = tests[i];
        say("=== [" + std::to_string(i + 1) + "/" + std::to_string(tests.size()) + "] " + test.name);
        const auto began = ::GetTickCount64();
        const Outcome outcome = judge(test, run_case(test, bundle));
        char took[32];
        std::snprintf(took, sizeof took, " (%.1f s)", static_cast<double>(::GetTickCount64() - began) / 1000);
        const std::string detail = outcome.detail.empty() ? "" : ": " + outcome.detail;
        say("--- " + verdict_word(outcome.verdict) + detail + took);
        if (outcome.verdict != Verdict::passed)
            remarks.push_back(verdict_word(outcome.verdict) + ": " + test.name + detail);
        tally.count(outcome.verdict);
    }
    say("");
    for (const std::string& remark : remarks) say(remark);
    return tally;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!read_options(argc, argv, options)) {
        say("usage: run-tests.exe [-R REGEX] [--list FILE]");
        return 2;
    }
    const std::wstring bundle = folder_of_program();
    if (options.list.empty()) options.list = bundle + L"\\tests.json";
    const auto tests = load_tests(options);
    if (!tests) {
        say("run-tests: " + tests.error());
        return 2;
    }
    // Under Wine the first window of a prefix starts the prefix's desktop process. Started by a
    // test, it would be in that test's job and end with it; started here, it stays for them all.
    ::GetDesktopWindow();
    const Tally tally = run_all(tests.value(), bundle);
    say(summary_line(tally));
    return tally.failed == 0 ? 0 : 1;
}
