#pragma once
#include "base/durations.h"
#include "payload/payload.h"
#include "supervise/quit_win.h"
#include "supervise/starter_win.h"

namespace tarven {

struct SmokeTimes {
    durations::Duration event_wait = durations::smoke_event_wait;
    StarterTimes starter;
    HelpRequestLimits help;
    QuitTimes quit;
};

// The headless run: unpack, start, fetch the help page, quit, check that nothing is left.
// Reports one line and returns the exit code. `before_job_step` is for tests (start_application).
int run_smoke_test(const Payload& payload, const SmokeTimes& times = {}, BeforeJobStep before_job_step = nullptr);

}  // namespace tarven
