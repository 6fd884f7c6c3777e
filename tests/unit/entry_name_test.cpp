#include <gtest/gtest.h>

#include <vector>

#include "base/utf8.h"
#include "payload/entry_name.h"

namespace tarven {
namespace {

std::string utf8(char32_t c) {
    std::string out;
    append_utf8(out, c);
    return out;
}

TEST(EntryName, LengthIsCountedInBytesFromOneTo128) {
    EXPECT_FALSE(check_entry_name(""));
    EXPECT_TRUE(check_entry_name("a"));
    EXPECT_TRUE(check_entry_name(std::string(128, 'a')));
    EXPECT_FALSE(check_entry_name(std::string(129, 'a')));
    // 64 two-byte characters are 128 bytes; one more character is too many bytes.
    std::string wide;
    for (int i = 0; i < 64; ++i) wide += "\xC3\xA9";
    EXPECT_TRUE(check_entry_name(wide));
    EXPECT_FALSE(check_entry_name(wide + "e"));
}

TEST(EntryName, OnlyTheWholeDotNamesAreRefused) {
    EXPECT_FALSE(check_entry_name("."));
    EXPECT_FALSE(check_entry_name(".."));
    EXPECT_TRUE(check_entry_name("..."));
    EXPECT_TRUE(check_entry_name(".hidden"));
    EXPECT_TRUE(check_entry_name("a."));
}

TEST(EntryName, SeparatorsDrivesAndNulAreRefusedAnywhere) {
    const std::vector<std::string> names = {
        "a/b", "/a", "c:", "a:stream", "a\\b", "\\", std::string("a\0b", 3), std::string(1, '\0')};
    for (const std::string& name : names) EXPECT_FALSE(check_entry_name(name)) << name;
}

TEST(EntryName, CharactersWindowsForbidsAreLeftToTheFileSystem) {
    for (const char* name : {"a*b", "what?", "a|b", "<x>", "\"q\"", "Tarven.exe", "tmp", "naïve \xE2\x80\x8B"})
        EXPECT_TRUE(check_entry_name(name)) << name;
}

TEST(EntryName, InvalidUtf8IsNeverAllowed) { EXPECT_FALSE(check_entry_name("\xC0\xAF")); }

TEST(QuotedName, PlainNamesAreOnlyQuoted) {
    EXPECT_EQ(quote_entry_name(""), "\"\"");
    EXPECT_EQ(quote_entry_name("Tarven.exe"), "\"Tarven.exe\"");
    EXPECT_EQ(quote_entry_name("it's a file"), "\"it's a file\"");
}

TEST(QuotedName, QuotesBackslashesAndCommonControlsHaveShortEscapes) {
    EXPECT_EQ(quote_entry_name("a\\b"), "\"a\\\\b\"");
    EXPECT_EQ(quote_entry_name("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(quote_entry_name(std::string("a\0b", 3)), "\"a\\0b\"");
    EXPECT_EQ(quote_entry_name("\t\n\r"), "\"\\t\\n\\r\"");
}

TEST(QuotedName, NonPrintableAndCombiningCharactersAreHexEscaped) {
    const struct {
        char32_t c;
        const char* escaped;
    } cases[] = {
        {0x01, "\\u{1}"},        {0x7F, "\\u{7f}"},         {0x85, "\\u{85}"},         {0xA0, "\\u{a0}"},
        {0xAD, "\\u{ad}"},       {0x0301, "\\u{301}"},      {0x0378, "\\u{378}"},      {0x200B, "\\u{200b}"},
        {0x200D, "\\u{200d}"},   {0x2028, "\\u{2028}"},     {0x2029, "\\u{2029}"},     {0x3000, "\\u{3000}"},
        {0xE000, "\\u{e000}"},   {0xFE0F, "\\u{fe0f}"},     {0xFEFF, "\\u{feff}"},     {0xFFFF, "\\u{ffff}"},
        {0xF0000, "\\u{f0000}"}, {0x10FFFD, "\\u{10fffd}"}, {0x10FFFF, "\\u{10ffff}"}, {0xE0001, "\\u{e0001}"},
    };
    for (const auto& [c, escaped] : cases)
        EXPECT_EQ(quote_entry_name("x" + utf8(c)), "\"x" + std::string(escaped) + "\"")
            << std::hex << static_cast<unsigned>(c);
}

TEST(QuotedName, PrintableCharactersStayAsThemselves) {
    // Includes characters inside the ranges that the Unicode data gives only by first and last.
    for (const char32_t c : {char32_t{0x20}, char32_t{0x7E}, char32_t{0xE9}, char32_t{0x0416}, char32_t{0x6C34},
                             char32_t{0x3400}, char32_t{0xAC01}, char32_t{0x20000}, char32_t{0x1F600}}) {
        const std::string text = utf8(c);
        EXPECT_EQ(quote_entry_name(text), "\"" + text + "\"") << std::hex << static_cast<unsigned>(c);
    }
}

}  // namespace
}  // namespace tarven
