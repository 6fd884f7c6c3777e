#pragma once
// The launcher's own COM objects that the WebView2 runtime calls: completion and event handlers,
// and the environment options.
#include <functional>
#include <optional>
#include <string>

#include "window/com_object_win.h"
#include "window/webview2_abi_win.h"

namespace tarven::webview2 {

// A handler whose Invoke runs `body` and answers S_OK. The runtime may drop its last reference
// to the handler while the body runs (closing the web view does), so Invoke holds one of its own.
template <class Interface, class... Args>
class Callback final : public ComObject<Callback<Interface, Args...>, Interface> {
public:
    explicit Callback(std::function<void(Args...)> body) : body_(std::move(body)) {}

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) noexcept override {
        const ComPtr<Callback> keep(this);
        try {
            body_(args...);
            return S_OK;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

private:
    std::function<void(Args...)> body_;
};

using EnvironmentCompleted =
    Callback<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler, HRESULT, ICoreWebView2Environment*>;
using ControllerCompleted =
    Callback<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler, HRESULT, ICoreWebView2Controller*>;
using NavigationStarting =
    Callback<ICoreWebView2NavigationStartingEventHandler, ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs*>;
using ContentLoading =
    Callback<ICoreWebView2ContentLoadingEventHandler, ICoreWebView2*, ICoreWebView2ContentLoadingEventArgs*>;
using NavigationCompleted =
    Callback<ICoreWebView2NavigationCompletedEventHandler, ICoreWebView2*, ICoreWebView2NavigationCompletedEventArgs*>;
using NewWindowRequested =
    Callback<ICoreWebView2NewWindowRequestedEventHandler, ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs*>;
using WindowCloseRequested = Callback<ICoreWebView2WindowCloseRequestedEventHandler, ICoreWebView2*, IUnknown*>;
using WebMessageReceived =
    Callback<ICoreWebView2WebMessageReceivedEventHandler, ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs*>;
using BrowserProcessExited = Callback<ICoreWebView2BrowserProcessExitedEventHandler, ICoreWebView2Environment*,
                                      ICoreWebView2BrowserProcessExitedEventArgs*>;
using ScriptAdded = Callback<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler, HRESULT, LPCWSTR>;

// A copy the runtime frees with CoTaskMemFree; null for an unset value.
inline HRESULT copy_for_runtime(const std::optional<std::wstring>& value, LPWSTR* out) noexcept {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (!value) return S_OK;
    const std::size_t bytes = (value->size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(::CoTaskMemAlloc(bytes));
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::copy(value->c_str(), value->c_str() + value->size() + 1, copy);
    *out = copy;
    return S_OK;
}

inline HRESULT store(std::optional<std::wstring>& slot, LPCWSTR value) noexcept {
    try {
        slot = value == nullptr ? std::nullopt : std::optional<std::wstring>(value);
        return S_OK;
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

// The runtime version whose interfaces the launcher needs at most is no newer than this; newer
// interfaces are asked for one by one.
inline constexpr wchar_t target_browser_version[] = L"105.0.1343.22";

class EnvironmentOptions final : public ComObject<EnvironmentOptions, ICoreWebView2EnvironmentOptions> {
public:
    EnvironmentOptions(std::wstring arguments, std::optional<std::wstring> language)
        : arguments_(std::move(arguments)), language_(std::move(language)), target_version_(target_browser_version) {}

    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) noexcept override {
        return copy_for_runtime(arguments_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) noexcept override {
        return store(arguments_, value);
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) noexcept override {
        return copy_for_runtime(language_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) noexcept override { return store(language_, value); }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) noexcept override {
        return copy_for_runtime(target_version_, value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) noexcept override {
        return store(target_version_, value);
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) noexcept override {
        if (allow == nullptr) return E_POINTER;
        *allow = allow_single_sign_on_;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) noexcept override {
        allow_single_sign_on_ = allow;
        return S_OK;
    }

private:
    std::optional<std::wstring> arguments_;
    std::optional<std::wstring> language_;
    std::optional<std::wstring> target_version_;
    BOOL allow_single_sign_on_ = FALSE;
};

}  // namespace tarven::webview2
