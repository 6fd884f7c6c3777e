// Decodes arbitrary bytes: the strict and the lossy decoder agree, valid text passes through
// unchanged, and what the lossy decoder gives is always valid UTF-8.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "fuzz_check.h"

using tarven::fuzz::require;

namespace {

constexpr std::string_view replacement = "\xEF\xBF\xBD";

bool is_scalar_value(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool valid = tarven::is_valid_utf8(bytes);
    const auto decoded = tarven::decode_utf8(bytes);
    const std::string lossy = tarven::decode_utf8_lossy(bytes);

    require(valid == decoded.has_value());
    require(tarven::is_valid_utf8(lossy));
    require(tarven::decode_utf8_lossy(lossy) == lossy);
    if (valid) {
        require(lossy == bytes);
        std::string encoded;
        for (const char32_t c : *decoded) {
            require(is_scalar_value(c));
            tarven::append_utf8(encoded, c);
        }
        require(encoded == bytes);
    } else {
        require(lossy.find(replacement) != std::string::npos);
        // Every invalid byte becomes at most one replacement (3 bytes).
        require(lossy.size() <= 3 * bytes.size());
    }
    return 0;
}
