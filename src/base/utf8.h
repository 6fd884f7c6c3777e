#pragma once
// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, no cut sequence.
#include <optional>
#include <string>
#include <string_view>

namespace tarven {

bool is_valid_utf8(std::string_view bytes);

// The code points of valid UTF-8, or nothing when the bytes are not valid UTF-8.
std::optional<std::u32string> decode_utf8(std::string_view bytes);

// The bytes as UTF-8 text, every invalid sequence replaced by U+FFFD (one per maximal
// invalid subpart, as the Unicode standard recommends).
std::string decode_utf8_lossy(std::string_view bytes);

void append_utf8(std::string& out, char32_t code_point);

}  // namespace tarven
