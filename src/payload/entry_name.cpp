#include "payload/entry_name.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "base/utf8.h"

namespace tarven {
namespace {

struct CodePointRange {
    char32_t first;
    char32_t last;
};

// Not printable (control, format, surrogate, private use, unassigned, separators other than
// the space) or Grapheme_Extend, from the system's Unicode data at build time.
constexpr CodePointRange escaped_ranges[] = {
#include "unicode_tables.inc"
};

bool is_escaped(char32_t c) {
    const auto after = std::upper_bound(std::begin(escaped_ranges), std::end(escaped_ranges), c,
                                        [](char32_t value, const CodePointRange& r) { return value < r.first; });
    return after != std::begin(escaped_ranges) && c <= std::prev(after)->last;
}

bool is_forbidden(char32_t c) { return c == U'\0' || c == U'/' || c == U':' || c == U'\\'; }

// Names are valid UTF-8 here; anything else is decoded with replacements rather than dropped.
std::u32string code_points(std::string_view name) {
    if (std::optional<std::u32string> decoded = decode_utf8(name)) return *std::move(decoded);
    return decode_utf8(decode_utf8_lossy(name)).value_or(std::u32string{});
}

void append_hex_escape(std::string& out, char32_t c) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string hex;
    do {
        hex.insert(hex.begin(), digits[c & 0xF]);
        c >>= 4;
    } while (c != 0);
    out += "\\u{";
    out += hex;
    out += '}';
}

}  // namespace

bool check_entry_name(std::string_view name) {
    if (name.empty() || name.size() > max_entry_name_bytes) return false;
    if (name == "." || name == "..") return false;
    const std::optional<std::u32string> decoded = decode_utf8(name);
    if (!decoded) return false;
    return std::none_of(decoded->begin(), decoded->end(), is_forbidden);
}

std::string quote_entry_name(std::string_view name) {
    std::string out = "\"";
    for (const char32_t c : code_points(name)) {
        switch (c) {
            case U'"':
                out += "\\\"";
                break;
            case U'\\':
                out += "\\\\";
                break;
            case U'\0':
                out += "\\0";
                break;
            case U'\t':
                out += "\\t";
                break;
            case U'\n':
                out += "\\n";
                break;
            case U'\r':
                out += "\\r";
                break;
            default:
                if (is_escaped(c))
                    append_hex_escape(out, c);
                else
                    append_utf8(out, c);
        }
    }
    out += '"';
    return out;
}

}  // namespace tarven
