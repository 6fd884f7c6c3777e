#include "supervise/starter_win.h"

#include <windows.h>

#include <thread>

#include "base/deadline.h"
#include "base/detached_thread_win.h"
#include "base/os_error_win.h"
#include "base/small_file_win.h"
#include "base/step_end.h"
#include "base/unique_resource_win.h"
#include "payload/unpack_win.h"
#include "desk/port_text.h"
#include "supervise/start_application_win.h"
#include "words/user_words.h"

namespace tarven {
namespace {

// Starts the application unless the quit sequence has closed the gate. Recording happens under
// the gate too, so a quit sequence that closed it afterwards finds the process to end.
// Stopped when the gate was closed; otherwise the failure's message, or done.
Result<StepEnd> start_and_record(const WorkFolder& folder, AppChild& child, BeforeJobStep before_job_step) {
    Result<StepEnd> outcome = StepEnd::done;
    const bool ran = child.gate().run_unless_closed([&] {
        auto started = start_application(folder, child, before_job_step);
        if (!started) {
            outcome = fail(words::did_not_start(started.error()));
            return;
        }
        child.record(std::move(started).value());
    });
    if (!ran) return StepEnd::stopped;
    return outcome;
}

}  // namespace

void run_starter(StarterWork work, StarterSteps steps) noexcept {
    try {
        steps(work);
    } catch (...) {
        // Silence would leave the window at "Starting…" for ever and the time limit unarmed.
        try {
            work.sink->post(HelpEvent::failed(std::string(words::stopped_unexpectedly)));
        } catch (...) {
            // Not even the message could be made: nothing is left to tell.
        }
    }
}

void run_starter_steps(StarterWork& work) {
    EventSink& sink = *work.sink;
    AppChild& child = *work.child;
    auto unpacked = unpack_payload(work.payload, work.folder, child.gate());
    if (!unpacked) {
        sink.post(HelpEvent::failed(unpacked.error()));
        return;
    }
    if (unpacked.value() == UnpackEnd::stopped) return;

    const auto started = start_and_record(work.folder, child, work.before_job_step);
    if (!started) {
        sink.post(HelpEvent::failed(started.error()));
        return;
    }
    if (started.value() == StepEnd::stopped) return;
    wait_for_port(work.folder, child, sink, work.times);
}

Status start_starter_thread(StarterWork work) {
    // Shared only to be copyable, as the thread's work must be; the thread alone uses it.
    auto owned = std::make_shared<StarterWork>(std::move(work));
    return start_detached_thread([owned] { run_starter(std::move(*owned)); });
}

std::optional<std::uint16_t> read_port(const WorkFolder& folder, StarterGate& gate) {
    std::optional<std::string> text;
    if (!gate.run_unless_closed([&] { text = read_small_disk_file(folder.handle(), L"port", max_port_file_bytes); }))
        return std::nullopt;
    if (!text) return std::nullopt;
    return parse_port_text(*text);
}

void wait_for_port(const WorkFolder& folder, AppChild& child, EventSink& sink, const StarterTimes& times) {
    const Deadline deadline(times.port_deadline);
    for (;;) {
        if (const auto port = read_port(folder, child.gate())) {
            sink.post(HelpEvent::ready(*port));
            watch_application(child, sink, times);
            return;
        }
        if (child.has_ended()) {
            sink.post(HelpEvent::failed(std::string(words::stopped_as_it_started)));
            return;
        }
        if (deadline.passed()) {
            sink.post(HelpEvent::failed(std::string(words::did_not_answer_in_time)));
            return;
        }
        std::this_thread::sleep_for(times.port_poll);
    }
}

void watch_application(AppChild& child, EventSink& sink, const StarterTimes& times) {
    while (!child.has_ended()) std::this_thread::sleep_for(times.watch_poll);
    sink.post(HelpEvent::ended());
}

}  // namespace tarven
