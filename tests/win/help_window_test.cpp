// The help window on a display: its attributes at creation, its sizes at the DPI the test runs at
// (TARVEN_WINE_DPI, 96 when unset), its title bar's theme, its close request, what it tells its
// follower, its activation and its drop target.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "registry_support_win.h"
#include "surroundings_win.h"
#include "window/help_window_win.h"

namespace tarven {
namespace {

struct ExpectedSizes {
    UINT dpi;
    SIZE client;
    SIZE min_client;
};

ExpectedSizes expected_sizes() {
    const char* dpi = std::getenv("TARVEN_WINE_DPI");
    if (dpi != nullptr && std::string(dpi) == "144") return {144, {720, 960}, {540, 630}};
    return {96, {480, 640}, {360, 420}};
}

SIZE client_size(HWND hwnd) {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    return SIZE{client.right - client.left, client.bottom - client.top};
}

void expect_size(SIZE actual, SIZE expected) {
    EXPECT_EQ(actual.cx, expected.cx);
    EXPECT_EQ(actual.cy, expected.cy);
}

class HelpWindowTest : public testing::Test {
protected:
    void SetUp() override {
        // The sizes are those of one DPI: Wine's prefix is set to it, a real machine must be at it.
        const UINT system_dpi = ::GetDpiForSystem();
        TARVEN_REQUIRE(system_dpi == expected_sizes().dpi, "needs a system at " + std::to_string(expected_sizes().dpi) +
                                                               " dpi (this one is at " + std::to_string(system_dpi) +
                                                               ")");
        auto created = create_help_window(loop_);
        ASSERT_TRUE(created.ok()) << created.error();
        window_ = std::move(created).value();
        hwnd_ = window_->hwnd();
    }

    EventLoop loop_ = EventLoop::create();
    std::unique_ptr<HelpWindow> window_;
    HWND hwnd_ = nullptr;
};

TEST_F(HelpWindowTest, IsCreatedHiddenWithItsTitleFrameAndIcon) {
    EXPECT_FALSE(::IsWindowVisible(hwnd_));
    wchar_t title[64] = {};
    ::GetWindowTextW(hwnd_, title, 64);
    EXPECT_STREQ(title, L"Tarven Help");
    const auto style = static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_STYLE));
    EXPECT_EQ(style & WS_OVERLAPPEDWINDOW, DWORD{WS_OVERLAPPEDWINDOW});
    EXPECT_FALSE(::IsZoomed(hwnd_));
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(hwnd_, GWL_EXSTYLE)) & (WS_EX_TOPMOST | WS_EX_LAYERED), 0u);

    // Icon resource 1 of this program, at the system's default icon size.
    const auto icon = reinterpret_cast<HICON>(::GetClassLongPtrW(hwnd_, GCLP_HICON));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP bitmap{};
    ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(SM_CXICON));
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
}

// The window is created at the system's default size and sized afterwards for the DPI of the
// monitor it opened on. Wine gives every monitor the system DPI, so a second monitor of another
// DPI cannot be had here; the run at 144 dpi shows the sizing from the window's own DPI.
TEST_F(HelpWindowTest, ClientAreaIsItsLogicalSizeAtTheMonitorsDpi) {
    const ExpectedSizes expected = expected_sizes();
    EXPECT_EQ(::GetDpiForWindow(hwnd_), expected.dpi);
    expect_size(client_size(hwnd_), expected.client);
}

TEST_F(HelpWindowTest, CannotBeMadeSmallerThanItsMinimumButLarger) {
    const ExpectedSizes expected = expected_sizes();
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    expect_size(client_size(hwnd_), expected.min_client);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 1200, 1000, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_GT(client_size(hwnd_).cx, expected.client.cx);
}

// What the window told its follower, one entry per call ("resized <w> <h>", "minimised 1", ...).
class RecordingFollower final : public WindowFollower {
public:
    void client_resized(RECT client) override {
        calls.push_back("resized " + std::to_string(client.right - client.left) + " " +
                        std::to_string(client.bottom - client.top));
    }
    void minimised(bool minimised) override { calls.push_back(minimised ? "minimised 1" : "minimised 0"); }
    void moved() override { calls.push_back("moved"); }
    void focused() override { calls.push_back("focused"); }

    bool heard(const std::string& call) const { return std::find(calls.begin(), calls.end(), call) != calls.end(); }
    std::vector<std::string> calls;
};

