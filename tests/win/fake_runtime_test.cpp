// The fake WebView2 runtime as the launcher meets it: installed by the test helper, found through
// the EdgeUpdate registry value, loaded by full path, and driven through its environment,
// controller and web view on an STA thread whose messages are pumped. The launcher's own tests
// use it for everything else; here it only has to hold up its side and its record.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "message_pump_support_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "fake_runtime_support_win.h"
#include "process_support_win.h"
#include "surroundings_win.h"
#include "window/com_object_win.h"
#include "window/webview2_abi_win.h"

namespace tarven {
namespace {

using test::pump_until;

using namespace std::chrono_literals;
using test::RuntimeScope;
namespace wv = webview2;

std::optional<std::wstring> registered_folder(HKEY root, REGSAM view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(root, test::webview2_client_state_key, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const unique_hkey owner(key);
    wchar_t buffer[1024];
    DWORD size = sizeof buffer;
    if (::RegGetValueW(key, nullptr, L"EBWebView", RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(buffer);
}

class EnvironmentHandler final
    : public ComObject<EnvironmentHandler, wv::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, wv::ICoreWebView2Environment* given) noexcept override {
        ++calls;
        error = result;
        environment = given;
        return S_OK;
    }
    int calls = 0;
    HRESULT error = S_OK;
    ComPtr<wv::ICoreWebView2Environment> environment;
};

class ControllerHandler final
    : public ComObject<ControllerHandler, wv::ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT result, wv::ICoreWebView2Controller* given) noexcept override {
        ++calls;
        error = result;
        controller = given;
        return S_OK;
    }
    int calls = 0;
    HRESULT error = S_OK;
    ComPtr<wv::ICoreWebView2Controller> controller;
};

// Cancels every navigation whose URL holds "outside".
class StartingHandler final : public ComObject<StartingHandler, wv::ICoreWebView2NavigationStartingEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(wv::ICoreWebView2*,
                                     wv::ICoreWebView2NavigationStartingEventArgs* args) noexcept override {
        LPWSTR uri = nullptr;
        if (FAILED(args->get_Uri(&uri))) return S_OK;
        if (std::wstring(uri).find(L"outside") != std::wstring::npos) (void)args->put_Cancel(TRUE);
        ::CoTaskMemFree(uri);
        return S_OK;
    }
};

class CompletedHandler final : public ComObject<CompletedHandler, wv::ICoreWebView2NavigationCompletedEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(wv::ICoreWebView2*,
                                     wv::ICoreWebView2NavigationCompletedEventArgs* args) noexcept override {
        BOOL success = FALSE;
        wv::COREWEBVIEW2_WEB_ERROR_STATUS status{};
        (void)args->get_IsSuccess(&success);
        (void)args->get_WebErrorStatus(&status);
        outcomes.push_back(success ? 0 : static_cast<int>(status));
        return S_OK;
    }
    std::vector<int> outcomes;  // 0 for success, else the error status
};

class NewWindowHandler final : public ComObject<NewWindowHandler, wv::ICoreWebView2NewWindowRequestedEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(wv::ICoreWebView2*,
                                     wv::ICoreWebView2NewWindowRequestedEventArgs* args) noexcept override {
        return args->put_Handled(TRUE);
    }
};

class CloseHandler final : public ComObject<CloseHandler, wv::ICoreWebView2WindowCloseRequestedEventHandler> {
public:
    HRESULT STDMETHODCALLTYPE Invoke(wv::ICoreWebView2*, IUnknown*) noexcept override {
        ++calls;
        return S_OK;
    }
    int calls = 0;
};

class FakeRuntimeTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))); }

    void install(RuntimeScope scope, const std::wstring& switches = L"",
                 const std::wstring& version = std::wstring(test::fake_runtime_default_version)) {
        auto installed = test::install_fake_runtime(scratch_.path(), scope, switches, version);
        ASSERT_TRUE(installed.ok()) << installed.error();
        runtime_ = std::move(installed).value();
    }

    // What the launcher does with a registered runtime: the value's folder, the client library
    // in it by full path, and its entry.
    void load_from(HKEY root, REGSAM view) {
        const auto folder = registered_folder(root, view);
        ASSERT_TRUE(folder.has_value());
        const std::wstring dll = *folder + L"\\EBWebView\\x64\\EmbeddedBrowserWebView.dll";
        library_.reset(
            ::LoadLibraryExW(dll.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
        ASSERT_TRUE(library_.valid()) << ::GetLastError();
        create_ = reinterpret_cast<wv::CreateWebViewEnvironmentWithOptionsInternal*>(
            reinterpret_cast<void*>(::GetProcAddress(library_.get(), "CreateWebViewEnvironmentWithOptionsInternal")));
        ASSERT_NE(create_, nullptr);
    }

    // A fixed-version runtime: the DLL in its folder, by full path.
    void load_directly() {
        library_.reset(::LoadLibraryExW(runtime_->dll().c_str(), nullptr,
                                        LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32));
        ASSERT_TRUE(library_.valid()) << ::GetLastError();
        create_ = reinterpret_cast<wv::CreateWebViewEnvironmentWithOptionsInternal*>(
            reinterpret_cast<void*>(::GetProcAddress(library_.get(), "CreateWebViewEnvironmentWithOptionsInternal")));
        ASSERT_NE(create_, nullptr);
    }

    // Environment, controller in a hidden window (as the launcher's is until its first page has
    // loaded), web view and its handlers, in the launcher's order.
    void make_web_view() {
        const auto environment_done = EnvironmentHandler::make();
        ASSERT_EQ(create_(true, wv::WebView2RunTimeType::installed, scratch_.entry(L"webview").c_str(), nullptr,
                          environment_done.Get()),
                  S_OK);
        ASSERT_TRUE(pump_until([&] { return environment_done->calls > 0; }));
        ASSERT_TRUE(environment_done->environment);
        parent_ = ::CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 300, 300, nullptr, nullptr,
                                    nullptr, nullptr);
        ASSERT_NE(parent_, nullptr) << "no display: " << ::GetLastError();
        const auto controller_done = ControllerHandler::make();
        ASSERT_EQ(environment_done->environment->CreateCoreWebView2Controller(parent_, controller_done.Get()), S_OK);
        ASSERT_TRUE(pump_until([&] { return controller_done->calls > 0; }));
        ASSERT_EQ(controller_done->error, S_OK);
        controller_ = controller_done->controller;
        ASSERT_EQ(controller_->get_CoreWebView2(view_.GetAddressOf()), S_OK);
        EventRegistrationToken token{};
        ASSERT_EQ(view_->add_NavigationStarting(StartingHandler::make().Get(), &token), S_OK);
        ASSERT_EQ(view_->add_NavigationCompleted(completed_.Get(), &token), S_OK);
        ASSERT_EQ(view_->add_NewWindowRequested(NewWindowHandler::make().Get(), &token), S_OK);
        ASSERT_EQ(view_->add_WindowCloseRequested(close_requests_.Get(), &token), S_OK);
    }

    void TearDown() override {
        if (controller_) (void)controller_->Close();
        view_.Reset();
        controller_.Reset();
        if (parent_ != nullptr) ::DestroyWindow(parent_);
        // Unloaded only once the runtime allows it, as its loader does: until then windows and
        // queued work of its own run its code.
        if (library_) {
            const auto can_unload = reinterpret_cast<HRESULT(STDMETHODCALLTYPE*)()>(
                reinterpret_cast<void*>(::GetProcAddress(library_.get(), "DllCanUnloadNow")));
            ASSERT_NE(can_unload, nullptr);
            if (!pump_until([&] { return can_unload() == S_OK; }, 2s)) (void)library_.release();
        }
        ::CoUninitialize();
    }

    test::FakeLog log() const { return test::read_fake_log(runtime_->log_path()); }

    test::ScratchFolder scratch_{L"fake webview2"};
    std::unique_ptr<test::FakeRuntime> runtime_;
    unique_hmodule library_;
    wv::CreateWebViewEnvironmentWithOptionsInternal* create_ = nullptr;
    HWND parent_ = nullptr;
    ComPtr<wv::ICoreWebView2Controller> controller_;
    ComPtr<wv::ICoreWebView2> view_;
    ComPtr<CompletedHandler> completed_ = CompletedHandler::make();
    ComPtr<CloseHandler> close_requests_ = CloseHandler::make();
};

// Cases that register the fake in the registry, which only a Wine prefix may have written to it.
class FakeRuntimeRegistered : public FakeRuntimeTest {
protected:
    void SetUp() override {
        TARVEN_REQUIRE_WINE("it registers the fake runtime in the registry");
        FakeRuntimeTest::SetUp();
    }
};

