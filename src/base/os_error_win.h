#pragma once
#include <string>

namespace tarven {

// The system's text for the code (no inserts, trailing line break and blanks removed), then
// " (os error <code>)".
std::string render_os_error(unsigned long code);

}  // namespace tarven
