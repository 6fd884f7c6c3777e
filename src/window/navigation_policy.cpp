#include "window/navigation_policy.h"

#include "desk/desk_request.h"

namespace tarven {

bool navigation_allowed(std::string_view url, std::optional<std::uint16_t> port) {
    if (url.substr(0, 6) == "about:" || url.substr(0, 5) == "data:") return true;
    if (!port) return false;
    const std::string address = help_address(*port);
    return url.substr(0, address.size()) == address;
}

}  // namespace tarven
