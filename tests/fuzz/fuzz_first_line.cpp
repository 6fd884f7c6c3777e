// The line the smoke run quotes from a failed help answer: the first line of what arrived,
// without its line end, valid UTF-8 as the answer is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/utf8.h"
#include "fuzz_check.h"
#include "smoke/smoke_verdict.h"

using tarven::fuzz::begins_with;
using tarven::fuzz::require;

namespace {

void check_first_line(std::string_view text) {
    const std::string_view line = tarven::first_line(text);
    require(line.data() == text.data() && line.size() <= text.size());
    require(line.find('\n') == std::string_view::npos);
    const std::string_view rest = text.substr(line.size());
    require(rest.empty() ? text.find('\n') == std::string_view::npos
                         : begins_with(rest, "\n") || begins_with(rest, "\r\n"));
    if (tarven::smoke_verdict_passes(text)) require(begins_with(line, "HTTP/1.1 200"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    check_first_line(bytes);
    // The smoke run decodes the answer before quoting its first line.
    const std::string text = tarven::decode_utf8_lossy(bytes);
    check_first_line(text);
    require(tarven::is_valid_utf8(tarven::first_line(text)));
    return 0;
}
