#pragma once
// The starter thread's work: unpack, start the application, learn its port, watch it.
#include <cstdint>
#include <memory>
#include <optional>

#include "base/durations.h"
#include "base/result.h"
#include "payload/payload.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"
#include "events/help_event.h"

namespace tarven {

struct StarterTimes {
    durations::Duration port_poll = durations::port_poll;
    durations::Duration port_deadline = durations::port_deadline;
    durations::Duration watch_poll = durations::watch_poll;
};

struct StarterWork {
    Payload payload;
    WorkFolder folder;
    std::shared_ptr<AppChild> child;
    std::unique_ptr<EventSink> sink;
    StarterTimes times;
};

// The whole of the starter thread's run.
void run_starter(StarterWork work);

// Starts a thread running `run_starter` and drops its handle. The failure's text says why the
// system refused the thread.
Status start_starter_thread(StarterWork work);

std::optional<std::uint16_t> read_port(const WorkFolder& folder);

void wait_for_port(const WorkFolder& folder, AppChild& child, EventSink& sink, const StarterTimes& times);
void watch_application(AppChild& child, EventSink& sink, const StarterTimes& times);

}  // namespace tarven
