#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "desk_support_win.h"
#include "desk/desk_win.h"
#include "polling.h"

namespace tarven {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::LoopbackServer;

// What the server's handler saw, handed over to the test thread.
class Inbox {
public:
    void put(std::string bytes) {
        {
            const std::lock_guard lock(mutex_);
            items_.push_back(std::move(bytes));
        }
        arrived_.notify_all();
    }

    // The first item, once it has come (empty after 20 s without).
    std::string first() {
        std::unique_lock lock(mutex_);
        arrived_.wait_for(lock, 20s, [&] { return !items_.empty(); });
        return items_.empty() ? std::string() : items_.front();
    }

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::string> items_;
};

std::string expected_quit_request(std::uint16_t port) {
    return "POST /desk/quit HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
           "\r\nX-Tarven-Desk: 1\r\nContent-Type: application/json\r\nContent-Length: 2\r\n"
           "Connection: close\r\n\r\n{}";
}

std::string expected_help_request(std::uint16_t port) {
    return "GET /desk/help HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n";
}

constexpr QuitRequestTimes short_quit{2s, 300ms};
constexpr HelpRequestLimits short_help{3s, 300ms};

TEST(SendQuitRequest, SendsExactlyTheRequestOnOneConnectionAndReturnsOnTheAnswer) {
    Inbox inbox;
    LoopbackServer server([&](SOCKET s) {
        std::string bytes = test::read_request(s);
        test::send_text(s, "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        bytes += test::read_until_closed(s);  // anything sent after the request would show here
        inbox.put(bytes);
    });

    // Default times: an answer that comes at once must not wait for the receive time-out.
    const auto took = test::time_of([&] { send_quit_request(server.port()); });

    EXPECT_EQ(inbox.first(), expected_quit_request(server.port()));
    EXPECT_EQ(server.connections(), 1);
    EXPECT_LT(took, 2s);
}

TEST(SendQuitRequest, ServerThatNeverAnswersCostsOneReceiveTimeout) {
    Inbox inbox;
    LoopbackServer server([&](SOCKET s) { inbox.put(test::read_until_closed(s)); });

    const auto took = test::time_of([&] { send_quit_request(server.port(), short_quit); });

    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 2s);
    EXPECT_EQ(inbox.first(), expected_quit_request(server.port()));
}

TEST(SendQuitRequest, NothingListeningReturnsAtOnce) {
    const std::uint16_t port = test::unused_port();
    const auto took = test::time_of([&] { send_quit_request(port); });
    EXPECT_LT(took, 1s);
}

TEST(FetchHelpPage, ReturnsTheWholeResponseUntilTheServerCloses) {
    // Body longer than its Content-Length, sent in pieces: only the end of the stream ends it.
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\n";
    const std::string body = "<p>Tarven Help</p>" + std::string(100'000, 'x') + "end";
    Inbox inbox;
    LoopbackServer server([&](SOCKET s) {
        inbox.put(test::read_request(s));
        test::send_text(s, head);
        std::this_thread::sleep_for(50ms);
        test::send_text(s, body);
    });

    const std::string page = fetch_help_page(server.port(), short_help);

    EXPECT_EQ(inbox.first(), expected_help_request(server.port()));
    EXPECT_EQ(page.size(), head.size() + body.size());
    EXPECT_TRUE(page == head + body);
    EXPECT_EQ(server.connections(), 1);
}

TEST(FetchHelpPage, ResponseOfAServerThatKeepsTheConnectionOpenEndsAtTheReceiveTimeout) {
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nhelp";
    LoopbackServer server([&](SOCKET s) {
        (void)test::read_request(s);
        test::send_text(s, answer);
        (void)test::read_until_closed(s);
    });

    std::string page;
    const auto took = test::time_of([&] { page = fetch_help_page(server.port(), short_help); });

    EXPECT_EQ(page, answer);
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 3s);
}

// Cut off, the answer is what arrived, as at a receive time-out.
TEST(FetchHelpPage, AnswerThatTricklesOrFloodsIsCutOffAtItsLimit) {
    const std::string head = "HTTP/1.1 200 OK\r\n\r\nTarven Help";
    {
        // A byte at a time, each well within the receive time-out, for longer than the total limit.
        LoopbackServer trickles([&](SOCKET s) {
            (void)test::read_request(s);
            test::send_text(s, head);
            for (int i = 0; i < 100 && ::send(s, "x", 1, 0) == 1; ++i) std::this_thread::sleep_for(100ms);
        });
        std::string page;
        const auto took = test::time_of([&] { page = fetch_help_page(trickles.port(), {3s, 300ms, 1s}); });
        EXPECT_GE(took, 900ms);
        EXPECT_LT(took, 3s);
        EXPECT_EQ(page.substr(0, head.size()), head);
        EXPECT_EQ(page.find_first_not_of('x', head.size()), std::string::npos);
        EXPECT_LT(page.size(), head.size() + 30);
    }
    {
        const std::string flood = head + std::string(4 << 20, 'x');
        LoopbackServer floods([&](SOCKET s) {
            (void)test::read_request(s);
            test::send_text(s, flood);
        });
        const std::string page = fetch_help_page(floods.port(), {3s, 300ms, 60s, 1 << 20});
        EXPECT_EQ(page.size(), std::size_t{1} << 20);
        EXPECT_TRUE(page == flood.substr(0, page.size()));
    }
}

TEST(FetchHelpPage, NothingReceivedGivesEmptyText) {
    {
        LoopbackServer closes_at_once([](SOCKET s) { (void)test::read_request(s); });
        EXPECT_EQ(fetch_help_page(closes_at_once.port(), short_help), "");
    }
    {
        LoopbackServer stays_silent([](SOCKET s) { (void)test::read_until_closed(s); });
        EXPECT_EQ(fetch_help_page(stays_silent.port(), short_help), "");
    }
    const std::uint16_t port = test::unused_port();
    std::string page = "unchanged";
    const auto took = test::time_of([&] { page = fetch_help_page(port); });
    EXPECT_EQ(page, "");
    EXPECT_LT(took, 1s);
}

TEST(FetchHelpPage, InvalidUtf8BecomesReplacementCharacters) {
    LoopbackServer server([](SOCKET s) {
        (void)test::read_request(s);
        test::send_text(s,
                        "HTTP/1.1 200 OK\r\n\r\nA\xFF"
                        "B\xC3\xA9"
                        "C\xE2\x82");
    });

    EXPECT_EQ(fetch_help_page(server.port(), short_help),
              "HTTP/1.1 200 OK\r\n\r\nA\xEF\xBF\xBD"
              "B\xC3\xA9"
              "C\xEF\xBF\xBD");
}

TEST(FetchHelpPage, ConnectGivesUpAfterItsTimeout) {
    // A listener that never accepts and has a full backlog drops further connection attempts
    // without refusing them.
    test::BacklogFiller filler;
    const std::uint16_t port = filler.port();

    std::string page = "unchanged";
    const auto took = test::time_of([&] { page = fetch_help_page(port, {300ms, 300ms}); });

    EXPECT_EQ(page, "");
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 2s);
}

}  // namespace
}  // namespace tarven
