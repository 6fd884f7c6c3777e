#include "window/status_page.h"

#include "words/user_words.h"

namespace tarven {
namespace {

constexpr std::string_view page_start = "<!doctype html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>";
constexpr std::string_view page_style =
    "</title>\n"
    "<style>\n"
    ":root { --bg:#0b1220; --text:#eef2f8; --dim:#b6c0d2; color-scheme:dark; }\n"
    "@media (prefers-color-scheme: light) { :root { --bg:#ffffff; --text:#0b1b2b; --dim:#45556a; "
    "color-scheme:light; } }\n"
    "body { margin:0; background:var(--bg); color:var(--text); font:16px/1.5 system-ui,\"Segoe UI\",sans-serif; }\n"
    ".wrap { max-width:460px; margin:0 auto; padding:40px 20px; }\n"
    "h1 { font-size:20px; font-weight:650; margin:0 0 8px; }\n"
    "p { margin:0; color:var(--dim); }\n"
    "</style></head><body><div class=\"wrap\"><h1>";

}  // namespace

std::string escape_html(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

StatusPage render_status_page(std::optional<std::string_view> message) {
    const std::string_view heading = message ? words::failure_heading : words::starting_heading;
    const std::string text =
        message ? escape_html(*message) + std::string(words::failure_suffix) : std::string(words::starting_text);
    std::string page(page_start);
    page += words::window_title;
    page += page_style;
    page += heading;
    page += "</h1><p>";
    page += text;
    page += "</p></div></body></html>";
    return page;
}

}  // namespace tarven
