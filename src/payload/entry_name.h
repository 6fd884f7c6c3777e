#pragma once
// What a record's name may be: one path component that cannot reach outside the work folder.
#include <string>
#include <string_view>

namespace tarven {

inline constexpr std::size_t max_entry_name_bytes = 128;

// 1 to 128 bytes, not "." or "..", no NUL, "/", ":" or "\". `name` must be valid UTF-8.
bool check_entry_name(std::string_view name);

// The name in double quotes with escapes, for the message about a refused name. `name` must be
// valid UTF-8.
std::string quote_entry_name(std::string_view name);

}  // namespace tarven
