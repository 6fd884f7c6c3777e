#pragma once
// The launcher's own pages: the starting page and the failure page, from one template.
#include <optional>
#include <string>
#include <string_view>

namespace tarven {

using StatusPage = std::string;

// & < > and the double quote, in that order; nothing else.
std::string escape_html(std::string_view text);

// Without a message the starting page; with one (even an empty one) the failure page.
StatusPage render_status_page(std::optional<std::string_view> message);

}  // namespace tarven
