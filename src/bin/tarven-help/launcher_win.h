#pragma once
#include <string>
#include <vector>

namespace tarven {

// Whether one argument is exactly the switch that chooses the smoke run.
bool is_smoke_test_switch(const std::wstring& argument);

// Reads the command line and runs the smoke run or the normal run; returns the exit code.
int run_launcher();

}  // namespace tarven
