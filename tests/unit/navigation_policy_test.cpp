#include <gtest/gtest.h>

#include "window/navigation_policy.h"

namespace tarven {
namespace {

TEST(NavigationAllowed, HelpAddressAndWhatBeginsWithIt) {
    EXPECT_TRUE(navigation_allowed("http://127.0.0.1:80/desk/help", 80));
    EXPECT_TRUE(navigation_allowed("http://127.0.0.1:80/desk/help/topics/start?q=1#top", 80));
    EXPECT_TRUE(navigation_allowed("http://127.0.0.1:80/desk/helpdesk", 80));
    // Port 80 as the web view reports it, without ":80".
    EXPECT_TRUE(navigation_allowed("http://127.0.0.1/desk/help", 80));
    EXPECT_TRUE(navigation_allowed("http://127.0.0.1/desk/help/topics/start?q=1#top", 80));
}

TEST(NavigationAllowed, EverythingElseOnTheServerOrElsewhereIsRefused) {
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1:80/desk/quit", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1:80/", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1:808/desk/help", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1:8080/desk/help", 808));
    EXPECT_FALSE(navigation_allowed("http://localhost:80/desk/help", 80));
    EXPECT_FALSE(navigation_allowed("file:///C:/Windows/win.ini", 80));
    EXPECT_FALSE(navigation_allowed("https://example.com/", 80));
    EXPECT_FALSE(navigation_allowed("HTTP://127.0.0.1:80/desk/help", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1:80/desk/hel", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1/desk/help", 8080));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1/desk/quit", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1/desk/hel", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1:8080/desk/help", 80));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1/", 80));
}

TEST(NavigationAllowed, OwnPagesAlwaysPassCaseSensitively) {
    EXPECT_TRUE(navigation_allowed("about:", std::nullopt));
    EXPECT_TRUE(navigation_allowed("about:blank", std::nullopt));
    EXPECT_TRUE(navigation_allowed("data:", std::nullopt));
    EXPECT_TRUE(navigation_allowed("data:text/html,<p>x</p>", 80));
    EXPECT_FALSE(navigation_allowed("About:blank", std::nullopt));
    EXPECT_FALSE(navigation_allowed("about", std::nullopt));
    EXPECT_FALSE(navigation_allowed("data", std::nullopt));
    EXPECT_FALSE(navigation_allowed("", std::nullopt));
}

TEST(NavigationAllowed, WithoutAPortNothingElsePasses) {
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1:80/desk/help", std::nullopt));
    EXPECT_FALSE(navigation_allowed("http://127.0.0.1/desk/help", std::nullopt));
}

TEST(SharedPort, EmptyUntilSet) {
    SharedPort port;
    EXPECT_EQ(port.get(), std::nullopt);
    port.set(8080);
    EXPECT_EQ(port.get(), std::optional<std::uint16_t>(8080));
}

}  // namespace
}  // namespace tarven
