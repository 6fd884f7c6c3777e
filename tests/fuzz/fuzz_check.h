#pragma once
// What every fuzz target needs: a failed property stops the run with the input kept.
#include <cstdlib>
#include <string>
#include <string_view>

namespace tarven::fuzz {

inline void require(bool property) {
    if (!property) std::abort();
}

inline bool begins_with(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace tarven::fuzz
