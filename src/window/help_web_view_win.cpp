#include "window/help_web_view_win.h"

#include <functional>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "window/app_messages_win.h"
#include "window/browser_exit_win.h"
#include "window/com_object_win.h"
#include "window/web_view_host_objects_win.h"
#include "window/status_page.h"
#include "window/webview2_abi_win.h"
#include "window/webview_runtime_rules.h"
#include "window/webview_runtime_win.h"
#include "window/window_class_win.h"

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

Failure call_failed(const char* what, HRESULT result) {
    return fail(call_failure_text(what, static_cast<std::uint32_t>(result)));
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

constexpr char interrupted_text[] = "the web view's creation was cut short by the end of the run";

// Runs the thread's messages until `done` holds; the runtime's completions come through them.
// A WM_QUIT ends the wait unfinished, as interrupted, and is posted again (see take_waiting_quit).
Status pump_messages_until(const std::function<bool()>& done) {
    MSG msg{};
    while (!done()) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) return fail(interrupted_text);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return fail(interrupted_text, FailureKind::interrupted);
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return {};
}

// What a completion's result becomes when kept: our own reference to an object (a controller
// that loses its last one closes), or a copy of a string that the runtime owns.
template <class Object>
ComPtr<Object> keep(Object* object) {
    return ComPtr<Object>(object);
}
std::wstring keep(LPCWSTR text) { return std::wstring(text); }

template <class Handler>
struct CompletionOf;

template <class Interface, class Argument>
struct CompletionOf<Callback<Interface, HRESULT, Argument>> {
    using argument = Argument;
    using value = decltype(keep(std::declval<Argument>()));
};

// One asynchronous call of the runtime, awaited: `start` hands the runtime a completion handler
// of type Handler, then the thread's messages flow until the handler has run (the runtime
// completes through them). A call that fails to start is final; a missing result counts as
// E_POINTER. `what` names the call in the failure's text.
template <class Handler, class Start>
Result<typename CompletionOf<Handler>::value> await_completion(const char* what, Start start) {
    using Argument = typename CompletionOf<Handler>::argument;
    struct Outcome {
        bool done = false;
        HRESULT result = E_PENDING;
        typename CompletionOf<Handler>::value value{};
    };
    // The runtime may hold the handler past this wait.
    const auto outcome = std::make_shared<Outcome>();
    const auto handler = Handler::make([outcome](HRESULT result, Argument argument) {
        outcome->done = true;
        outcome->result = SUCCEEDED(result) && argument == nullptr ? E_POINTER : result;
        if (SUCCEEDED(outcome->result)) outcome->value = keep(argument);
    });
    if (const HRESULT started = start(handler.Get()); FAILED(started)) return call_failed(what, started);
    if (auto pumped = pump_messages_until([&] { return outcome->done; }); !pumped) return pumped.failure();
    if (FAILED(outcome->result)) return call_failed(what, outcome->result);
    return std::move(outcome->value);
}

// The first failure of a series of runtime calls, for the failure's text. The calls after it
// still run: each only sets something, and the failure ends the web view anyway.
class FirstFailure {
public:
    void note(const char* what, HRESULT result) {
        if (FAILED(result) && what_ == nullptr) {
            what_ = what;
            result_ = result;
        }
    }
    Status status() const {
        if (what_ == nullptr) return {};
        return call_failed(what_, result_);
    }

private:
    const char* what_ = nullptr;
    HRESULT result_ = S_OK;
};

// --- The web view ----------------------------------------------------------------------------

class WebView final : public HelpWebView, private WindowFollower {
public:
    explicit WebView(HelpWindow& window) : window_(window) {}
    WebView(const WebView&) = delete;
    WebView& operator=(const WebView&) = delete;
    // A web view that failed to come about may have started its browser process all the same.
    ~WebView() override {
        close();
        let_browser_exit(durations::browser_exit_wait);
    }

    Status load_url(std::string_view url) override {
        if (!web_view_) return fail("the web view is closed");
        const HRESULT result = web_view_->Navigate(widen(url).c_str());
        if (FAILED(result)) return call_failed("start the navigation", result);
        return {};
    }

