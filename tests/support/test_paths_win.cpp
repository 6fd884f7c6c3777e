#include "test_paths_win.h"

#include <cstdlib>
#include <string_view>

#include "base/wide_win.h"

namespace tarven::test {
namespace {

std::wstring with_backslashes(std::wstring path) {
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

}  // namespace

std::wstring windows_path(const char* host_path) {
    const std::string_view path = host_path;
    const std::string_view build = TARVEN_BUILD_DIR "/";
    const char* bundle = std::getenv("TARVEN_TEST_BUNDLE");
    if (bundle != nullptr && *bundle != '\0' && path.starts_with(build))
        return widen(bundle) + L'\\' + with_backslashes(widen(path.substr(build.size())));
    std::wstring windows = with_backslashes(widen(path));
    if (!windows.empty() && windows.front() == L'\\') windows.insert(0, L"Z:");
    return windows;
}

std::wstring standin_exe() { return windows_path(TARVEN_STANDIN_EXE); }

}  // namespace tarven::test
