// The help window on a display: its attributes at creation, its sizes at the DPI the test runs at
// (TARVEN_WINE_DPI, 96 when unset), its close request, its size follower and its drop target.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

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

TEST_F(HelpWindowTest, ResizingCallsTheFollowerWithTheNewClientArea) {
    std::vector<RECT> sizes;
    window_->on_client_resized([&](RECT client) { sizes.push_back(client); });
    ::SetWindowPos(hwnd_, nullptr, 0, 0, 900, 800, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().left, 0);
    EXPECT_EQ(sizes.back().top, 0);
    expect_size(SIZE{sizes.back().right, sizes.back().bottom}, client_size(hwnd_));
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

TEST_F(HelpWindowTest, ShowsHidesAndComesToTheFrontOnlyWhenShown) {
    window_->set_visible(true);
    EXPECT_TRUE(::IsWindowVisible(hwnd_));

    // Another window takes the front; focus brings the help window back.
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                         nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    ::SetForegroundWindow(other);
    ASSERT_EQ(::GetForegroundWindow(), other);
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
