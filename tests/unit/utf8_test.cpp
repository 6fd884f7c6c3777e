#include <gtest/gtest.h>

#include "base/utf8.h"

namespace tarven {
namespace {

const std::string replacement = "\xEF\xBF\xBD";

std::string times(const std::string& text, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

TEST(StrictUtf8, AcceptsEveryWellFormedLengthAtItsLimits) {
    for (const char* text : {"", "plain", "\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF",
                             "\xEE\x80\x80", "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(is_valid_utf8(text)) << text;
    EXPECT_TRUE(is_valid_utf8(std::string("a\0b", 3))) << "NUL is a character like any other";
}

TEST(StrictUtf8, RefusesOverlongSurrogatesTooLargeAndCutSequences) {
    for (const char* text : {
             "\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",  // overlong
             "\xED\xA0\x80", "\xED\xBF\xBF",                              // surrogates
             "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF",              // above U+10FFFF
             "\xC3", "\xE2\x82", "\xF0\x9F\x98", "abc\xE2",               // cut short
             "\x80", "a\xBFz",                                            // lone continuation
         })
        EXPECT_FALSE(is_valid_utf8(text)) << testing::PrintToString(std::string(text));
}

TEST(StrictUtf8, DecodesToCodePoints) {
    EXPECT_EQ(decode_utf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), std::u32string(U"a\u00E9\u20AC\U0001F600"));
    EXPECT_EQ(decode_utf8("\xED\xA0\x80"), std::nullopt);
}

TEST(StrictUtf8, EncodingRoundTripsAtEveryLengthBoundary) {
    for (const char32_t c :
         {char32_t{0}, char32_t{0x7F}, char32_t{0x80}, char32_t{0x7FF}, char32_t{0x800}, char32_t{0xD7FF},
          char32_t{0xE000}, char32_t{0xFFFF}, char32_t{0x10000}, char32_t{0x10FFFF}}) {
        std::string bytes;
        append_utf8(bytes, c);
        EXPECT_EQ(decode_utf8(bytes), std::u32string(1, c)) << std::hex << static_cast<unsigned>(c);
    }
}

TEST(LossyUtf8, KeepsValidTextUnchanged) {
    const std::string text = "port \xE2\x80\xAF 8080 \xF0\x9F\x98\x80";
    EXPECT_EQ(decode_utf8_lossy(text), text);
}

TEST(LossyUtf8, ReplacesEachMaximalSubpartOnce) {
    // The Unicode standard's own example of U+FFFD substitution.
    EXPECT_EQ(decode_utf8_lossy("\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64"),
              "a" + times(replacement, 3) + "b" + replacement + "c" + times(replacement, 2) + "d");
    EXPECT_EQ(decode_utf8_lossy("\xF0\x9F\x98"), replacement) << "a cut sequence is one subpart";
    EXPECT_EQ(decode_utf8_lossy("\xE0\x80"), times(replacement, 2)) << "no valid second byte: two subparts";
    EXPECT_EQ(decode_utf8_lossy("\xED\xA0\x80"), times(replacement, 3)) << "a surrogate is three";
    EXPECT_EQ(decode_utf8_lossy("\xC0\xAF"), times(replacement, 2));
    EXPECT_EQ(decode_utf8_lossy("\xF4\x90\x80\x80!"), times(replacement, 4) + "!");
    EXPECT_EQ(decode_utf8_lossy("\xE2\x82"
                                "A"),
              replacement + "A")
        << "the next character survives";
}

}  // namespace
}  // namespace tarven
