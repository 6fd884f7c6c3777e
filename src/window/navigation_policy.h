#pragma once
// What the help window's web view may show: its own pages and the application's help pages.
#include <cstdint>
#include <optional>
#include <string_view>

#include "desk/shared_port.h"

namespace tarven {

// about: and data: addresses always; otherwise only addresses that begin with the help address
// of the known port. Exact, case-sensitive bytes.
bool navigation_allowed(std::string_view url, std::optional<std::uint16_t> port);

}  // namespace tarven