TEST_F(HelpWindowTest, TellsItsFollowerOfSizesMovesMinimisingAndFocus) {
    RecordingFollower follower;
    window_->follow(&follower);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 900, 800, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const SIZE client = client_size(hwnd_);
    EXPECT_EQ(follower.calls.back(), "resized " + std::to_string(client.cx) + " " + std::to_string(client.cy));

    follower.calls.clear();
    ::SetWindowPos(hwnd_, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(follower.calls, std::vector<std::string>{"moved"});

    // Shown and activated, the window hands its focus on, each time it is activated again.
    window_->set_visible(true);
    follower.calls.clear();
    window_->focus();
    EXPECT_TRUE(follower.heard("focused"));
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                         nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    follower.calls.clear();
    ::SetForegroundWindow(hwnd_);
    EXPECT_TRUE(follower.heard("focused"));
    ::DestroyWindow(other);

    follower.calls.clear();
    ::ShowWindow(hwnd_, SW_MINIMIZE);
    EXPECT_TRUE(follower.heard("minimised 1"));
    EXPECT_FALSE(follower.heard("resized 0 0"));
    follower.calls.clear();
    ::ShowWindow(hwnd_, SW_RESTORE);
    EXPECT_TRUE(follower.heard("minimised 0"));
    EXPECT_TRUE(follower.heard("resized " + std::to_string(client.cx) + " " + std::to_string(client.cy)));

    window_->follow(nullptr);
    follower.calls.clear();
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 700, 700, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(follower.calls.empty());
}

// The title bar's attribute calls, as DwmSetWindowAttribute would get them: "<attribute> <value>".
struct AttributeCalls {
    std::vector<std::string> calls;
    DWORD refused = 0;  // an attribute number this system does not know

    WindowAttributeSetter setter() {
        return [this](HWND, DWORD attribute, const void* value, DWORD size) {
            EXPECT_EQ(size, sizeof(BOOL));
            calls.push_back(std::to_string(attribute) + " " + std::to_string(*static_cast<const BOOL*>(value)));
            return attribute == refused ? E_INVALIDARG : S_OK;
        };
    }
};

TEST(HelpWindowTheme, TitleBarFollowsTheAppThemeAtCreationAndOnItsChange) {
    EventLoop loop = EventLoop::create();
    test::RegistryValueGuard light_theme(HKEY_CURRENT_USER, 0,
                                         L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                                         L"AppsUseLightTheme");
    ASSERT_TRUE(light_theme.set(DWORD{0}).ok());
    AttributeCalls attributes;
    auto created = create_help_window(loop, {}, attributes.setter());
    ASSERT_TRUE(created.ok()) << created.error();
    const HWND hwnd = created.value()->hwnd();
    EXPECT_EQ(attributes.calls, std::vector<std::string>{"20 1"});

    const struct {
        DWORD apps_use_light_theme;
        const wchar_t* area;
        DWORD refused;
        std::vector<std::string> calls;
    } changes[] = {
        {1, L"ImmersiveColorSet", 0, {"20 0"}},
        {0, L"ImmersiveColorSet", 0, {"20 1"}},
        {1, L"WindowsThemeElement", 0, {}},  // another setting: the title bar stays dark
        {1, nullptr, 0, {}},
        {1, L"ImmersiveColorSet", 20, {"20 0", "19 0"}},  // Windows 10 before 20H1
    };
    for (const auto& change : changes) {
        ASSERT_TRUE(light_theme.set(change.apps_use_light_theme).ok());
        attributes.calls.clear();
        attributes.refused = change.refused;
        ::SendMessageW(hwnd, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(change.area));
        EXPECT_EQ(attributes.calls, change.calls) << change.apps_use_light_theme;
    }

    // The system's own setter finds dwmapi.dll in the system folder; Wine takes the attribute
    // without effect and cannot report it back.
    const BOOL dark = TRUE;
    EXPECT_EQ(system_window_attribute_setter()(hwnd, 20, &dark, sizeof dark), S_OK);
}

TEST_F(HelpWindowTest, TakesTheSuggestedRectangleWhenItsDpiChanges) {
    RECT suggested{40, 50, 40 + 700, 50 + 900};
    ::SendMessageW(hwnd_, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    ::GetWindowRect(hwnd_, &now);
    EXPECT_EQ(now.left, 40);
    EXPECT_EQ(now.top, 50);
    EXPECT_EQ(now.right - now.left, 700);
    EXPECT_EQ(now.bottom - now.top, 900);
}

TEST_F(HelpWindowTest, CloseRequestReachesTheLoopAndLeavesTheWindowAlone) {
    // As the close button does it: the system command, which becomes WM_CLOSE.
    ::PostMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0);
    std::vector<LoopEvent> seen;
    const int code = loop_.run([&](const LoopEvent& event, LoopControl& control) {
        seen.push_back(event);
        control.end_with(0);
    });
    EXPECT_EQ(code, 0);
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_TRUE(std::holds_alternative<WindowEvent>(seen[0]));
    EXPECT_EQ(std::get<WindowEvent>(seen[0]), WindowEvent::CloseRequested);
    EXPECT_TRUE(::IsWindow(hwnd_));
}

TEST_F(HelpWindowTest, ShowsWithoutActivatingAndComesToTheFrontOnlyWhenShown) {
    // Another window is in front; showing the help window leaves it there, focus brings it forward.
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                         nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ::SetForegroundWindow(other);
    ASSERT_EQ(::GetForegroundWindow(), other);
    window_->set_visible(true);
    EXPECT_TRUE(::IsWindowVisible(hwnd_));
    EXPECT_EQ(::GetForegroundWindow(), other);
    EXPECT_NE(::GetActiveWindow(), hwnd_);
    window_->focus();
    EXPECT_EQ(::GetForegroundWindow(), hwnd_);

    // Hidden, it stays behind.
    window_->set_visible(false);
    EXPECT_FALSE(::IsWindowVisible(hwnd_));
    ::SetForegroundWindow(other);
    window_->focus();
    EXPECT_EQ(::GetForegroundWindow(), other);
    ::DestroyWindow(other);
}

TEST_F(HelpWindowTest, RefusesEveryDrop) {
    // The registered target, as OLE keeps it for the window.
    auto* target = static_cast<IDropTarget*>(::GetPropW(hwnd_, L"OleDropTargetInterface"));
    ASSERT_NE(target, nullptr);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(target->DragEnter(nullptr, MK_LBUTTON, POINTL{10, 10}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->DragOver(MK_LBUTTON, POINTL{12, 12}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
    effect = DROPEFFECT_COPY;
    EXPECT_EQ(target->Drop(nullptr, 0, POINTL{12, 12}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD{DROPEFFECT_NONE});
}

}  // namespace
}  // namespace tarven
