#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarven {

// The port in the port file's text: valid UTF-8, White_Space around it ignored, an optional "+",
// decimal digits, 1 to 65535. Anything else is no port (yet).
std::optional<std::uint16_t> parse_port_text(std::string_view bytes);

}  // namespace tarven
