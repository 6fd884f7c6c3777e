#include "window/window_class_win.h"

namespace tarven {

DWORD register_window_class(const WindowClass& window_class) {
    WNDCLASSEXW registration{};
    registration.cbSize = sizeof registration;
    registration.lpfnWndProc = window_class.procedure;
    registration.hInstance = ::GetModuleHandleW(nullptr);
    registration.hIcon = window_class.icon;
    registration.hCursor = window_class.cursor;
    registration.hbrBackground = window_class.background;
    registration.lpszClassName = window_class.name;
    return ::RegisterClassExW(&registration) != 0 ? DWORD{0} : ::GetLastError();
}

}  // namespace tarven
