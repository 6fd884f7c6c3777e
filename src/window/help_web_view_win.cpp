#include "window/help_web_view_win.h"

#include <functional>
#include <optional>
#include <utility>

#include "base/os_error_win.h"
#include "base/wide_win.h"
#include "window/com_object_win.h"
#include "window/web_view_host_objects_win.h"
#include "window/status_page.h"
#include "window/webview2_abi_win.h"
#include "window/webview_runtime_rules.h"
#include "window/webview_runtime_win.h"

namespace tarven {
namespace {

using namespace webview2;

constexpr wchar_t our_browser_arguments[] =
    L"--disable-features=msWebOOUI,msPdfOOUI,msSmartScreenProtection --autoplay-policy=no-user-gesture-required";

// Lets a page post a message to the host through window.ipc; the host drops every message.
constexpr wchar_t initialization_script[] =
    L"Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
    L"window.chrome.webview.postMessage(s) }) });";

constexpr COREWEBVIEW2_COLOR background_colour{255, 11, 18, 32};  // #0b1220, the status pages' dark

constexpr wchar_t child_window_class[] = L"TarvenHelpWebView";

// Posted to the web view's child window: close the web view once the runtime's handler returned.
constexpr UINT close_request_message = WM_APP + 1;

std::string failure_text(const char* what, HRESULT result) {
    return std::string("couldn't ") + what + " (" + hresult_text(static_cast<std::uint32_t>(result)) + ")";
}

// The user's UI language as a locale name ("en-US", or a neutral "de"); none when unknown.
std::optional<std::wstring> user_language() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID locale = MAKELCID(::GetUserDefaultUILanguage(), SORT_DEFAULT);
    const int length = ::LCIDToLocaleName(locale, name, LOCALE_NAME_MAX_LENGTH, LOCALE_ALLOW_NEUTRAL_NAMES);
    if (length <= 1) return std::nullopt;
    return std::wstring(name, static_cast<std::size_t>(length - 1));
}

// --- Waiting while the thread's messages flow ------------------------------------------------

// Runs the thread's messages until `done` holds; the runtime's completions come through them.
// A WM_QUIT ends the wait unfinished and is posted again for the event loop.
bool pump_messages_until(const std::function<bool()>& done) {
    MSG msg{};
    while (!done()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) return false;
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return true;
}

template <class Interface>
struct Completion {
    bool done = false;
    HRESULT result = E_PENDING;
    ComPtr<Interface> object;
};

constexpr char interrupted_text[] = "the web view's creation was cut short by the end of the run";

// --- The web view ----------------------------------------------------------------------------

// The COM apartment of the main thread, for as long as the web view lives; an apartment that was
// already there is fine.
class ComApartment {
public:
    ComApartment() = default;
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (entered_) ::CoUninitialize();
    }
    HRESULT enter() {
        const HRESULT result = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        entered_ = SUCCEEDED(result);
        return result;
    }

private:
    bool entered_ = false;
};

class WebView final : public HelpWebView {
public:
    explicit WebView(HelpWindow& window) : window_(window) {}
    WebView(const WebView&) = delete;
    WebView& operator=(const WebView&) = delete;
    ~WebView() override { close(); }

    Status load_url(std::string_view url) override {
        if (!web_view_) return fail("the web view is closed");
        const HRESULT result = web_view_->Navigate(widen(url).c_str());
        if (FAILED(result)) return fail(failure_text("start the navigation", result));
        return {};
    }

    Status load_html(std::string_view html) override {
        if (!web_view_) return fail("the web view is closed");
        const HRESULT result = web_view_->NavigateToString(widen(html).c_str());
        if (FAILED(result)) return fail(failure_text("load the page", result));
        return {};
    }

    void close() override {
        window_.on_client_resized({});
        if (controller_) controller_->Close();
        web_view_.Reset();
        controller_.Reset();
        environment_.Reset();
        if (child_ != nullptr) {
            ::SetWindowLongPtrW(child_, GWLP_USERDATA, 0);
            ::DestroyWindow(std::exchange(child_, nullptr));
        }
    }

