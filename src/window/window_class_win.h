#pragma once
// Registering the launcher's window classes.
#include <windows.h>

namespace tarven {

struct WindowClass {
    const wchar_t* name = nullptr;
    WNDPROC procedure = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
};

// Registers the class for this executable; 0, or the system's error code. A caller registers
// each class once (a function-local static), since a class outlives every window of it.
[[nodiscard]] DWORD register_window_class(const WindowClass& window_class);

}  // namespace tarven
