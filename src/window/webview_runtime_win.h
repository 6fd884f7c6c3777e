#pragma once
// Finding the WebView2 runtime on the machine and calling it directly, the way the runtime's own
// loader library does (which the launcher does not carry).
#include <windows.h>

#include <string>
#include <string_view>

#include "base/result.h"
#include "window/webview2_abi_win.h"

namespace tarven {

struct WebViewRuntimeFolder {
    std::wstring folder;  // holds EBWebView\x64\EmbeddedBrowserWebView.dll
    webview2::WebView2RunTimeType type = webview2::WebView2RunTimeType::installed;
};

// The runtime decide_webview_runtime chooses from this process's environment, the WebView2
// policies for it and the EdgeUpdate registrations of the runtime and its preview channels: a
// browser folder given from outside (a fixed-version folder, taken as given once it is full), or
// the registered folder of the first channel searched that holds the client library. A browser's
// own folder is refused with ERROR_NOT_SUPPORTED's text; "the WebView2 runtime is not installed"
// when there is none.
Result<WebViewRuntimeFolder> find_webview_runtime();

struct WebViewRuntime {
    WebViewRuntimeFolder location;
    webview2::CreateWebViewEnvironmentWithOptionsInternal* create_environment = nullptr;
};

// Loads the runtime's client library by its full path and finds its environment entry. The
// library stays loaded for the life of the process: WebView2 objects live on code inside it.
Result<WebViewRuntime> load_webview_runtime(const WebViewRuntimeFolder& location);

// Our browser arguments with the user's appended (WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS, else its
// policy), without a --user-data-dir of theirs.
std::wstring browser_arguments_with_overrides(std::wstring_view ours);

// Asks the runtime for an environment; the result comes to `handler` later, through the thread's
// messages. A failed call is final: the handler is then not waited for.
HRESULT start_environment_creation(const WebViewRuntime& runtime, const std::wstring& user_data_folder,
                                   IUnknown* options,
                                   webview2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler);

}  // namespace tarven
