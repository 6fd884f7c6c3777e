#include "window/webview_runtime_rules.h"

namespace tarven {

std::wstring runtime_client_library(std::wstring_view runtime_folder) {
    std::wstring path(runtime_folder);
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
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
