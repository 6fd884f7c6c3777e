#include "base/wide_win.h"

#include <windows.h>

namespace tarven {
namespace {

std::optional<std::string> convert(std::wstring_view utf16, DWORD flags) {
    if (utf16.empty()) return std::string();
    const int in_length = static_cast<int>(utf16.size());
    const int size = ::WideCharToMultiByte(CP_UTF8, flags, utf16.data(), in_length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, flags, utf16.data(), in_length, out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring widen(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int in_length = static_cast<int>(utf8.size());
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_length, nullptr, 0);
    if (size <= 0) return {};
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), in_length, out.data(), size);
    return out;
}

std::optional<std::string> narrow(std::wstring_view utf16) { return convert(utf16, WC_ERR_INVALID_CHARS); }

std::string narrow_lossy(std::wstring_view utf16) { return convert(utf16, 0).value_or(std::string()); }

}  // namespace tarven
