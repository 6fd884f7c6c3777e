#pragma once
// One test's program run the way CTest runs it: its environment and working folder, its output
// shown as it comes, ended with everything it started at its time limit.
#include <string>

#include "test_list.h"
#include "test_outcome.h"

namespace tarven::runner {

// `bundle` is the folder the list's paths are relative to. The test also gets
// TARVEN_TEST_BUNDLE=<bundle>, which the test programs read to find what they use.
Ending run_case(const TestCase& test, const std::wstring& bundle);

}  // namespace tarven::runner
