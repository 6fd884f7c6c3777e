#include "window/webview_runtime_rules.h"

#include <algorithm>
#include <array>

namespace tarven {
namespace {

constexpr std::array<RuntimeChannel, 4> most_stable_first = {RuntimeChannel::stable, RuntimeChannel::beta,
                                                             RuntimeChannel::dev, RuntimeChannel::canary};

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }
bool is_blank(wchar_t c) { return c == L' ' || c == L'\t'; }
wchar_t lower(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

std::wstring lowered(std::wstring_view text) {
    std::wstring copy(text);
    std::transform(copy.begin(), copy.end(), copy.begin(), lower);
    return copy;
}

std::wstring_view trimmed(std::wstring_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// A small decimal number, or nothing for anything else (signs, blanks inside, letters, overflow).
std::optional<unsigned> small_number(std::wstring_view text) {
    text = trimmed(text);
    if (text.empty() || text.size() > 9) return std::nullopt;
    unsigned value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - L'0');
    }
    return value;
}

std::wstring_view file_name_of(std::wstring_view path) {
    const std::size_t last = path.find_last_of(L"\\/");
    return last == std::wstring_view::npos ? path : path.substr(last + 1);
}

std::wstring_view folder_of(std::wstring_view path) {
    const std::size_t last = path.find_last_of(L"\\/");
    return last == std::wstring_view::npos ? std::wstring_view() : path.substr(0, last);
}

// Splits a path with '\' separators into its root ("C:", "\\server\share", or none) and the rest.
std::pair<std::wstring, std::wstring> root_and_rest(const std::wstring& path) {
    if (path.starts_with(L"\\\\")) {
        std::size_t end = path.find(L'\\', 2);
        if (end != std::wstring::npos) end = path.find(L'\\', end + 1);
        if (end == std::wstring::npos) return {path, L""};
        return {path.substr(0, end), path.substr(end)};
    }
    if (path.size() >= 2 && path[1] == L':') return {path.substr(0, 2), path.substr(2)};
    return {L"", path};
}

bool is_full(const std::wstring& path) {
    return path.starts_with(L"\\\\") || (path.size() >= 3 && path[1] == L':' && path[2] == L'\\');
}

bool inside_browser_install(const std::wstring& full_folder) {
    return lowered(full_folder + L"\\").find(L"\\edge\\application\\") != std::wstring::npos;
}

bool is_user_data_dir_switch(std::wstring_view token) {
    std::wstring name;
    for (const wchar_t c : token)
        if (c != L'"') name += lower(c);
    std::wstring_view rest = name;
    if (rest.starts_with(L"--")) {
        rest.remove_prefix(2);
    } else if (rest.starts_with(L"-") || rest.starts_with(L"/")) {
        rest.remove_prefix(1);
    } else {
        return false;
    }
    constexpr std::wstring_view switch_name = L"user-data-dir";
    return rest == switch_name || (rest.starts_with(switch_name) && rest[switch_name.size()] == L'=');
}

// The order the channels are searched in: most stable first unless the search kind is 1, and
// only those ReleaseChannels lists (an entry that is not a channel's number counts as stable).
std::vector<RuntimeChannel> channel_search_order(const std::optional<std::wstring>& search_kind,
                                                 const std::optional<std::wstring>& release_channels) {
    std::array<bool, 4> wanted{};
    if (release_channels) {
        std::wstring_view rest = *release_channels;
        for (;;) {
            const std::size_t comma = rest.find(L',');
            const auto number = small_number(rest.substr(0, comma));
            wanted[number && *number < wanted.size() ? *number : 0] = true;
            if (comma == std::wstring_view::npos) break;
            rest.remove_prefix(comma + 1);
        }
    } else {
        wanted.fill(true);
    }
    std::vector<RuntimeChannel> order;
    for (const RuntimeChannel channel : most_stable_first)
        if (wanted[static_cast<std::size_t>(channel)]) order.push_back(channel);
    if (search_kind && small_number(*search_kind) == 1u) std::reverse(order.begin(), order.end());
    return order;
}

}  // namespace

std::wstring runtime_client_state_key(RuntimeChannel channel) {
    // The client GUIDs of the runtime and of the preview channels, in RuntimeChannel's order.
    constexpr std::wstring_view clients[] = {
        L"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}", L"{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}",
        L"{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}", L"{65C35B14-6C1D-4122-AC46-7148CC9D6497}"};
    return L"Software\\Microsoft\\EdgeUpdate\\ClientState\\" + std::wstring(clients[static_cast<std::size_t>(channel)]);
}

namespace {

struct SettingNames {
    std::wstring_view variable;
    std::wstring_view policy;
};

// In RuntimeSetting's order.
constexpr SettingNames setting_names[] = {
    {L"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", L"BrowserExecutableFolder"},
    {L"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", L"AdditionalBrowserArguments"},
    {L"WEBVIEW2_CHANNEL_SEARCH_KIND", L"ChannelSearchKind"},
    {L"WEBVIEW2_RELEASE_CHANNELS", L"ReleaseChannels"},
};

}  // namespace

std::wstring_view setting_variable(RuntimeSetting setting) {
    return setting_names[static_cast<std::size_t>(setting)].variable;
}

std::wstring setting_policy_key(RuntimeSetting setting) {
    return L"Software\\Policies\\Microsoft\\Edge\\WebView2\\" +
           std::wstring(setting_names[static_cast<std::size_t>(setting)].policy);
}

