#include <gtest/gtest.h>

#include "window/status_page.h"

namespace tarven {
namespace {

std::string body_of(const std::string& page) {
    const auto start = page.find("<body>") + 6;
    return page.substr(start, page.find("</body>") - start);
}

std::string paragraph_of(const std::string& page) {
    const auto start = page.find("<p>") + 3;
    return page.substr(start, page.find("</p>") - start);
}

TEST(StatusPage, StartingPageIsTheTemplateExactly) {
    const std::string expected =
        "<!doctype html><html lang=\"en\"><head><meta charset=\"utf-8\"><title>Tarven Help</title>\n"
        "<style>\n"
        ":root { --bg:#0b1220; --text:#eef2f8; --dim:#b6c0d2; color-scheme:dark; }\n"
        "@media (prefers-color-scheme: light) { :root { --bg:#ffffff; --text:#0b1b2b; --dim:#45556a; "
        "color-scheme:light; } }\n"
        "body { margin:0; background:var(--bg); color:var(--text); font:16px/1.5 system-ui,\"Segoe "
        "UI\",sans-serif; }\n"
        ".wrap { max-width:460px; margin:0 auto; padding:40px 20px; }\n"
        "h1 { font-size:20px; font-weight:650; margin:0 0 8px; }\n"
        "p { margin:0; color:var(--dim); }\n"
        "</style></head><body><div class=\"wrap\"><h1>Starting Tarven Help\xE2\x80\xA6</h1><p>This takes a few "
        "seconds.</p></div></body></html>";
    EXPECT_EQ(render_status_page(std::nullopt), expected);
}

TEST(StatusPage, FailurePageCarriesTheEscapedMessageAndTheSuffix) {
    const std::string page = render_status_page("Tarven didn't answer in time.");
    EXPECT_EQ(body_of(page),
              "<div class=\"wrap\"><h1>Tarven Help couldn't start</h1><p>Tarven didn't answer in time. Close this "
              "window and open Tarven Help again.</p></div>");
    // Both pages share everything up to the heading.
    const std::string starting = render_status_page(std::nullopt);
    EXPECT_EQ(page.substr(0, page.find("<h1>")), starting.substr(0, starting.find("<h1>")));
}

TEST(StatusPage, EmptyMessageStillGivesTheFailurePage) {
    EXPECT_EQ(paragraph_of(render_status_page("")), " Close this window and open Tarven Help again.");
}

TEST(StatusPage, MessageIsEscapedButLineBreaksStay) {
    EXPECT_EQ(paragraph_of(render_status_page("&<>\"")),
              "&amp;&lt;&gt;&quot; Close this window and open Tarven Help again.");
    EXPECT_EQ(paragraph_of(render_status_page("two\nlines")),
              "two\nlines Close this window and open Tarven Help again.");
}

TEST(EscapeHtml, ReplacesTheFourCharactersOnceAndNothingElse) {
    EXPECT_EQ(escape_html("a<b"), "a&lt;b");
    EXPECT_EQ(escape_html("&amp;"), "&amp;amp;");
    EXPECT_EQ(escape_html("it's \xC3\xA9t\xC3\xA9\t\x01"), "it's \xC3\xA9t\xC3\xA9\t\x01");
    EXPECT_EQ(escape_html(""), "");
}

}  // namespace
}  // namespace tarven
