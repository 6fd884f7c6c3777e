#include <gtest/gtest.h>

#include "smoke/smoke_verdict.h"

namespace tarven {
namespace {

TEST(SmokeVerdict, NeedsHttp11Status200AndTheProductName) {
    EXPECT_TRUE(smoke_verdict_passes("HTTP/1.1 200 OK\r\n\r\n<title>Tarven Help</title>"));
    EXPECT_TRUE(smoke_verdict_passes("HTTP/1.1 2000 Tarven Help"));  // the 13th byte is not looked at
    EXPECT_TRUE(smoke_verdict_passes("HTTP/1.1 200 OK\r\nX-Name: Tarven Help\r\n\r\n"));
}

TEST(SmokeVerdict, RefusesEveryOtherAnswer) {
    EXPECT_FALSE(smoke_verdict_passes(""));
    EXPECT_FALSE(smoke_verdict_passes("HTTP/1.1 20"));
    EXPECT_FALSE(smoke_verdict_passes("HTTP/1.1 404 Not Found\r\n\r\nTarven Help"));
    EXPECT_FALSE(smoke_verdict_passes("HTTP/1.0 200 OK\r\n\r\nTarven Help"));
    EXPECT_FALSE(smoke_verdict_passes("http/1.1 200 OK\r\n\r\nTarven Help"));
    EXPECT_FALSE(smoke_verdict_passes("HTTP/1.1 200 OK\r\n\r\ntarven help"));
    EXPECT_FALSE(smoke_verdict_passes("HTTP/1.1 200 OK\r\n\r\nTarven  Help"));
}

TEST(FirstLine, EndsAtTheFirstLineFeedWithoutOneCarriageReturn) {
    EXPECT_EQ(first_line("HTTP/1.1 404 Not Found\r\nServer: x\r\n"), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(first_line("HTTP/1.1 404\nnext"), "HTTP/1.1 404");
    EXPECT_EQ(first_line("a\r\r\nb"), "a\r");
    EXPECT_EQ(first_line("a\rb"), "a\rb");
    EXPECT_EQ(first_line("no line end"), "no line end");
    EXPECT_EQ(first_line(""), "");
    EXPECT_EQ(first_line("\r\n"), "");
}

}  // namespace
}  // namespace tarven
