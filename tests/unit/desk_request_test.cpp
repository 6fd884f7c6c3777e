#include <gtest/gtest.h>

#include "desk/desk_request.h"

namespace tarven {
namespace {

TEST(DeskRequest, QuitRequestIsExactBytes) {
    const std::string expected =
        "POST /desk/quit HTTP/1.1\r\n"
        "Host: 127.0.0.1:8080\r\n"
        "X-Tarven-Desk: 1\r\n"
        "Content-Type: application/json\r\n"
        "Content-Length: 2\r\n"
        "Connection: close\r\n"
        "\r\n"
        "{}";
    const std::string text = quit_request_text(8080);
    EXPECT_EQ(text, expected);
    EXPECT_EQ(text.size(), 140u);
    EXPECT_EQ(text.back(), '}');  // no line end after the body
}

TEST(DeskRequest, HostHeaderHasNoLeadingZerosAtEitherEnd) {
    EXPECT_NE(quit_request_text(1).find("\r\nHost: 127.0.0.1:1\r\nX-Tarven-Desk"), std::string::npos);
    EXPECT_EQ(quit_request_text(1).size(), 137u);
    EXPECT_NE(quit_request_text(65535).find("\r\nHost: 127.0.0.1:65535\r\n"), std::string::npos);
    EXPECT_EQ(quit_request_text(65535).size(), 141u);
    EXPECT_EQ(help_request_text(1), "GET /desk/help HTTP/1.1\r\nHost: 127.0.0.1:1\r\nConnection: close\r\n\r\n");
}

TEST(DeskRequest, HelpRequestIsSixtyFourBytesPlusTheDigits) {
    EXPECT_EQ(help_request_text(8080), "GET /desk/help HTTP/1.1\r\nHost: 127.0.0.1:8080\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(help_request_text(8).size(), 65u);
    EXPECT_EQ(help_request_text(80).size(), 66u);
    EXPECT_EQ(help_request_text(65535).size(), 69u);
}

TEST(DeskRequest, HelpAddressNamesLoopbackAndPort) {
    EXPECT_EQ(help_address(80), "http://127.0.0.1:80/desk/help");
    EXPECT_EQ(help_address(1), "http://127.0.0.1:1/desk/help");
    EXPECT_EQ(help_address(65535), "http://127.0.0.1:65535/desk/help");
}

}  // namespace
}  // namespace tarven
