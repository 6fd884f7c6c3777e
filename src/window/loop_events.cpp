#include "window/loop_events.h"

#include "desk/desk_request.h"
#include "window/status_page.h"

namespace tarven {
namespace {

void close_and_quit(HelpWindowState& state, std::optional<std::uint16_t> port, LoopControl& control) {
    // The web view's data lies in the work folder that the quit sequence removes.
    if (state.ops->has_web_view()) state.ops->close_web_view(durations::browser_exit_wait);
    state.ops->quit_application(port);
    control.end_with(0);
}

void on_close_request(HelpWindowState& state, std::optional<std::uint16_t> port, LoopControl& control) {
    state.ops->set_visible(false);         // the window vanishes at once; the quit sequence may take a while
    close_and_quit(state, port, control);  // exit point: window closed
}

void on_session_ending(HelpWindowState& state, LoopControl& control) {
    if (state.ops->has_web_view()) state.ops->close_web_view(durations::session_browser_exit_wait);
    state.ops->end_for_session();
    control.end_with(0);
}

void on_help_event(HelpWindowState& state, const HelpEvent& event, LoopControl& control) {
    HelpWindowOps& ops = *state.ops;
    switch (event.kind) {
        case HelpEvent::Kind::Reveal:
            if (state.revealed) return;
            state.revealed = true;
            ops.set_visible(true);
            ops.focus();
            return;
        case HelpEvent::Kind::Ready:
            state.shared_port->set(event.port);
            if (ops.has_web_view()) ops.load_url(help_address(event.port));
            return;
        case HelpEvent::Kind::Failed:
            state.failed = true;
            if (ops.has_web_view()) ops.load_html(render_status_page(event.message));
            ops.set_visible(true);
            return;
        case HelpEvent::Kind::Ended:
            // After a failure the failure page stays until the user closes the window.
            if (state.failed) return;
            close_and_quit(state, std::nullopt, control);  // exit point: application ended
            return;
    }
}

}  // namespace

void handle_loop_event(HelpWindowState& state, const LoopEvent& event, LoopControl& control) {
    if (const auto* window_event = std::get_if<WindowEvent>(&event)) {
        if (*window_event == WindowEvent::CloseRequested) on_close_request(state, state.shared_port->get(), control);
        if (*window_event == WindowEvent::SessionEnding) on_session_ending(state, control);
        return;
    }
    on_help_event(state, std::get<HelpEvent>(event), control);
}

}  // namespace tarven
