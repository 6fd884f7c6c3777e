#pragma once
// The help window's title bar, light or dark as the user's apps are.
#include <windows.h>

#include <functional>

#include "window/app_theme.h"

namespace tarven {

// DwmSetWindowAttribute's shape: the one way the title bar's theme is set, so tests can watch it.
using WindowAttributeSetter = std::function<HRESULT(HWND, DWORD attribute, const void* value, DWORD size)>;

// DwmSetWindowAttribute of the system's dwmapi.dll, loaded on first use from the system folder
// only (it is no KnownDLL, so a copy beside the launcher would be taken otherwise). Where the
// library or the function is missing, every call fails and the title bar stays as it is.
WindowAttributeSetter system_window_attribute_setter();

// The user's app theme now: AppsUseLightTheme under HKCU's personalisation key.
AppTheme current_app_theme();

// Sets the title bar's dark mode on or off, trying each number the attribute has had.
void apply_title_bar_theme(HWND hwnd, AppTheme theme, const WindowAttributeSetter& set_attribute);

}  // namespace tarven
