#pragma once
// The full path of this process's executable.
#include <string>

namespace tarven {

// Whatever its length; empty when the system cannot say.
std::wstring executable_path();

}  // namespace tarven
