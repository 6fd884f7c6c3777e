#include "desk/port_text.h"

#include "base/utf8.h"

namespace tarven {
namespace {

// Unicode's White_Space property, complete.
bool is_white_space(char32_t c) {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

std::u32string_view trim(std::u32string_view text) {
    while (!text.empty() && is_white_space(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_white_space(text.back())) text.remove_suffix(1);
    return text;
}

}  // namespace

std::optional<std::uint16_t> parse_port_text(std::string_view bytes) {
    const std::optional<std::u32string> decoded = decode_utf8(bytes);
    if (!decoded) return std::nullopt;
    std::u32string_view text = trim(*decoded);
    if (!text.empty() && text.front() == U'+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;

    std::uint32_t value = 0;
    for (const char32_t c : text) {
        if (c < U'0' || c > U'9') return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - U'0');
        // Checked at every digit, so a long run of digits cannot wrap around.
        if (value > 65535) return std::nullopt;
    }
    if (value == 0) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

}  // namespace tarven
