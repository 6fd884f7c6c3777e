#pragma once
// The platform-neutral rules of finding and calling the WebView2 runtime: where its client library
// sits in a runtime folder, how browser arguments are joined, and how a failed call is told.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarven {

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
