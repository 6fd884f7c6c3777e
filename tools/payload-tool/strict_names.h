#pragma once
// The payload tool's own name rule, stricter than the launcher's: a name must become exactly one
// file of exactly that name in a Windows folder, and must not collide with what the launcher
// itself keeps in its work folder.
#include <optional>
#include <string>
#include <string_view>

namespace tarven::payload_tool {

// Why Windows or the launcher would not keep `name` as a file of its own, or nothing when it
// would. `name` is valid UTF-8 that the launcher's rules allow.
std::optional<std::string> strict_name_refusal(std::string_view name);

// `name` as Windows compares file names: its code points in the Basic Multilingual Plane in their
// simple uppercase form. Names with the same key are one file in a Windows folder. `name` is
// valid UTF-8.
std::u32string windows_name_key(std::string_view name);

}  // namespace tarven::payload_tool
