#include "surroundings_win.h"

namespace tarven::test {

bool under_wine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool windows_can_be_made() {
    const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                          ::GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) return false;
    ::DestroyWindow(window);
    return true;
}

}  // namespace tarven::test
