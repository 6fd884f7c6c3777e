#pragma once
// Registering the launcher's window classes, and finding a window's owner from its procedure.
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

// The object a window belongs to, for its window procedure: the last argument its creator gave
// CreateWindowExW, kept in the window's user data from WM_NCCREATE on. Null for the messages
// before that, and after `forget_window_owner`.
template <class Owner>
Owner* window_owner(HWND hwnd, UINT message, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<Owner*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// From here on the window's messages reach no owner: for an owner about to go before its window.
inline void forget_window_owner(HWND hwnd) { ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0); }

}  // namespace tarven
