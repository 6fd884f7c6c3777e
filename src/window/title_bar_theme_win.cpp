#include "window/title_bar_theme_win.h"

#include <cstdint>
#include <optional>

#include "base/procedure_win.h"
#include "base/unique_resource_win.h"

namespace tarven {
namespace {

using DwmSetWindowAttributeFunction = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);

// Loaded once and kept: the setter may be called whenever the theme changes.
DwmSetWindowAttributeFunction find_dwm_set_window_attribute() {
    static const unique_hmodule dwmapi(::LoadLibraryExW(L"dwmapi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
    if (!dwmapi) return nullptr;
    return find_procedure<DwmSetWindowAttributeFunction>(dwmapi.get(), "DwmSetWindowAttribute");
}

std::optional<std::uint32_t> apps_use_light_theme() {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                       L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

}  // namespace

WindowAttributeSetter system_window_attribute_setter() {
    return [](HWND hwnd, DWORD attribute, const void* value, DWORD size) {
        const auto set = find_dwm_set_window_attribute();
        return set != nullptr ? set(hwnd, attribute, value, size) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    };
}

AppTheme current_app_theme() { return app_theme_from(apps_use_light_theme()); }

void apply_title_bar_theme(HWND hwnd, AppTheme theme, const WindowAttributeSetter& set_attribute) {
    const BOOL dark = theme == AppTheme::dark ? TRUE : FALSE;
    for (const std::uint32_t attribute : dark_title_bar_attributes) {
        if (SUCCEEDED(set_attribute(hwnd, attribute, &dark, sizeof dark))) return;
    }
}

}  // namespace tarven