TEST_F(FakeRuntimeRegistered, PerUserInstallIsFoundAndAnswersOnTheThreadsMessages) {
    install(RuntimeScope::per_user);
    ASSERT_EQ(registered_folder(HKEY_CURRENT_USER, 0), runtime_->folder());
    ASSERT_NO_FATAL_FAILURE(load_from(HKEY_CURRENT_USER, 0));

    const std::wstring user_data = scratch_.entry(L"webview");
    const auto handler = EnvironmentHandler::make();
    ASSERT_EQ(create_(true, wv::WebView2RunTimeType::installed, user_data.c_str(), nullptr, handler.Get()), S_OK);
    EXPECT_EQ(handler->calls, 0) << "the completion must not come inside the call";
    ASSERT_TRUE(pump_until([&] { return handler->calls > 0; }));
    ASSERT_EQ(handler->error, S_OK);
    ASSERT_TRUE(handler->environment);

    LPWSTR version = nullptr;
    ASSERT_EQ(handler->environment->get_BrowserVersionString(&version), S_OK);
    EXPECT_EQ(std::wstring(version), std::wstring(test::fake_runtime_default_version));
    ::CoTaskMemFree(version);
    EXPECT_NE(::GetFileAttributesW(user_data.c_str()), INVALID_FILE_ATTRIBUTES) << "the user data folder is made";

    const test::FakeLog record = log();
    EXPECT_TRUE(record.has("create-environment runtime-type=0 user-data-folder=" + narrow_lossy(user_data)));
    EXPECT_TRUE(record.has("runtime-dll " + narrow_lossy(runtime_->dll())));
    EXPECT_TRUE(record.in_order({"create-environment", "options: none", "environment-created"}));
}

TEST_F(FakeRuntimeRegistered, NavigationsRunInOrderAndACancelledOneEndsWithOperationCanceled) {
    install(RuntimeScope::per_user);
    ASSERT_NO_FATAL_FAILURE(load_from(HKEY_CURRENT_USER, 0));
    ASSERT_NO_FATAL_FAILURE(make_web_view());
    const auto controller2 = query_interface<wv::ICoreWebView2Controller2>(controller_.Get());
    ASSERT_TRUE(controller2);
    ASSERT_EQ(controller2->put_DefaultBackgroundColor({255, 11, 18, 32}), S_OK);
    EXPECT_EQ(controller2->put_DefaultBackgroundColor({128, 11, 18, 32}), E_INVALIDARG);
    ComPtr<wv::ICoreWebView2Settings> settings;
    ASSERT_EQ(view_->get_Settings(settings.GetAddressOf()), S_OK);
    const auto settings9 = query_interface<wv::ICoreWebView2Settings9>(settings.Get());
    ASSERT_TRUE(settings9);
    ASSERT_EQ(settings9->put_IsNonClientRegionSupportEnabled(TRUE), S_OK);

    ASSERT_EQ(view_->NavigateToString(L"<h1>Starting Tarven Help\u2026</h1>"), S_OK);
    ASSERT_EQ(view_->Navigate(L"https://outside.example/"), S_OK);
    ASSERT_TRUE(pump_until([&] { return completed_->outcomes.size() == 2; }));
    EXPECT_EQ(completed_->outcomes, (std::vector<int>{0, wv::COREWEBVIEW2_WEB_ERROR_STATUS_OPERATION_CANCELED}));

    ASSERT_EQ(controller_->Close(), S_OK);
    EXPECT_EQ(view_->Navigate(L"about:blank"), HRESULT_FROM_WIN32(ERROR_INVALID_STATE));

    const test::FakeLog record = log();
    EXPECT_TRUE(record.has("create-controller parent-visible=0"));
    EXPECT_TRUE(record.has("background 255 11 18 32"));
    EXPECT_TRUE(record.has("background-refused 128 11 18 32"));
    EXPECT_TRUE(record.has("setting IsNonClientRegionSupportEnabled=1"));
    EXPECT_TRUE(record.in_order({"navigate-to-string starting-page", "navigate https://outside.example/",
                                 "navigation-starting data:text/html;charset=utf-8;base64,... cancelled=0 "
                                 "window-visible=0",
                                 "content-loading data:", "navigation-completed data:",
                                 "navigation-starting https://outside.example/ cancelled=1",
                                 "navigation-failed https://outside.example/ status=14", "controller-close"}))
        << testing::PrintToString(record.lines);
}

