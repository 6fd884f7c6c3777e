#include "window/app_theme.h"

#include <gtest/gtest.h>

namespace tarven {
namespace {

TEST(AppTheme, IsDarkOnlyWhenAppsAreSetNotToUseTheLightTheme) {
    EXPECT_EQ(app_theme_from(0u), AppTheme::dark);
    EXPECT_EQ(app_theme_from(1u), AppTheme::light);
    EXPECT_EQ(app_theme_from(std::nullopt), AppTheme::light);  // never changed: the system's light default
    EXPECT_EQ(app_theme_from(2u), AppTheme::light);
}

TEST(AppTheme, ChangesOnlyWithTheImmersiveColourSet) {
    EXPECT_TRUE(is_theme_change(L"ImmersiveColorSet"));
    EXPECT_FALSE(is_theme_change(nullptr));  // a change that names no area
    EXPECT_FALSE(is_theme_change(L"WindowsThemeElement"));
    EXPECT_FALSE(is_theme_change(L"ImmersiveColorSetX"));
    EXPECT_FALSE(is_theme_change(L""));
}

}  // namespace
}  // namespace tarven
