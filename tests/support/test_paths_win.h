#pragma once
// Paths of build outputs as a program under Wine sees them.
#include <string>

namespace tarven::test {

// A path of the build machine ("/work/...") as a Windows path on Wine's Z: drive.
std::wstring windows_path(const char* host_path);

// The stand-in application that plays Tarven.exe.
std::wstring standin_exe();

}  // namespace tarven::test
