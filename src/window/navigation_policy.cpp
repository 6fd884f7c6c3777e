#include "window/navigation_policy.h"

#include "desk/desk_request.h"

namespace tarven {
namespace {

bool begins_with(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

}  // namespace

bool navigation_allowed(std::string_view url, std::optional<std::uint16_t> port) {
    if (begins_with(url, "about:") || begins_with(url, "data:")) return true;
    if (!port) return false;
    if (begins_with(url, help_address(*port))) return true;
    // The web view reports the default port normalised away.
    return *port == 80 && begins_with(url, "http://127.0.0.1/desk/help");
}

}  // namespace tarven