TEST_F(FakeRuntimeTest, ThePageAsksForWhatTheSwitchesSayAfterItsFirstLoad) {
    install(RuntimeScope::fixed_version,
            L"navigate-outside=https://outside.example/,new-window=https://popup.example/,close-from-script");
    ASSERT_NO_FATAL_FAILURE(load_directly());
    ASSERT_NO_FATAL_FAILURE(make_web_view());
    ASSERT_EQ(view_->Navigate(L"http://127.0.0.1:8080/desk/help"), S_OK);
    ASSERT_TRUE(pump_until([&] { return completed_->outcomes.size() == 2 && close_requests_->calls == 1; }));

    const test::FakeLog record = log();
    EXPECT_TRUE(record.in_order({"navigation-completed http://127.0.0.1:8080/desk/help",
                                 "new-window-requested https://popup.example/ handled=1", "window-close-requested",
                                 "navigation-starting https://outside.example/ cancelled=1 window-visible=0",
                                 "navigation-failed https://outside.example/ status=14"}))
        << testing::PrintToString(record.lines);
}

TEST_F(FakeRuntimeTest, WithNoCompleteNavigationsStartButNeverComplete) {
    install(RuntimeScope::fixed_version, L"no-complete");
    ASSERT_NO_FATAL_FAILURE(load_directly());
    ASSERT_NO_FATAL_FAILURE(make_web_view());
    ASSERT_EQ(view_->NavigateToString(L"<p>one</p>"), S_OK);
    ASSERT_EQ(view_->Navigate(L"http://127.0.0.1:8080/desk/help"), S_OK);
    EXPECT_TRUE(pump_until([&] { return log().has("content-loading http://127.0.0.1:8080/desk/help"); }));
    EXPECT_FALSE(pump_until([&] { return !completed_->outcomes.empty(); }, 500ms));
    EXPECT_TRUE(log().starting_with("navigation-completed").empty());
}

TEST_F(FakeRuntimeTest, FailureSwitchesFailTheCompletionOrTheCallItself) {
    install(RuntimeScope::fixed_version, L"fail-environment");
    ASSERT_EQ(test::environment_value(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"), runtime_->folder());
    ASSERT_NO_FATAL_FAILURE(load_directly());

    const auto failed = EnvironmentHandler::make();
    ASSERT_EQ(create_(true, wv::WebView2RunTimeType::fixed_version, nullptr, nullptr, failed.Get()), S_OK);
    ASSERT_TRUE(pump_until([&] { return failed->calls > 0; }));
    EXPECT_EQ(failed->error, E_FAIL);
    EXPECT_FALSE(failed->environment);

    const test::EnvironmentOverride call_fails(L"FAKE_WEBVIEW2", L"fail-environment-call");
    const auto never = EnvironmentHandler::make();
    EXPECT_EQ(create_(true, wv::WebView2RunTimeType::fixed_version, nullptr, nullptr, never.Get()), E_FAIL);
    EXPECT_FALSE(pump_until([&] { return never->calls > 0; }, 300ms));

    const test::FakeLog record = log();
    EXPECT_EQ(record.starting_with("create-environment runtime-type=1 user-data-folder=(null)").size(), 2u);
    EXPECT_EQ(record.starting_with("environment-failed 0x80004005").size(), 2u);
}

// The guard must leave the shared prefix as it found it, or tests beside this one would see a
// runtime that is not there.
TEST_F(FakeRuntimeRegistered, PerMachineInstallUsesThe32BitViewAndIsUndoneByItsGuard) {
    test::RegistryValueGuard earlier(HKEY_CURRENT_USER, 0, test::webview2_client_state_key, L"EBWebView");
    ASSERT_TRUE(earlier.set(L"C:\\earlier").ok());
    {
        install(RuntimeScope::per_machine, L"", L"120.0.1.2");
        EXPECT_EQ(registered_folder(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY), runtime_->folder());
        EXPECT_EQ(registered_folder(HKEY_CURRENT_USER, 0), L"C:\\earlier");
        ASSERT_NO_FATAL_FAILURE(load_from(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY));
        library_.reset();
        runtime_.reset();
    }
    EXPECT_EQ(registered_folder(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY), std::nullopt);
    EXPECT_EQ(registered_folder(HKEY_CURRENT_USER, 0), L"C:\\earlier");
}

}  // namespace
}  // namespace tarven
