#include "window/webview_runtime_win.h"

#include <optional>
#include <utility>
#include <vector>

#include "base/executable_path_win.h"
#include "base/procedure_win.h"
#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "window/webview_runtime_rules.h"
#include "words/user_words.h"

namespace tarven {
namespace {

constexpr wchar_t runtime_folder_value[] = L"EBWebView";

std::optional<std::wstring> environment_value(std::wstring_view name) {
    const std::wstring terminated(name);
    const DWORD size = ::GetEnvironmentVariableW(terminated.c_str(), nullptr, 0);
    if (size == 0) return std::nullopt;
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(terminated.c_str(), value.data(), size);
    if (length == 0 || length >= size) return std::nullopt;
    value.resize(length);
    return value;
}

// A text value (a number as its digits, when `numbers` allows one), or nothing.
std::optional<std::wstring> registry_value(HKEY root, std::wstring_view key_name, REGSAM view, const wchar_t* name,
                                           bool numbers) {
    unique_hkey key;
    if (::RegOpenKeyExW(root, std::wstring(key_name).c_str(), 0, KEY_READ | view, key.put()) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const DWORD accepted = RRF_RT_REG_SZ | (numbers ? RRF_RT_REG_DWORD : 0);
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegGetValueW(key.get(), nullptr, name, accepted, &type, nullptr, &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (type == REG_DWORD) {
        DWORD number = 0;
        bytes = sizeof(number);
        if (::RegGetValueW(key.get(), nullptr, name, accepted, &type, &number, &bytes) != ERROR_SUCCESS ||
            type != REG_DWORD) {
            return std::nullopt;
        }
        return std::to_wstring(number);
    }
    if (bytes < sizeof(wchar_t)) return std::nullopt;
    std::wstring text(bytes / sizeof(wchar_t), L'\0');
    if (::RegGetValueW(key.get(), nullptr, name, accepted, &type, text.data(), &bytes) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::nullopt;
    }
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return text;
}

bool is_file(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

using ExplicitAppIdGetter = HRESULT(WINAPI*)(PWSTR*);
using PackagedAppIdGetter = LONG(WINAPI*)(UINT32*, PWSTR);

// The identity the shell groups the process under: one it set itself, else its package's.
std::optional<std::wstring> app_user_model_id() {
    // Only looked for where it is already loaded: the setter lives in shell32 too, so a process
    // that never loaded it set none, and loading it costs every run.
    if (const HMODULE shell = ::GetModuleHandleW(L"shell32.dll"); shell != nullptr) {
        const auto get = find_procedure<ExplicitAppIdGetter>(shell, "GetCurrentProcessExplicitAppUserModelID");
        unique_cotaskmem_string id;
        if (get != nullptr && SUCCEEDED(get(id.put())) && id.get() != nullptr && *id.get() != L'\0') {
            return std::wstring(id.get());
        }
    }
    const auto packaged =
        find_procedure<PackagedAppIdGetter>(::GetModuleHandleW(L"kernel32.dll"), "GetCurrentApplicationUserModelId");
    if (packaged == nullptr) return std::nullopt;
    UINT32 length = 0;
    if (packaged(&length, nullptr) != ERROR_INSUFFICIENT_BUFFER || length == 0) return std::nullopt;
    std::wstring id(length, L'\0');
    if (packaged(&length, id.data()) != ERROR_SUCCESS) return std::nullopt;
    id.resize(id.find(L'\0') == std::wstring::npos ? id.size() : id.find(L'\0'));
    return id;
}

constexpr RuntimeSetting settings[] = {RuntimeSetting::browser_executable_folder,
                                       RuntimeSetting::additional_browser_arguments,
                                       RuntimeSetting::channel_search_kind, RuntimeSetting::release_channels};

// What decide_webview_runtime weighs; the registrations only when a runtime is to be found.
RuntimeFacts gather_facts(bool with_registrations) {
    RuntimeFacts facts;
    facts.executable_path = executable_path();
    facts.app_user_model_id = app_user_model_id();
    const std::vector<std::wstring> names = policy_value_names(facts.app_user_model_id, facts.executable_path);
    for (const RuntimeSetting setting : settings) {
        if (auto value = environment_value(setting_variable(setting))) {
            facts.environment.push_back({setting, std::move(*value)});
        }
        for (const auto& [root, scope] : {std::pair{HKEY_LOCAL_MACHINE, RegistryScope::machine},
                                          std::pair{HKEY_CURRENT_USER, RegistryScope::user}}) {
            for (const std::wstring& name : names) {
                if (auto value = registry_value(root, setting_policy_key(setting), 0, name.c_str(), true)) {
                    facts.policies.push_back({scope, setting, name, std::move(*value)});
                }
            }
        }
    }
    if (!with_registrations) return facts;
    for (const RuntimeChannel channel :
         {RuntimeChannel::stable, RuntimeChannel::beta, RuntimeChannel::dev, RuntimeChannel::canary}) {
        for (const auto& [root, scope] : {std::pair{HKEY_LOCAL_MACHINE, RegistryScope::machine},
                                          std::pair{HKEY_CURRENT_USER, RegistryScope::user}}) {
            // The machine's EdgeUpdate keys live in the 32-bit registry view.
            if (auto folder = registry_value(root, runtime_client_state_key(channel), KEY_WOW64_32KEY,
                                             runtime_folder_value, false)) {
                const bool has_library = is_file(runtime_client_library(*folder));
                facts.registrations.push_back({channel, scope, std::move(*folder), has_library});
            }
        }
    }
    return facts;
}

}  // namespace

Result<WebViewRuntimeFolder> find_webview_runtime() {
    RuntimeDecision decision = decide_webview_runtime(gather_facts(true));
    switch (decision.refusal) {
        case RuntimeRefusal::none:
            break;
        case RuntimeRefusal::not_installed:
            return fail(std::string(words::no_webview_runtime));
        case RuntimeRefusal::folder_not_supported:
            return fail(
                words::browser_folder_refused(narrow_lossy(decision.folder), render_os_error(ERROR_NOT_SUPPORTED)));
    }
    return WebViewRuntimeFolder{std::move(decision.folder), decision.fixed_version
                                                                ? webview2::WebView2RunTimeType::fixed_version
                                                                : webview2::WebView2RunTimeType::installed};
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
    const auto entry = find_procedure<webview2::CreateWebViewEnvironmentWithOptionsInternal*>(
        module, "CreateWebViewEnvironmentWithOptionsInternal");
    if (entry == nullptr) return fail("the WebView2 runtime has no environment entry");
    return WebViewRuntime{location, entry};
}

std::wstring browser_arguments_with_overrides(std::wstring_view ours) {
    return join_browser_arguments(ours, decide_webview_runtime(gather_facts(false)).added_arguments);
}

HRESULT start_environment_creation(const WebViewRuntime& runtime, const std::wstring& user_data_folder,
                                   IUnknown* options,
                                   webview2::ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* handler) {
    return runtime.create_environment(true, runtime.location.type, user_data_folder.c_str(), options, handler);
}

}  // namespace tarven
