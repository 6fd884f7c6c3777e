#pragma once
// Paths of build outputs as a test program sees them: under Wine on the build machine, or in a
// test bundle (scripts/windows-test-bundle.sh) on any Windows machine.
#include <string>

namespace tarven::test {

// A path of the build tree ("/work/.../build/windows/...") where the program finds it: inside the
// bundle named by TARVEN_TEST_BUNDLE when that is set (the runner sets it), else as the build
// machine's path on Wine's Z: drive.
std::wstring windows_path(const char* host_path);

// The stand-in application that plays Tarven.exe.
std::wstring standin_exe();

}  // namespace tarven::test
