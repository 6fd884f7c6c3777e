#pragma once
// Whether the user's apps are light or dark, as the system's personalisation setting says, and
// which setting change concerns it. The window's title bar follows it.
#include <array>
#include <cstdint>
#include <optional>

namespace tarven {

enum class AppTheme { light, dark };

// The value AppsUseLightTheme: 0 means dark; any other value, or none at all, light.
AppTheme app_theme_from(std::optional<std::uint32_t> apps_use_light_theme);

// A setting change names the area that changed; the light/dark choice is "ImmersiveColorSet".
bool is_theme_change(const wchar_t* area);

// The title bar's immersive dark mode attribute, newest number first: Windows 10 before 20H1
// knew it as 19.
inline constexpr std::array<std::uint32_t, 2> dark_title_bar_attributes{20, 19};

}  // namespace tarven
