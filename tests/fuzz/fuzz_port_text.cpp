// Reads arbitrary bytes as a port file: never a crash, and a port is always in range.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "desk/port_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto port = tarven::parse_port_text(text); port && *port == 0) std::abort();
    return 0;
}
