#pragma once
// Console lines of a window program: UTF-8, one line feed each, on the inherited handle.
// No handle (or a slot that holds no stream), no line, and no error either.
#include <string_view>

namespace tarven {

void write_error_line(std::string_view text);
void write_output_line(std::string_view text);

}  // namespace tarven
