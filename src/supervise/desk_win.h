#pragma once
// The launcher's two loopback requests to the application's desk.
#include <cstdint>
#include <string>

#include "base/durations.h"

namespace tarven {

struct QuitRequestTimes {
    durations::Duration connect = durations::quit_connect;
    durations::Duration receive = durations::quit_receive;
};

struct HelpRequestTimes {
    durations::Duration connect = durations::help_connect;
    durations::Duration receive = durations::help_receive;
};

// POST /desk/quit; waits for one receive of the answer and discards it. Silent on every failure.
void send_quit_request(std::uint16_t port, QuitRequestTimes times = {});

// GET /desk/help; the raw response up to the end of the stream (or a receive time-out), as
// UTF-8 with replacement. Empty when nothing was received.
std::string fetch_help_page(std::uint16_t port, HelpRequestTimes times = {});

}  // namespace tarven
