// Quotes arbitrary names: the quoted form is valid UTF-8 in double quotes, shows no control
// character raw, and reads back as the name when the name is valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "fuzz_check.h"
#include "payload/entry_name.h"

using tarven::fuzz::require;

namespace {

std::optional<char32_t> read_hex_escape(std::string_view& text) {
    if (text.substr(0, 2) != "u{") return std::nullopt;
    const std::size_t close = text.find('}');
    if (close == std::string_view::npos || close < 3 || close > 8) return std::nullopt;
    char32_t value = 0;
    for (const char digit : text.substr(2, close - 2)) {
        const bool decimal = digit >= '0' && digit <= '9';
        if (!decimal && !(digit >= 'a' && digit <= 'f')) return std::nullopt;
        value = value * 16 + static_cast<char32_t>(decimal ? digit - '0' : digit - 'a' + 10);
    }
    text.remove_prefix(close + 1);
    return value;
}

// The name the quoted form stands for; nothing when it is not one of the forms the quoting makes.
std::optional<std::string> unquote(std::string_view quoted) {
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') return std::nullopt;
    std::string_view text = quoted.substr(1, quoted.size() - 2);
    std::string name;
    while (!text.empty()) {
        const char c = text.front();
        text.remove_prefix(1);
        if (c == '"') return std::nullopt;
        if (c != '\\') {
            name += c;
            continue;
        }
        if (text.empty()) return std::nullopt;
        const char escaped = text.front();
        switch (escaped) {
            case '"':
            case '\\':
                name += escaped;
                break;
            case '0':
                name += '\0';
                break;
            case 't':
                name += '\t';
                break;
            case 'n':
                name += '\n';
                break;
            case 'r':
                name += '\r';
                break;
            case 'u': {
                const auto value = read_hex_escape(text);
                if (!value) return std::nullopt;
                tarven::append_utf8(name, *value);
                continue;
            }
            default:
                return std::nullopt;
        }
        text.remove_prefix(1);
    }
    return name;
}

bool shows_control_character(std::string_view quoted) {
    for (const char c : quoted) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    // C1 controls, U+0080 to U+009F.
    for (std::size_t at = quoted.find('\xC2'); at != std::string_view::npos; at = quoted.find('\xC2', at + 1)) {
        if (at + 1 < quoted.size() && static_cast<unsigned char>(quoted[at + 1]) <= 0x9F) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    const std::string quoted = tarven::quote_entry_name(name);
    require(tarven::is_valid_utf8(quoted));
    require(!shows_control_character(quoted));
    const auto read_back = unquote(quoted);
    require(read_back.has_value());
    // Invalid bytes are shown as replacements: the text read back is the lossy decoding.
    require(*read_back == tarven::decode_utf8_lossy(name));
    return 0;
}