    Status create(const std::wstring& user_data_folder, std::shared_ptr<SharedPort> shared_port, EventLoopProxy proxy);

private:
    Status create_environment(const std::wstring& user_data_folder);
    Status create_child_window();
    Status create_controller();
    Status apply_settings();
    Status register_handlers(std::shared_ptr<SharedPort> shared_port, EventLoopProxy proxy);
    void follow_window_size();

    static LRESULT CALLBACK child_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept;

    ComApartment apartment_;  // first in, last out: everything below is released before it
    HelpWindow& window_;
    HWND child_ = nullptr;
    ComPtr<ICoreWebView2Environment> environment_;
    ComPtr<ICoreWebView2Controller> controller_;
    ComPtr<ICoreWebView2> web_view_;
};

Status WebView::create(const std::wstring& user_data_folder, std::shared_ptr<SharedPort> shared_port,
                       EventLoopProxy proxy) {
    if (const HRESULT result = apartment_.enter(); FAILED(result)) {
        return fail("COM could not be started on the main thread: " +
                    render_os_error(static_cast<unsigned long>(result)));
    }
    if (auto status = create_environment(user_data_folder); !status) return status;
    if (auto status = create_child_window(); !status) return status;
    if (auto status = create_controller(); !status) return status;
    if (auto status = apply_settings(); !status) return status;
    if (auto status = register_handlers(std::move(shared_port), proxy); !status) return status;
    return load_html(render_status_page(std::nullopt));
}

Status WebView::create_environment(const std::wstring& user_data_folder) {
    auto location = find_webview_runtime();
    if (!location) return fail(location.error());
    auto runtime = load_webview_runtime(location.value());
    if (!runtime) return fail(runtime.error());

    const auto options =
        EnvironmentOptions::make(browser_arguments_with_overrides(our_browser_arguments), user_language());
    const auto completion = std::make_shared<Completion<ICoreWebView2Environment>>();
    const auto handler = EnvironmentCompleted::make([completion](HRESULT result, ICoreWebView2Environment* created) {
        completion->done = true;
        completion->result = SUCCEEDED(result) && created == nullptr ? E_POINTER : result;
        if (SUCCEEDED(completion->result)) completion->object = created;
    });
    if (auto status =
            start_environment_creation(runtime.value(), user_data_folder,
                                       static_cast<ICoreWebView2EnvironmentOptions*>(options.Get()), handler.Get());
        !status) {
        return status;
    }
    if (!pump_messages_until([&] { return completion->done; })) return fail(interrupted_text);
    if (FAILED(completion->result)) {
        return fail(environment_failure_text(static_cast<std::uint32_t>(completion->result)));
    }
    environment_ = completion->object;
    return {};
}

LRESULT CALLBACK WebView::child_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    if (message == close_request_message) {
        // A page script asked to close the window: the web view goes, the help window stays.
        if (auto* view = reinterpret_cast<WebView*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA))) view->close();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

