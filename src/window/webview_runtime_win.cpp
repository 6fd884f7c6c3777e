#include "window/webview_runtime_win.h"

#include <optional>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "window/webview_runtime_rules.h"

namespace tarven {
namespace {

// The stable WebView2 runtime's EdgeUpdate client state; EBWebView names its versioned folder.
constexpr wchar_t runtime_state_key[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
constexpr wchar_t runtime_folder_value[] = L"EBWebView";

std::optional<std::wstring> environment_value(const wchar_t* name) {
    const DWORD size = ::GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(name, value.data(), size);
    if (length == 0 || length >= size) return std::nullopt;
    value.resize(length);
    return value;
}

std::optional<std::wstring> registered_folder(HKEY root) {
    unique_hkey key;
    if (::RegOpenKeyExW(root, runtime_state_key, 0, KEY_READ | KEY_WOW64_32KEY, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD bytes = 0;
    if (::RegGetValueW(key.get(), nullptr, runtime_folder_value, RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        bytes < sizeof(wchar_t)) {
        return std::nullopt;
    }
    std::wstring folder(bytes / sizeof(wchar_t), L'\0');
    if (::RegGetValueW(key.get(), nullptr, runtime_folder_value, RRF_RT_REG_SZ, nullptr, folder.data(), &bytes) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    folder.resize(folder.find(L'\0') == std::wstring::npos ? folder.size() : folder.find(L'\0'));
    if (folder.empty()) return std::nullopt;
    return folder;
}

bool is_file(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

Result<WebViewRuntimeFolder> find_webview_runtime() {
    if (auto fixed = environment_value(L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"); fixed && !fixed->empty()) {
        return WebViewRuntimeFolder{std::move(*fixed), webview2::WebView2RunTimeType::fixed_version};
    }
    for (const HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        auto folder = registered_folder(root);
        if (folder && is_file(runtime_client_library(*folder))) {
            return WebViewRuntimeFolder{std::move(*folder), webview2::WebView2RunTimeType::installed};
        }
    }
    return fail("the WebView2 runtime is not installed");
}

Result<WebViewRuntime> load_webview_runtime(const WebViewRuntimeFolder& location) {
    // By full path only. The library's own imports come from beside it or from System32, never
    // from the launcher's folder (the default directories include it): a Downloads folder may
    // hold a planted DLL of a name the runtime imports.
    const std::wstring library = runtime_client_library(location.folder);
    const HMODULE module =
        ::LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        const DWORD error = ::GetLastError();
        return fail("the WebView2 runtime at " + narrow_lossy(location.folder) +
                    " could not be loaded: " + render_os_error(error));
    }
    // Never freed: the environment, controller and their threads run code of this library.
    const FARPROC entry = ::GetProcAddress(module, "CreateWebViewEnvironmentWithOptionsInternal");
    if (entry == nullptr) return fail("the WebView2 runtime has no environment entry");
    return WebViewRuntime{location, reinterpret_cast<webview2::CreateWebViewEnvironmentWithOptionsInternal*>(
                                        reinterpret_cast<void (*)()>(entry))};
}

std::wstring browser_arguments_with_overrides(std::wstring_view ours) {
    const auto added = environment_value(L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS");
    return join_browser_arguments(ours, added ? std::wstring_view(*added) : std::wstring_view());
}

HRESULT start_environment_creation(const WebViewRuntime& runtime, const std::wstring& user_data_folder,
                                   IUnknown* options,
                                   webview2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    return runtime.create_environment(true, runtime.location.type, user_data_folder.c_str(), options, handler);
}

}  // namespace tarven
