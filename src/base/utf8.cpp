#include "base/utf8.h"

#include <cstdint>

namespace tarven {
namespace {

constexpr char32_t replacement_character = 0xFFFD;

struct Decoded {
    char32_t code_point;
    std::size_t length;  // bytes consumed; for an invalid sequence, its maximal subpart (>= 1)
    bool valid;
};

// Decodes the sequence at the start of `in` (non-empty). The allowed second-byte ranges are
// those of the Unicode standard's table of well-formed sequences, which rules out overlong
// forms, surrogates and values above U+10FFFF in one place.
Decoded decode_one(std::string_view in) {
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(in[i]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return {lead, 1, true};

    std::size_t length = 0;
    std::uint8_t low = 0x80, high = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return {replacement_character, 1, false};
    }

    for (std::size_t i = 1; i < length; ++i) {
        if (i >= in.size()) return {replacement_character, i, false};
        const std::uint8_t next = byte(i);
        const std::uint8_t lo = i == 1 ? low : 0x80;
        const std::uint8_t hi = i == 1 ? high : 0xBF;
        if (next < lo || next > hi) return {replacement_character, i, false};
        value = (value << 6) | (next & 0x3Fu);
    }
    return {value, length, true};
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const Decoded d = decode_one(bytes);
        if (!d.valid) return false;
        bytes.remove_prefix(d.length);
    }
    return true;
}

std::optional<std::u32string> decode_utf8(std::string_view bytes) {
    std::u32string out;
    while (!bytes.empty()) {
        const Decoded d = decode_one(bytes);
        if (!d.valid) return std::nullopt;
        out.push_back(d.code_point);
        bytes.remove_prefix(d.length);
    }
    return out;
}

std::string decode_utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const Decoded d = decode_one(bytes);
        if (d.valid)
            out.append(bytes.substr(0, d.length));
        else
            append_utf8(out, replacement_character);
        bytes.remove_prefix(d.length);
    }
    return out;
}

void append_utf8(std::string& out, char32_t cp) {
    const auto put = [&](unsigned value) { out.push_back(static_cast<char>(value)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

}  // namespace tarven
