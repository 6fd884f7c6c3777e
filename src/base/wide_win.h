#pragma once
// UTF-8 (our text) to and from UTF-16 (the system's).
#include <optional>
#include <string>
#include <string_view>

namespace tarven {

std::wstring widen(std::string_view utf8);

// Nothing when the UTF-16 is ill-formed (a lone surrogate).
std::optional<std::string> narrow(std::wstring_view utf16);

// Ill-formed UTF-16 becomes U+FFFD.
std::string narrow_lossy(std::wstring_view utf16);

}  // namespace tarven
