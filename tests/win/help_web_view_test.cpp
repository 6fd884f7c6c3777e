// The help window's web view on a display, against the fake WebView2 runtime: what the launcher
// asks of the runtime (browser arguments, language, user data folder, settings, background,
// script, starting page), how it follows the window (size, moves, minimising, focus), how its
// handlers answer navigations, new windows and a page's close request, and what a failure leaves
// behind.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "message_pump_support_win.h"
#include "base/wide_win.h"
#include "fake_runtime_support_win.h"
#include "surroundings_win.h"
#include "window/event_loop_win.h"
#include "window/help_web_view_win.h"
#include "window/help_window_win.h"

namespace tarven {
namespace {

using test::pump_until;

using namespace std::chrono_literals;
using test::RuntimeScope;

constexpr wchar_t child_class[] = L"TarvenHelpWebView";

// Wine reuses process ids from run to run; the clock tells runs apart.
std::wstring unique_stamp() {
    FILETIME now{};
    ::GetSystemTimePreciseAsFileTime(&now);
    return std::to_wstring(::GetCurrentProcessId()) + L"-" +
           std::to_wstring((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
}

std::wstring scratch_folder() {
    static int count = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    const std::wstring folder = std::wstring(temp, ::GetTempPathW(MAX_PATH + 1, temp)) + L"help-web-view-test-" +
                                unique_stamp() + L"-" + std::to_wstring(++count);
    ::CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::string client_bounds(HWND hwnd) {
    RECT client{};
    ::GetClientRect(hwnd, &client);
    return "bounds 0 0 " + std::to_string(client.right - client.left) + " " +
           std::to_string(client.bottom - client.top);
}

class HelpWebViewTest : public testing::Test {
protected:
    void SetUp() override {
        auto created = create_help_window(loop_);
        ASSERT_TRUE(created.ok()) << created.error();
        window_ = std::move(created).value();
        root_ = scratch_folder();
        user_data_ = root_ + L"\\webview";
    }

    void install(RuntimeScope scope, std::wstring switches = {}) {
        auto installed = test::install_fake_runtime(root_, scope, switches);
        ASSERT_TRUE(installed.ok()) << installed.error();
        runtime_ = std::move(installed).value();
    }

    Result<std::unique_ptr<HelpWebView>> create() {
        return create_help_web_view(*window_, user_data_, shared_port_, loop_.proxy());
    }

    std::unique_ptr<HelpWebView> create_ok() {
        auto created = create();
        EXPECT_TRUE(created.ok()) << created.error();
        return created.ok() ? std::move(created).value() : nullptr;
    }

    test::FakeLog log() const { return test::read_fake_log(runtime_->log_path()); }

    // Pumps until the record holds a line that begins with `prefix`.
    bool logged(std::string_view prefix, std::chrono::milliseconds limit = 10s) {
        return pump_until([&] { return log().find(prefix).has_value(); }, limit);
    }

    HWND child_window() const { return ::FindWindowExW(window_->hwnd(), nullptr, child_class, nullptr); }

    // The help events the web view has posted so far, in order.
    std::vector<HelpEvent::Kind> posted_events() {
        (void)loop_.proxy().post(HelpEvent::ended());  // marks the end of what is queued
        std::vector<HelpEvent::Kind> kinds;
        loop_.run([&](const LoopEvent& event, LoopControl& control) {
            const auto* help = std::get_if<HelpEvent>(&event);
            if (help == nullptr) return;
            if (help->kind == HelpEvent::Kind::Ended) return control.end_with(0);
            kinds.push_back(help->kind);
        });
        return kinds;
    }

    EventLoop loop_ = EventLoop::create();
    std::unique_ptr<HelpWindow> window_;
    std::wstring root_, user_data_;
    std::shared_ptr<SharedPort> shared_port_ = std::make_shared<SharedPort>();
    std::unique_ptr<test::FakeRuntime> runtime_;
};

// Cases that register the fake in the registry, which only a Wine prefix may have written to it.
class HelpWebViewRegistered : public HelpWebViewTest {
protected:
    void SetUp() override {
        TARVEN_REQUIRE_WINE("it registers the fake runtime in the registry");
        HelpWebViewTest::SetUp();
    }
};

TEST_F(HelpWebViewRegistered, AsksTheInstalledRuntimeForTheEnvironmentItNeeds) {
    install(RuntimeScope::per_user);
    const auto view = create_ok();
    ASSERT_TRUE(view);
    const auto record = log();

    EXPECT_TRUE(record.has("create-environment runtime-type=0 user-data-folder=" + narrow_lossy(user_data_)));
    EXPECT_TRUE(
        record.has("browser-arguments: --disable-features=msWebOOUI,msPdfOOUI,msSmartScreenProtection "
                   "--autoplay-policy=no-user-gesture-required"));

    wchar_t language[LOCALE_NAME_MAX_LENGTH] = {};
    ASSERT_GT(::LCIDToLocaleName(MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT), language, LOCALE_NAME_MAX_LENGTH,
                                 LOCALE_ALLOW_NEUTRAL_NAMES),
              1);
    EXPECT_TRUE(record.has("language: " + narrow_lossy(language)));

    const auto target = record.starting_with("target-version: ");
    ASSERT_EQ(target.size(), 1u);
    EXPECT_NE(target[0].find_first_of("0123456789"), std::string::npos) << target[0];
    EXPECT_EQ(target[0].find("(null)"), std::string::npos);
}

TEST_F(HelpWebViewTest, SetsUpTheWebViewAndLoadsTheStartingPage) {
    install(RuntimeScope::fixed_version);
    const auto view = create_ok();
    ASSERT_TRUE(view);
    const auto record = log();

    for (const char* setting :
         {"setting IsStatusBarEnabled=0", "setting AreDefaultContextMenusEnabled=1", "setting IsZoomControlEnabled=0",
          "setting AreDevToolsEnabled=0", "setting IsScriptEnabled=1", "setting IsGeneralAutofillEnabled=1",
          "setting IsPinchZoomEnabled=0", "setting IsSwipeNavigationEnabled=0",
          "setting IsNonClientRegionSupportEnabled=1"}) {
        EXPECT_TRUE(record.has(setting)) << setting;
    }
    // Left as the runtime has it; web messages and the rest keep their defaults too.
    EXPECT_TRUE(record.starting_with("setting AreBrowserAcceleratorKeysEnabled").empty());
    EXPECT_TRUE(record.starting_with("setting IsWebMessageEnabled").empty());

    EXPECT_TRUE(record.has("background 255 11 18 32"));
    EXPECT_TRUE(
        record.has("script: Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
                   "window.chrome.webview.postMessage(s) }) });"));
    EXPECT_TRUE(record.has(client_bounds(window_->hwnd())));
    // The first page starts only once the script is registered, or it would run without it.
    EXPECT_TRUE(record.in_order(
        {"controller-created", "setting ", "background ", "script: ", "script-added ", "navigate-to-string "}));
    ASSERT_EQ(record.starting_with("navigate-to-string ").size(), 1u);
    EXPECT_TRUE(record.has("navigate-to-string starting-page"));
}

TEST_F(HelpWebViewTest, RevealsTheWindowWhenTheStartingPageHasLoaded) {
    install(RuntimeScope::fixed_version);
    const auto view = create_ok();
    ASSERT_TRUE(view);
    ASSERT_TRUE(logged("navigation-completed "));
    EXPECT_EQ(posted_events(), std::vector<HelpEvent::Kind>{HelpEvent::Kind::Reveal});
}

TEST_F(HelpWebViewTest, CancelsNavigationsOutsideTheHelpAndOpensNoWindow) {
    install(RuntimeScope::fixed_version, L"new-window=https://example.com/popup");
    const auto view = create_ok();
    ASSERT_TRUE(view);
    ASSERT_TRUE(logged("new-window-requested "));
    EXPECT_TRUE(log().has("new-window-requested https://example.com/popup handled=1"));

    // Without a port only the launcher's own pages pass.
    ASSERT_TRUE(view->load_url("http://127.0.0.1:80/desk/help").ok());
    ASSERT_TRUE(logged("navigation-starting http://127.0.0.1:80/desk/help "));
    EXPECT_TRUE(log().find("navigation-starting http://127.0.0.1:80/desk/help cancelled=1").has_value());

    shared_port_->set(80);
    ASSERT_TRUE(view->load_url("https://example.com/").ok());
    ASSERT_TRUE(view->load_url("http://127.0.0.1:80/desk/help?topic=1").ok());
    ASSERT_TRUE(logged("navigation-starting http://127.0.0.1:80/desk/help?topic=1 "));
    const auto record = log();
    EXPECT_TRUE(record.find("navigation-starting https://example.com/ cancelled=1").has_value());
    EXPECT_TRUE(record.find("navigation-starting http://127.0.0.1:80/desk/help?topic=1 cancelled=0").has_value());
}

TEST_F(HelpWebViewTest, LoadsHtmlItIsGiven) {
    install(RuntimeScope::fixed_version);
    const auto view = create_ok();
    ASSERT_TRUE(view);
    ASSERT_TRUE(view->load_html("<!DOCTYPE html>\n<p>other page</p>").ok());
    EXPECT_EQ(log().starting_with("navigate-to-string ").size(), 2u);
}

TEST_F(HelpWebViewTest, FollowsTheWindowUntilItIsClosed) {
    install(RuntimeScope::fixed_version);
    auto view = create_ok();
    ASSERT_TRUE(view);
    ASSERT_NE(child_window(), nullptr);
    const HWND hwnd = window_->hwnd();

    ::SetWindowPos(hwnd, nullptr, 0, 0, 900, 800, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    const std::string resized = client_bounds(hwnd);
    ASSERT_TRUE(logged(resized)) << resized;
    ::SetWindowPos(hwnd, nullptr, 25, 35, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_TRUE(log().has("parent-moved"));

    // Activated, the window hands the keyboard to the page (programmatic reason), every time.
    window_->set_visible(true);
    EXPECT_TRUE(log().starting_with("move-focus").empty()) << "shown without being activated";
    window_->focus();
    EXPECT_EQ(log().starting_with("move-focus 0").size(), 1u);
    const HWND other = ::CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 200,
                                         nullptr, nullptr, nullptr, nullptr);
    ::SetForegroundWindow(other);
    ::SetForegroundWindow(hwnd);
    EXPECT_EQ(log().starting_with("move-focus 0").size(), 2u);
    ::DestroyWindow(other);

    ::ShowWindow(hwnd, SW_MINIMIZE);
    ::ShowWindow(hwnd, SW_RESTORE);
    EXPECT_TRUE(log().in_order({"visible 0", "visible 1"}));

    view->close();
    EXPECT_TRUE(log().has("controller-close"));
    EXPECT_EQ(child_window(), nullptr);
    EXPECT_TRUE(::IsWindow(window_->hwnd()));
    const auto lines_before = log().lines.size();
    ::SetWindowPos(hwnd, nullptr, 50, 50, 700, 700, SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetFocus(hwnd);
    EXPECT_EQ(log().lines.size(), lines_before);

    const auto after_close = view->load_url("http://127.0.0.1:80/desk/help");
    EXPECT_FALSE(after_close.ok());
}

TEST_F(HelpWebViewTest, APagesCloseRequestTakesOnlyTheWebViewAway) {
    install(RuntimeScope::fixed_version, L"close-from-script");
    const auto view = create_ok();
    ASSERT_TRUE(view);
    ASSERT_TRUE(logged("window-close-requested"));
    ASSERT_TRUE(logged("controller-close"));
    EXPECT_EQ(child_window(), nullptr);
    EXPECT_TRUE(::IsWindow(window_->hwnd()));
    // The help window hears nothing of it: no close request reaches the loop.
    const auto events = posted_events();
    EXPECT_EQ(std::count(events.begin(), events.end(), HelpEvent::Kind::Reveal), 1);
}

TEST_F(HelpWebViewTest, FailuresSayWhatFailedAndLeaveTheWindowAsItWas) {
    const struct {
        const wchar_t* switches;
        const char* text;
    } cases[] = {
        {L"fail-environment-call", "couldn't create the web view's environment (HRESULT 0x80004005)"},
        {L"fail-environment", "couldn't create the web view's environment (HRESULT 0x80004005)"},
        {L"fail-controller", "couldn't create the web view's controller (HRESULT 0x80004005)"},
        {L"fail-script", "couldn't add the web view's initialization script (HRESULT 0x80004005)"},
    };
    for (const auto& c : cases) {
        root_ = scratch_folder();  // the runtime library before stays loaded where it is
        install(RuntimeScope::fixed_version, c.switches);
        const auto created = create();
        ASSERT_FALSE(created.ok()) << narrow_lossy(c.switches);
        EXPECT_EQ(created.error(), c.text);
        EXPECT_EQ(child_window(), nullptr);
        runtime_.reset();
    }
}

TEST_F(HelpWebViewTest, FailsWithoutARuntime) {
    const auto created = create();
    ASSERT_FALSE(created.ok());
    EXPECT_EQ(created.error(), "the WebView2 runtime is not installed");
}

}  // namespace
}  // namespace tarven