std::vector<std::wstring> policy_value_names(const std::optional<std::wstring>& app_user_model_id,
                                             std::wstring_view executable_path) {
    std::vector<std::wstring> names;
    if (app_user_model_id && !app_user_model_id->empty()) names.push_back(*app_user_model_id);
    if (const auto file = file_name_of(executable_path); !file.empty()) names.emplace_back(file);
    names.emplace_back(L"*");
    return names;
}

RuntimeDecision decide_webview_runtime(const RuntimeFacts& facts) {
    const std::vector<std::wstring> names = policy_value_names(facts.app_user_model_id, facts.executable_path);
    const auto setting = [&](RuntimeSetting wanted) -> std::optional<std::wstring> {
        for (const SettingValue& variable : facts.environment)
            if (variable.setting == wanted && !variable.value.empty()) return variable.value;
        for (const RegistryScope scope : {RegistryScope::machine, RegistryScope::user}) {
            for (const std::wstring& name : names) {
                for (const PolicyValue& policy : facts.policies) {
                    if (policy.scope == scope && policy.setting == wanted && policy.name == name &&
                        !policy.value.empty()) {
                        return policy.value;
                    }
                }
            }
        }
        return std::nullopt;
    };

    RuntimeDecision decision;
    decision.added_arguments =
        without_user_data_dir(setting(RuntimeSetting::additional_browser_arguments).value_or(std::wstring()));
    if (const auto folder = setting(RuntimeSetting::browser_executable_folder)) {
        decision.folder = full_browser_folder(facts.executable_path, *folder);
        decision.fixed_version = true;
        // A browser's own folder is no runtime; the runtime refuses it, and so do we, the same way.
        if (inside_browser_install(decision.folder)) decision.refusal = RuntimeRefusal::folder_not_supported;
        return decision;
    }
    for (const RuntimeChannel channel : channel_search_order(setting(RuntimeSetting::channel_search_kind),
                                                             setting(RuntimeSetting::release_channels))) {
        for (const RegistryScope scope : {RegistryScope::machine, RegistryScope::user}) {
            for (const RuntimeRegistration& registration : facts.registrations) {
                // A value left behind by an uninstalled runtime names a folder without the library.
                if (registration.channel == channel && registration.scope == scope && registration.has_client_library &&
                    !registration.folder.empty()) {
                    decision.folder = registration.folder;
                    return decision;
                }
            }
        }
    }
    decision.refusal = RuntimeRefusal::not_installed;
    return decision;
}

std::wstring full_browser_folder(std::wstring_view executable_path, std::wstring_view folder) {
    std::wstring path(folder);
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.starts_with(L"\\\\?\\")) return path;  // a verbatim path means exactly what it says
    if (!is_full(path)) {
        std::wstring base(folder_of(executable_path));
        std::replace(base.begin(), base.end(), L'/', L'\\');
        if (path.starts_with(L"\\")) {
            path = root_and_rest(base).first + path;  // the root of the executable's drive
        } else if (path.size() < 2 || path[1] != L':') {
            path = base + L"\\" + path;
        }
        // "C:folder" names a drive's current folder, which is not ours to know: from its root.
    }
    auto [root, rest] = root_and_rest(path);
    std::vector<std::wstring_view> parts;
    std::wstring_view remaining = rest;
    while (!remaining.empty()) {
        const std::size_t end = remaining.find(L'\\');
        const std::wstring_view part = remaining.substr(0, end);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        if (end == std::wstring_view::npos) break;
        remaining.remove_prefix(end + 1);
    }
    std::wstring full = root;
    for (const std::wstring_view part : parts) (full += L'\\') += part;
    if (parts.empty()) full += L'\\';
    return full;
}

std::wstring without_user_data_dir(std::wstring_view arguments) {
    std::wstring kept;
    bool dropped = false;
    std::size_t at = 0;
    while (at < arguments.size()) {
        const std::size_t blanks = at;
        while (at < arguments.size() && is_blank(arguments[at])) ++at;
        const std::size_t start = at;
        // A token ends at a blank outside quotes; a quote after an odd run of backslashes is text.
        bool quoted = false;
        std::size_t backslashes = 0;
        for (; at < arguments.size() && (quoted || !is_blank(arguments[at])); ++at) {
            if (arguments[at] == L'"' && backslashes % 2 == 0) quoted = !quoted;
            backslashes = arguments[at] == L'\\' ? backslashes + 1 : 0;
        }
        const std::wstring_view token = arguments.substr(start, at - start);
        if (!token.empty() && is_user_data_dir_switch(token)) {
            dropped = true;  // with the blanks before it
            continue;
        }
        // Blanks that led to a dropped first token would now lead the text.
        if (!(kept.empty() && dropped)) kept += arguments.substr(blanks, start - blanks);
        kept += token;
    }
    return kept;
}

std::wstring runtime_client_library(std::wstring_view runtime_folder) {
    std::wstring path(runtime_folder);
    if (!path.empty() && !is_separator(path.back())) path += L'\\';
    return path + L"EBWebView\\x64\\EmbeddedBrowserWebView.dll";
}

std::wstring join_browser_arguments(std::wstring_view ours, std::wstring_view added) {
    std::wstring joined(ours);
    if (added.empty()) return joined;
    if (!joined.empty()) joined += L' ';
    return joined += added;
}

std::string hresult_text(std::uint32_t hresult) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text = "HRESULT 0x";
    for (int shift = 28; shift >= 0; shift -= 4) text += digits[(hresult >> shift) & 0xFu];
    return text;
}

std::string call_failure_text(std::string_view what, std::uint32_t hresult) {
    return "couldn't " + std::string(what) + " (" + hresult_text(hresult) + ")";
}

}  // namespace tarven
