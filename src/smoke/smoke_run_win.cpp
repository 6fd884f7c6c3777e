#include "smoke/smoke_run_win.h"

#include "base/console_win.h"
#include "base/wide_win.h"
#include "desk/desk_win.h"
#include "smoke/smoke_verdict.h"
#include "supervise/starter_thread_failure_win.h"
#include "words/user_words.h"

namespace tarven {
namespace {

void report(std::string_view text) { write_error_line(words::smoke_line(text)); }

// The starter's first word: its port, or nothing after the line that says why was written.
std::optional<std::uint16_t> wait_for_ready(EventReceiver& receiver, const SmokeTimes& times) {
    for (;;) {
        auto received = receiver.receive_for(times.event_wait);
        const HelpEvent* event = std::get_if<HelpEvent>(&received);
        if (event == nullptr) {
            report(words::never_said_its_port);
            return std::nullopt;
        }
        if (event->kind == HelpEvent::Kind::Ready) return event->port;
        if (event->kind == HelpEvent::Kind::Failed) {
            report(event->message);
            return std::nullopt;
        }
        // Reveal and Ended don't come first in this run; wait again for the first word.
    }
}

}  // namespace

int run_smoke_test(const Payload& payload, const SmokeTimes& times, BeforeJobStep before_job_step) {
    auto made = make_work_folder();
    if (!made) {
        report(made.error());
        return 1;  // exit point: no work folder (smoke run)
    }
    RunOwner run(std::move(made).value());
    auto channel = make_event_channel();

    if (auto thread = start_starter_thread(
            {payload, run.folder(), run.child(), std::move(channel.sender), times.starter, before_job_step});
        !thread)
        return end_without_starter(run, thread.error());

    const auto port = wait_for_ready(channel.receiver, times);
    if (!port) {
        run.end_with_quit_sequence(std::nullopt, times.quit);  // exit point: smoke run without a port
        return 1;
    }

    const std::string help_text = fetch_help_page(*port, times.help);
    const bool passed = smoke_verdict_passes(help_text);
    if (!passed) report(words::help_page_answered(first_line(help_text)));
    run.end_with_quit_sequence(port, times.quit);  // exit point: smoke run's verdict

    if (work_folder_exists(run.folder())) {
        report(words::still_there(narrow_lossy(run.folder().path)));
        return 1;
    }
    if (!passed) return 1;
    write_output_line(words::smoke_line(words::smoke_passed(*port)));
    return 0;
}

}  // namespace tarven
