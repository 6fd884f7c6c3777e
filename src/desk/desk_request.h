#pragma once
// The exact bytes of the two desk requests, and the help address.
#include <cstdint>
#include <string>

namespace tarven {

std::string quit_request_text(std::uint16_t port);
std::string help_request_text(std::uint16_t port);

// "http://127.0.0.1:<port>/desk/help"
std::string help_address(std::uint16_t port);

}  // namespace tarven