Status WebView::create_child_window() {
    static const DWORD class_error = [] {
        WNDCLASSEXW window_class{};
        window_class.cbSize = sizeof window_class;
        window_class.lpfnWndProc = child_procedure;
        window_class.hInstance = ::GetModuleHandleW(nullptr);
        window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        // Lives as long as the class, which is the process.
        window_class.hbrBackground =
            ::CreateSolidBrush(RGB(background_colour.R, background_colour.G, background_colour.B));
        window_class.lpszClassName = child_window_class;
        return ::RegisterClassExW(&window_class) != 0 ? DWORD{0} : ::GetLastError();
    }();
    if (class_error != 0) return fail("couldn't make the web view's window: " + render_os_error(class_error));

    RECT client{};
    ::GetClientRect(window_.hwnd(), &client);
    child_ = ::CreateWindowExW(0, child_window_class, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                               client.right - client.left, client.bottom - client.top, window_.hwnd(), nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (child_ == nullptr) return fail("couldn't make the web view's window: " + render_os_error(::GetLastError()));
    ::SetWindowLongPtrW(child_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return {};
}

Status WebView::create_controller() {
    const auto completion = std::make_shared<Completion<ICoreWebView2Controller>>();
    const auto handler = ControllerCompleted::make([completion](HRESULT result, ICoreWebView2Controller* created) {
        completion->done = true;
        completion->result = SUCCEEDED(result) && created == nullptr ? E_POINTER : result;
        // Our own reference: a controller that loses its last one closes.
        if (SUCCEEDED(completion->result)) completion->object = created;
    });
    const HRESULT started = environment_->CreateCoreWebView2Controller(child_, handler.Get());
    if (FAILED(started)) return fail(controller_failure_text(static_cast<std::uint32_t>(started)));
    if (!pump_messages_until([&] { return completion->done; })) return fail(interrupted_text);
    if (FAILED(completion->result))
        return fail(controller_failure_text(static_cast<std::uint32_t>(completion->result)));
    controller_ = completion->object;

    const HRESULT reached = controller_->get_CoreWebView2(web_view_.GetAddressOf());
    if (FAILED(reached) || !web_view_)
        return fail(failure_text("reach the web view", FAILED(reached) ? reached : E_POINTER));
    follow_window_size();
    return {};
}

void WebView::follow_window_size() {
    const auto fit = [this](RECT client) {
        const int width = client.right - client.left;
        const int height = client.bottom - client.top;
        ::MoveWindow(child_, 0, 0, width, height, TRUE);
        controller_->put_Bounds(RECT{0, 0, width, height});
    };
    RECT client{};
    ::GetClientRect(window_.hwnd(), &client);
    fit(client);
    window_.on_client_resized(fit);
}

// One call of the runtime that can fail, named for the failure's text.
struct Step {
    const char* what;
    std::function<HRESULT()> run;
};

Status run_steps(std::initializer_list<Step> steps) {
    for (const auto& step : steps) {
        if (const HRESULT result = step.run(); FAILED(result)) return fail(failure_text(step.what, result));
    }
    return {};
}

// Each setting only where the runtime has the interface that holds it; a missing one is skipped.
// AreBrowserAcceleratorKeysEnabled (Settings3) stays as the runtime has it.
Status WebView::apply_settings() {
    ComPtr<ICoreWebView2Settings> settings;
    if (const HRESULT result = web_view_->get_Settings(settings.GetAddressOf()); FAILED(result) || !settings) {
        return fail(failure_text("reach the web view's settings", FAILED(result) ? result : E_POINTER));
    }
    const auto settings4 = query_interface<ICoreWebView2Settings4>(settings.Get());
    const auto settings5 = query_interface<ICoreWebView2Settings5>(settings.Get());
    const auto settings6 = query_interface<ICoreWebView2Settings6>(settings.Get());
    const auto settings9 = query_interface<ICoreWebView2Settings9>(settings.Get());
    const auto controller2 = query_interface<ICoreWebView2Controller2>(controller_.Get());
    const auto skipped = [] { return S_OK; };
    return run_steps({
        {"turn off the status bar", [&] { return settings->put_IsStatusBarEnabled(FALSE); }},
        {"turn on context menus", [&] { return settings->put_AreDefaultContextMenusEnabled(TRUE); }},
        {"turn off zoom keys", [&] { return settings->put_IsZoomControlEnabled(FALSE); }},
        {"turn off developer tools", [&] { return settings->put_AreDevToolsEnabled(FALSE); }},
        {"turn on scripts", [&] { return settings->put_IsScriptEnabled(TRUE); }},
        {"turn on autofill",
         settings4 ? std::function<HRESULT()>([&] { return settings4->put_IsGeneralAutofillEnabled(TRUE); }) : skipped},
        {"turn off pinch zoom",
         settings5 ? std::function<HRESULT()>([&] { return settings5->put_IsPinchZoomEnabled(FALSE); }) : skipped},
        {"turn off swipe navigation",
         settings6 ? std::function<HRESULT()>([&] { return settings6->put_IsSwipeNavigationEnabled(FALSE); })
                   : skipped},
        {"turn on non-client regions",
         settings9 ? std::function<HRESULT()>([&] { return settings9->put_IsNonClientRegionSupportEnabled(TRUE); })
                   : skipped},
        // Dark until the first page paints, like the status pages.
        {"set the web view's background colour", controller2 ? std::function<HRESULT()>([&] {
             return controller2->put_DefaultBackgroundColor(background_colour);
         })
                                                             : skipped},
    });
}

// The URL as the web view reports it, in UTF-8; none when it cannot be read or is ill-formed.
std::optional<std::string> navigation_target(ICoreWebView2NavigationStartingEventArgs* args) {
    LPWSTR uri = nullptr;
    if (args == nullptr || FAILED(args->get_Uri(&uri)) || uri == nullptr) return std::nullopt;
    std::optional<std::string> url = narrow(uri);
    ::CoTaskMemFree(uri);
    return url;
}

Status WebView::register_handlers(std::shared_ptr<SharedPort> shared_port, EventLoopProxy proxy) {
    const HWND child = child_;
    EventRegistrationToken token{};
    const auto navigation =
        NavigationStarting::make([shared_port](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            const auto url = navigation_target(args);
            if (args != nullptr && (!url || !navigation_allowed(*url, shared_port->get()))) args->put_Cancel(TRUE);
        });
    const auto new_window =
        NewWindowRequested::make([](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
            if (args != nullptr) args->put_Handled(TRUE);  // no window, here or in a browser
        });
    const auto loading = ContentLoading::make([](ICoreWebView2*, ICoreWebView2ContentLoadingEventArgs*) {});
    const auto completed =
        NavigationCompleted::make([proxy](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*) {
            (void)proxy.post(HelpEvent::reveal());  // whether the page loaded or not
        });
    const auto close_requested = WindowCloseRequested::make([child](ICoreWebView2*, IUnknown*) {
        // Not inside the runtime's handler: the controller closes once the handler has returned.
        ::PostMessageW(child, close_request_message, 0, 0);
    });
    const auto message = WebMessageReceived::make([](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*) {});
    const auto script_added = ScriptAdded::make([](HRESULT, LPCWSTR) {});
    return run_steps({
        {"watch the web view's navigations",
         [&] { return web_view_->add_NavigationStarting(navigation.Get(), &token); }},
        {"watch the web view's new windows",
         [&] { return web_view_->add_NewWindowRequested(new_window.Get(), &token); }},
        {"watch the web view's page loads", [&] { return web_view_->add_ContentLoading(loading.Get(), &token); }},
        {"watch the web view's page loads",
         [&] { return web_view_->add_NavigationCompleted(completed.Get(), &token); }},
        {"watch the web view's close requests",
         [&] { return web_view_->add_WindowCloseRequested(close_requested.Get(), &token); }},
        {"watch the web view's messages", [&] { return web_view_->add_WebMessageReceived(message.Get(), &token); }},
        {"add the web view's initialization script",
         [&] { return web_view_->AddScriptToExecuteOnDocumentCreated(initialization_script, script_added.Get()); }},
    });
}

}  // namespace

Result<std::unique_ptr<HelpWebView>> create_help_web_view(HelpWindow& window, const std::wstring& user_data_folder,
                                                          std::shared_ptr<SharedPort> shared_port,
                                                          EventLoopProxy proxy) {
    auto view = std::make_unique<WebView>(window);
    // On failure the view's destruction undoes what was made: the window is left as it was.
    if (auto status = view->create(user_data_folder, std::move(shared_port), std::move(proxy)); !status) {
        return fail(status.error());
    }
    return std::unique_ptr<HelpWebView>(std::move(view));
}

}  // namespace tarven