    Status load_html(std::string_view html) override {
        if (!web_view_) return fail("the web view is closed");
        const HRESULT result = web_view_->NavigateToString(widen(html).c_str());
        if (FAILED(result)) return call_failed("load the page", result);
        return {};
    }

    void close() override {
        window_.follow(nullptr);
        if (environment_ && !browser_exit_)
            browser_exit_ = std::make_unique<BrowserExit>(environment_.Get(), web_view_.Get());
        remove_handlers();
        if (controller_) controller_->Close();
        web_view_.Reset();
        controller_.Reset();
        environment_.Reset();
        if (child_ != nullptr) {
            forget_window_owner(child_);
            ::DestroyWindow(std::exchange(child_, nullptr));
        }
    }

    void let_browser_exit(durations::Duration limit) override {
        if (browser_exit_) browser_exit_->wait(limit);
        browser_exit_.reset();
    }

    Status create(const std::wstring& user_data_folder, std::shared_ptr<SharedPort> shared_port, EventLoopProxy proxy);

private:
    Status create_environment(const std::wstring& user_data_folder);
    Status create_child_window();
    Status create_controller();
    Status apply_settings();
    Status register_handlers(std::shared_ptr<SharedPort> shared_port, EventLoopProxy proxy);
    Status add_initialization_script();

    // A handler registered with the web view, and how it is removed again.
    using RemoveHandler = HRESULT (STDMETHODCALLTYPE ICoreWebView2::*)(EventRegistrationToken);
    struct Registration {
        RemoveHandler remove;
        EventRegistrationToken token;
    };

    // Registers `handler` through `add`, keeping its token for `remove_handlers`.
    template <class Handler>
    void watch(FirstFailure& failure, const char* what,
               HRESULT (STDMETHODCALLTYPE ICoreWebView2::*add)(Handler*, EventRegistrationToken*), RemoveHandler remove,
               std::type_identity_t<Handler>* handler) {
        EventRegistrationToken token{};
        const HRESULT result = (web_view_.Get()->*add)(handler, &token);
        failure.note(what, result);
        if (SUCCEEDED(result)) registrations_.push_back({remove, token});
    }

    // Before the controller closes: the runtime lets go of our handlers, and of what they hold.
    void remove_handlers() {
        for (const Registration& registration : registrations_)
            (void)(web_view_.Get()->*registration.remove)(registration.token);
        registrations_.clear();
    }

    // Following the help window, from the controller's creation until `close`.
    void client_resized(RECT client) override {
        const int width = client.right - client.left;
        const int height = client.bottom - client.top;
        ::MoveWindow(child_, 0, 0, width, height, TRUE);
        controller_->put_Bounds(RECT{0, 0, width, height});
    }
    void minimised(bool minimised) override { controller_->put_IsVisible(minimised ? FALSE : TRUE); }
    void moved() override { controller_->NotifyParentWindowPositionChanged(); }
    void focused() override { controller_->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC); }

    static LRESULT CALLBACK child_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept;

    HelpWindow& window_;  // its OLE apartment outlives everything below
    HWND child_ = nullptr;
    ComPtr<ICoreWebView2Environment> environment_;
    ComPtr<ICoreWebView2Controller> controller_;
    ComPtr<ICoreWebView2> web_view_;
    std::vector<Registration> registrations_;    // of web_view_
    std::unique_ptr<BrowserExit> browser_exit_;  // from `close` until the browser process has gone
};

Status WebView::create(const std::wstring& user_data_folder, std::shared_ptr<SharedPort> shared_port,
                       EventLoopProxy proxy) {
    if (auto status = create_environment(user_data_folder); !status) return status;
    if (auto status = create_child_window(); !status) return status;
    if (auto status = create_controller(); !status) return status;
    if (auto status = apply_settings(); !status) return status;
    if (auto status = register_handlers(std::move(shared_port), proxy); !status) return status;
    if (auto status = add_initialization_script(); !status) return status;
    return load_html(render_status_page(std::nullopt));
}

