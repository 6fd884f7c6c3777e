#include "window/app_theme.h"

#include <string_view>

namespace tarven {

AppTheme app_theme_from(std::optional<std::uint32_t> apps_use_light_theme) {
    return apps_use_light_theme == 0u ? AppTheme::dark : AppTheme::light;
}

bool is_theme_change(const wchar_t* area) { return area != nullptr && std::wstring_view(area) == L"ImmersiveColorSet"; }

}  // namespace tarven
