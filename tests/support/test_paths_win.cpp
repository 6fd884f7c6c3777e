#include "test_paths_win.h"

#include "base/wide_win.h"

namespace tarven::test {

std::wstring windows_path(const char* host_path) {
    std::wstring path = widen(host_path);
    if (!path.empty() && path.front() == L'/') path.insert(0, L"Z:");
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    return path;
}

std::wstring standin_exe() { return windows_path(TARVEN_STANDIN_EXE); }

}  // namespace tarven::test
