#pragma once
#include <atomic>
#include <cstdint>
#include <optional>

#include "base/durations.h"
#include "desk/desk_win.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"

namespace tarven {

struct QuitTimes {
    QuitRequestTimes request;
    durations::Duration app_end_wait = durations::app_end_wait;
    durations::Duration app_end_poll = durations::app_end_poll;
    int remove_attempts = durations::remove_attempts;
    durations::Duration remove_pause = durations::remove_pause;
};

// Ends a run: stops the starter, asks the application to quit (when a port is known), gives it
// time, terminates it and its job, removes the work folder. Never fails, prints nothing. Once
// `hurry` holds, the waits still to come are the session's short ones: no more grace for the
// application, a few quick removal attempts.
void quit_application(const WorkFolder& folder, AppChild& child, std::optional<std::uint16_t> port,
                      const QuitTimes& times = {}, const std::atomic<bool>* hurry = nullptr);

}  // namespace tarven
