#pragma once
// The starter thread's work: unpack, start the application, learn its port, watch it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "base/durations.h"
#include "base/result.h"
#include "payload/payload.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"
#include "supervise/start_application_win.h"
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
    BeforeJobStep before_job_step = nullptr;  // for tests only (start_application)
};

// Unpacking, starting the application, the port handshake and the watch.
void run_starter_steps(StarterWork& work);

// The whole of the starter thread's run: `steps` under a last resort that turns anything thrown
// into the failure "Tarven Help stopped unexpectedly", so the run ends as any failed start does.
using StarterSteps = void (*)(StarterWork&);
void run_starter(StarterWork work, StarterSteps steps = run_starter_steps) noexcept;

// Starts a thread running `run_starter` and drops its handle. The failure's text says why the
// system refused the thread.
Status start_starter_thread(StarterWork work);

// Far more than any form of a port needs; a longer file is no port (yet).
inline constexpr std::size_t max_port_file_bytes = 4096;

// Read through the folder's hold, inside the gate: nothing once the run is ending.
std::optional<std::uint16_t> read_port(const WorkFolder& folder, StarterGate& gate);

void wait_for_port(const WorkFolder& folder, AppChild& child, EventSink& sink, const StarterTimes& times);
void watch_application(AppChild& child, EventSink& sink, const StarterTimes& times);

}  // namespace tarven
