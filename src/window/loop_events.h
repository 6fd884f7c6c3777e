#pragma once
// What the help window does with each event of its loop. Pure: the window, the web view and the
// quit sequence are reached through HelpWindowOps, which the Win32 side implements and tests
// fake.
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <variant>

#include "base/durations.h"
#include "events/help_event.h"
#include "window/navigation_policy.h"

namespace tarven {

// The window's own events that matter; every other one is `Other`. `SessionEnding`: the user
// logs off or the system shuts down, and the process has little time left.
enum class WindowEvent { CloseRequested, SessionEnding, Other };

using LoopEvent = std::variant<WindowEvent, HelpEvent>;

// Once told to end, the loop stays ending.
struct LoopControl {
    bool end = false;
    int exit_code = 0;

    void end_with(int code) {
        if (end) return;
        end = true;
        exit_code = code;
    }
};

class HelpWindowOps {
public:
    virtual ~HelpWindowOps() = default;
    virtual void set_visible(bool shown) = 0;
    // Brings the window forward when it is visible, not minimised and not in front already.
    virtual void focus() = 0;
    virtual bool has_web_view() const = 0;
    // Failures are ignored: the web view keeps what it showed.
    virtual void load_url(std::string_view url) = 0;
    virtual void load_html(std::string_view html) = 0;
    // Closes the web view, takes it out of the window and lets its browser process end (within
    // `browser_wait`), since that holds the web view's data in the work folder open.
    virtual void close_web_view(durations::Duration browser_wait) = 0;
    // The quit sequence: returns when the application, its job and the work folder are dealt with.
    virtual void quit_application(std::optional<std::uint16_t> port) = 0;
    // The session's short ending: no quit request, the application ended at once, the folder
    // removed with a few quick attempts.
    virtual void end_for_session() = 0;
};

struct HelpWindowState {
    std::shared_ptr<SharedPort> shared_port;
    HelpWindowOps* ops = nullptr;
    bool revealed = false;
    bool failed = false;
};

void handle_loop_event(HelpWindowState& state, const LoopEvent& event, LoopControl& control);

}  // namespace tarven