Status WebView::create_environment(const std::wstring& user_data_folder) {
    auto location = find_webview_runtime();
    if (!location) return fail(location.error());
    auto runtime = load_webview_runtime(location.value());
    if (!runtime) return fail(runtime.error());

    const auto options =
        EnvironmentOptions::make(browser_arguments_with_overrides(our_browser_arguments), user_language());
    auto environment = await_completion<EnvironmentCompleted>("create the web view's environment", [&](auto* done) {
        return start_environment_creation(runtime.value(), user_data_folder,
                                          static_cast<ICoreWebView2EnvironmentOptions*>(options.Get()), done);
    });
    if (!environment) return environment.failure();
    environment_ = std::move(environment).value();
    return {};
}

LRESULT CALLBACK WebView::child_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    WebView* view = window_owner<WebView>(hwnd, message, lparam);
    if (message == web_view_close_message) {
        // A page script asked to close the window: the web view goes, the help window stays.
        if (view != nullptr) view->close();
        return 0;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

Status WebView::create_child_window() {
    // The brush lives as long as the class, which is the process.
    static const DWORD class_error = register_window_class({
        child_window_class,
        child_procedure,
        nullptr,
        ::LoadCursorW(nullptr, IDC_ARROW),
        ::CreateSolidBrush(RGB(background_colour.R, background_colour.G, background_colour.B)),
    });
    if (class_error != 0) return fail("couldn't make the web view's window: " + render_os_error(class_error));

    RECT client{};
    ::GetClientRect(window_.hwnd(), &client);
    child_ = ::CreateWindowExW(0, child_window_class, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                               client.right - client.left, client.bottom - client.top, window_.hwnd(), nullptr,
                               ::GetModuleHandleW(nullptr), this);
    if (child_ == nullptr) return fail("couldn't make the web view's window: " + render_os_error(::GetLastError()));
    return {};
}

Status WebView::create_controller() {
    auto controller = await_completion<ControllerCompleted>("create the web view's controller", [&](auto* done) {
        return environment_->CreateCoreWebView2Controller(child_, done);
    });
    if (!controller) return controller.failure();
    controller_ = std::move(controller).value();

    const HRESULT reached = controller_->get_CoreWebView2(web_view_.GetAddressOf());
    if (FAILED(reached) || !web_view_) return call_failed("reach the web view", FAILED(reached) ? reached : E_POINTER);
    RECT client{};
    ::GetClientRect(window_.hwnd(), &client);
    client_resized(client);
    window_.follow(this);
    return {};
}

// Each setting only where the runtime has the interface that holds it; a missing one is skipped.
// AreBrowserAcceleratorKeysEnabled (Settings3) stays as the runtime has it.
Status WebView::apply_settings() {
    ComPtr<ICoreWebView2Settings> settings;
    if (const HRESULT result = web_view_->get_Settings(settings.GetAddressOf()); FAILED(result) || !settings) {
        return call_failed("reach the web view's settings", FAILED(result) ? result : E_POINTER);
    }
    FirstFailure failure;
    failure.note("turn off the status bar", settings->put_IsStatusBarEnabled(FALSE));
    failure.note("turn on context menus", settings->put_AreDefaultContextMenusEnabled(TRUE));
    failure.note("turn off zoom keys", settings->put_IsZoomControlEnabled(FALSE));
    failure.note("turn off developer tools", settings->put_AreDevToolsEnabled(FALSE));
    failure.note("turn on scripts", settings->put_IsScriptEnabled(TRUE));
    if (const auto settings4 = query_interface<ICoreWebView2Settings4>(settings.Get()))
        failure.note("turn on autofill", settings4->put_IsGeneralAutofillEnabled(TRUE));
    if (const auto settings5 = query_interface<ICoreWebView2Settings5>(settings.Get()))
        failure.note("turn off pinch zoom", settings5->put_IsPinchZoomEnabled(FALSE));
    if (const auto settings6 = query_interface<ICoreWebView2Settings6>(settings.Get()))
        failure.note("turn off swipe navigation", settings6->put_IsSwipeNavigationEnabled(FALSE));
    if (const auto settings9 = query_interface<ICoreWebView2Settings9>(settings.Get()))
        failure.note("turn on non-client regions", settings9->put_IsNonClientRegionSupportEnabled(TRUE));
    // Dark until the first page paints, like the status pages.
    if (const auto controller2 = query_interface<ICoreWebView2Controller2>(controller_.Get()))
        failure.note("set the web view's background colour",
                     controller2->put_DefaultBackgroundColor(background_colour));
    return failure.status();
}

// The URL as the web view reports it, in UTF-8; none when it cannot be read or is ill-formed.
std::optional<std::string> navigation_target(ICoreWebView2NavigationStartingEventArgs* args) {
    unique_cotaskmem_string uri;
    if (args == nullptr || FAILED(args->get_Uri(uri.put())) || !uri) return std::nullopt;
    return narrow(uri.get());
}

Status WebView::register_handlers(std::shared_ptr<SharedPort> shared_port, EventLoopProxy proxy) {
    const HWND child = child_;
    const auto navigation =
        NavigationStarting::make([shared_port](ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
            const auto url = navigation_target(args);
            if (args != nullptr && (!url || !navigation_allowed(*url, shared_port->get()))) args->put_Cancel(TRUE);
        });
    const auto new_window =
        NewWindowRequested::make([](ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
            if (args != nullptr) args->put_Handled(TRUE);  // no window, here or in a browser
        });
    // A page's start changes nothing here: the window waits for its end (below).
    const auto loading = ContentLoading::make([](ICoreWebView2*, ICoreWebView2ContentLoadingEventArgs*) {});
    const auto completed =
        NavigationCompleted::make([proxy](ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*) {
            (void)proxy.post(HelpEvent::reveal());  // whether the page loaded or not
        });
    const auto close_requested = WindowCloseRequested::make([child](ICoreWebView2*, IUnknown*) {
        // Not inside the runtime's handler: the controller closes once the handler has returned.
        ::PostMessageW(child, web_view_close_message, 0, 0);
    });
    // What a page posts through window.ipc is dropped: the launcher has no receiver for it.
    const auto message = WebMessageReceived::make([](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*) {});
    FirstFailure failure;
// Each event is added and removed by the two methods that its name gives.
#define TARVEN_WATCH(Event, handler, what) \
    watch(failure, what, &ICoreWebView2::add_##Event, &ICoreWebView2::remove_##Event, handler)
    TARVEN_WATCH(NavigationStarting, navigation.Get(), "watch the web view's navigations");
    TARVEN_WATCH(NewWindowRequested, new_window.Get(), "watch the web view's new windows");
    TARVEN_WATCH(ContentLoading, loading.Get(), "watch the web view's page starts");
    TARVEN_WATCH(NavigationCompleted, completed.Get(), "watch the web view's page loads");
    TARVEN_WATCH(WindowCloseRequested, close_requested.Get(), "watch the web view's close requests");
    TARVEN_WATCH(WebMessageReceived, message.Get(), "watch the web view's messages");
#undef TARVEN_WATCH
    return failure.status();
}

// Awaited: a document that starts before the script is registered runs without it.
Status WebView::add_initialization_script() {
    const auto added = await_completion<ScriptAdded>("add the web view's initialization script", [&](auto* done) {
        return web_view_->AddScriptToExecuteOnDocumentCreated(initialization_script, done);
    });
    if (!added) return added.failure();
    return {};
}

}  // namespace

Result<std::unique_ptr<HelpWebView>> create_help_web_view(HelpWindow& window, const std::wstring& user_data_folder,
                                                          std::shared_ptr<SharedPort> shared_port,
                                                          EventLoopProxy proxy) {
    auto view = std::make_unique<WebView>(window);
    // On failure the view's destruction undoes what was made: the window is left as it was.
    if (auto status = view->create(user_data_folder, std::move(shared_port), std::move(proxy)); !status) {
        return status.failure();
    }
    return std::unique_ptr<HelpWebView>(std::move(view));
}

}  // namespace tarven
