#include "smoke/smoke_verdict.h"

namespace tarven {

bool smoke_verdict_passes(std::string_view help_text) {
    return help_text.substr(0, 12) == "HTTP/1.1 200" && help_text.find("Tarven Help") != std::string_view::npos;
}

std::string_view first_line(std::string_view text) {
    const std::size_t feed = text.find('\n');
    if (feed == std::string_view::npos) return text;
    std::string_view line = text.substr(0, feed);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace tarven
