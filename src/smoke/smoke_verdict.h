#pragma once
#include <string_view>

namespace tarven {

// The help text starts with "HTTP/1.1 200" and holds "Tarven Help" somewhere.
bool smoke_verdict_passes(std::string_view help_text);

// Up to the first line feed, without it and without one carriage return right before it.
std::string_view first_line(std::string_view text);

}  // namespace tarven
