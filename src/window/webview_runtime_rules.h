#pragma once
// The platform-neutral rules of finding and calling the WebView2 runtime: which runtime the
// environment, the policies and the registrations choose, where its client library sits in a
// runtime folder, how browser arguments are joined, and how a failed call is told.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarven {

// The installed runtime's channels, most stable first; the values are ReleaseChannels' numbers.
enum class RuntimeChannel { stable = 0, beta = 1, dev = 2, canary = 3 };

// Software\Microsoft\EdgeUpdate\ClientState\{<the channel's client GUID>}, whose value EBWebView
// names the channel's versioned folder.
std::wstring runtime_client_state_key(RuntimeChannel channel);

// Registrations and policies are read machine-wide (HKLM) first, then the user's (HKCU).
enum class RegistryScope { machine, user };

// What a host may be told from outside: by an environment variable, else by a policy.
enum class RuntimeSetting {
    browser_executable_folder,
    additional_browser_arguments,
    channel_search_kind,
    release_channels,
    // No user data folder: the web view's data stays in our work folder, which goes with the run.
};

std::wstring_view setting_variable(RuntimeSetting setting);  // WEBVIEW2_BROWSER_EXECUTABLE_FOLDER, ...
std::wstring setting_policy_key(RuntimeSetting setting);     // Software\Policies\...\BrowserExecutableFolder, ...

// The value names a policy is read under, the one that wins first: the process's
// AppUserModelID, its executable's file name, then "*".
std::vector<std::wstring> policy_value_names(const std::optional<std::wstring>& app_user_model_id,
                                             std::wstring_view executable_path);

struct SettingValue {
    RuntimeSetting setting;
    std::wstring value;
};

struct PolicyValue {
    RegistryScope scope;
    RuntimeSetting setting;
    std::wstring name;   // the value's name under the setting's key
    std::wstring value;  // a number as its decimal digits
};

struct RuntimeRegistration {
    RuntimeChannel channel;
    RegistryScope scope;
    std::wstring folder;  // the EBWebView value
    bool has_client_library = false;
};

// What the process, its environment, the policies and the EdgeUpdate registrations say.
struct RuntimeFacts {
    std::wstring executable_path;  // full
    std::optional<std::wstring> app_user_model_id;
    std::vector<SettingValue> environment;  // the variables that are set
    std::vector<PolicyValue> policies;
    std::vector<RuntimeRegistration> registrations;
};

enum class RuntimeRefusal {
    none,
    not_installed,         // no browser folder given and no registered folder with the library
    folder_not_supported,  // the browser folder is a browser's own (…\Edge\Application\…)
};

struct RuntimeDecision {
    RuntimeRefusal refusal = RuntimeRefusal::none;
    std::wstring folder;           // the runtime's folder (full); for folder_not_supported the refused one
    bool fixed_version = false;    // a browser folder given from outside rather than a registration
    std::wstring added_arguments;  // the user's browser arguments, without --user-data-dir
};

// Each setting from its environment variable when that is set and not empty, else from its
// policy: HKLM before HKCU, and in each the first of policy_value_names that has a value. A
// browser folder wins over the registrations; otherwise the channels are searched in order
// (ChannelSearchKind 1: least stable first), narrowed to ReleaseChannels, each machine-wide then
// the user's, and the first registered folder that holds the client library is the runtime.
RuntimeDecision decide_webview_runtime(const RuntimeFacts& facts);

// A browser folder as a full path: relative to the executable's folder unless it is full, with
// "." and ".." resolved and '/' as '\', so that the library can be loaded by its full path.
std::wstring full_browser_folder(std::wstring_view executable_path, std::wstring_view folder);

// The user's browser arguments without any --user-data-dir token (in any of the switch forms
// --, - and /, in any case, with or without "=value"): the web view's data stays in our work
// folder. The other tokens and the blanks between them stay as given.
std::wstring without_user_data_dir(std::wstring_view arguments);

// <folder>\EBWebView\x64\EmbeddedBrowserWebView.dll, for an installed runtime's versioned folder
// and a fixed-version folder alike. A trailing separator on the folder is not doubled.
std::wstring runtime_client_library(std::wstring_view runtime_folder);

// Our own arguments, then the ones the user added through the environment, one blank between.
std::wstring join_browser_arguments(std::wstring_view ours, std::wstring_view added);

// "HRESULT 0x80070002": eight upper-case hex digits.
std::string hresult_text(std::uint32_t hresult);

// "couldn't <what> (HRESULT 0x...)", for a runtime call that failed: `what` says what it was for.
std::string call_failure_text(std::string_view what, std::uint32_t hresult);

}  // namespace tarven
