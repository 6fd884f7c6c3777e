#pragma once
// The launcher's two loopback requests to the application's desk.
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/durations.h"

namespace tarven {

struct QuitRequestTimes {
    durations::Duration connect = durations::quit_connect;
    durations::Duration receive = durations::quit_receive;
};

// Beyond these an answer is cut off where it stands: a server that trickles or floods it can
// neither hold the run nor exhaust its memory.
inline constexpr std::size_t help_answer_max_bytes = std::size_t{64} << 20;

struct HelpRequestLimits {
    durations::Duration connect = durations::help_connect;
    durations::Duration receive = durations::help_receive;
    durations::Duration total = durations::help_total;
    std::size_t max_bytes = help_answer_max_bytes;
};

// POST /desk/quit; waits for one receive of the answer and discards it. Silent on every failure.
void send_quit_request(std::uint16_t port, QuitRequestTimes times = {});

// GET /desk/help; the raw response up to the end of the stream (or a receive time-out, or the
// total time or size limit), as UTF-8 with replacement. Empty when nothing was received.
std::string fetch_help_page(std::uint16_t port, HelpRequestLimits limits = {});

}  // namespace tarven
