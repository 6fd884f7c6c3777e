#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "desk/port_text.h"

namespace tarven {
namespace {

using Port = std::optional<std::uint16_t>;

TEST(PortText, PlainNumbersAndLineEnds) {
    EXPECT_EQ(parse_port_text("8080"), Port(8080));
    EXPECT_EQ(parse_port_text("8080\n"), Port(8080));
    EXPECT_EQ(parse_port_text("8080\r\n"), Port(8080));
    EXPECT_EQ(parse_port_text("1"), Port(1));
    EXPECT_EQ(parse_port_text("65535"), Port(65535));
    EXPECT_EQ(parse_port_text("80"), Port(80));  // a half-written 8080 is taken as it is
}

TEST(PortText, SignLeadingZerosAndSurroundingSpace) {
    EXPECT_EQ(parse_port_text("+8080"), Port(8080));
    EXPECT_EQ(parse_port_text("  8080  "), Port(8080));
    EXPECT_EQ(parse_port_text("\t\v\f 8080\r\n\r\n"), Port(8080));
    EXPECT_EQ(parse_port_text(" +8080 "), Port(8080));
    EXPECT_EQ(parse_port_text("08080"), Port(8080));
    EXPECT_EQ(parse_port_text("0000000000000000000000000000000000000001"), Port(1));
}

TEST(PortText, UnicodeWhiteSpaceAround) {
    EXPECT_EQ(parse_port_text("\u30008080\u3000"), Port(8080));  // ideographic space
    EXPECT_EQ(parse_port_text("8080\u0085"), Port(8080));        // next line
    EXPECT_EQ(parse_port_text("\u00A0\u16808080\u2028\u2029"), Port(8080));
    EXPECT_EQ(parse_port_text("\u2000\u200A8080\u202F\u205F"), Port(8080));
}

TEST(PortText, NotWhiteSpaceIsNotStripped) {
    EXPECT_EQ(parse_port_text("\u200B8080"), std::nullopt);  // zero width space is no White_Space
    EXPECT_EQ(parse_port_text("\u180E8080"), std::nullopt);
    EXPECT_EQ(parse_port_text("\xEF\xBB\xBF"
                              "8080"),
              std::nullopt);  // byte-order mark
    EXPECT_EQ(parse_port_text(std::string("8080\0", 5)), std::nullopt);
}

TEST(PortText, OutOfRange) {
    EXPECT_EQ(parse_port_text("0"), std::nullopt);
    EXPECT_EQ(parse_port_text("00000"), std::nullopt);
    EXPECT_EQ(parse_port_text("65536"), std::nullopt);
    EXPECT_EQ(parse_port_text("99999"), std::nullopt);
    // Values that wrap to a valid port in 16 or 32 bits if the sum is not checked as it grows.
    EXPECT_EQ(parse_port_text("73616"), std::nullopt);                 // 65536 + 8080
    EXPECT_EQ(parse_port_text("4294975376"), std::nullopt);            // 2^32 + 8080
    EXPECT_EQ(parse_port_text("18446744073709559696"), std::nullopt);  // 2^64 + 8080
    EXPECT_EQ(parse_port_text(std::string(10000, '9')), std::nullopt);
    EXPECT_EQ(parse_port_text(std::string(10000, '0') + "8080"), Port(8080));
}

TEST(PortText, MalformedBodies) {
    for (const char* text : {"", " ", "\r\n", "+", "-", " + ", "-8080", "++8080", "+-8080", "80 80", "8080a", "0x1F90",
                             "8080.0", "8,080", "８０８０", "8080 8081", "+ 8080"})
        EXPECT_EQ(parse_port_text(text), std::nullopt) << '"' << text << '"';
}

TEST(PortText, InvalidUtf8IsNoPort) {
    EXPECT_EQ(parse_port_text("8080\xFF"), std::nullopt);
    EXPECT_EQ(parse_port_text("\xC0\xA0"
                              "8080"),
              std::nullopt);                                   // overlong blank
    EXPECT_EQ(parse_port_text("8080\xE3\x80"), std::nullopt);  // cut U+3000
    EXPECT_EQ(parse_port_text("\xED\xA0\x80"
                              "8080"),
              std::nullopt);  // surrogate
}

}  // namespace
}  // namespace tarven
