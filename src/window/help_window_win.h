#pragma once
// The launcher's one top-level window, created hidden.
#include <windows.h>

#include <functional>
#include <memory>

#include "base/result.h"
#include "window/event_loop_win.h"

namespace tarven {

struct HelpWindowSizes {
    int client_width = 480;  // logical pixels
    int client_height = 640;
    int min_client_width = 360;
    int min_client_height = 420;
};

class HelpWindow {
public:
    HelpWindow(const HelpWindow&) = delete;
    HelpWindow& operator=(const HelpWindow&) = delete;
    ~HelpWindow();  // destroys the window

    HWND hwnd() const { return hwnd_; }

    void set_visible(bool shown);
    // Foreground only when visible, not minimised and not already in front.
    void focus();

    // Called with the new client size whenever it changes (the web view follows it).
    void on_client_resized(std::function<void(RECT)> follower);

    // Called when the session ends, after the loop was handed WindowEvent::SessionEnding, for
    // when the loop could not handle it at once (not yet running, or busy in a handler that
    // pumps messages): the process ends soon after the window answers.
    void on_session_end(std::function<void()> ending);

    struct Impl;

private:
    friend Result<std::unique_ptr<HelpWindow>> create_help_window(EventLoop& loop, const HelpWindowSizes& sizes);
    HelpWindow(HWND hwnd, std::unique_ptr<Impl> impl);
    HWND hwnd_ = nullptr;
    std::unique_ptr<Impl> impl_;
};

// "Tarven Help", hidden, 480 × 640 logical client pixels on the monitor it opens on, icon
// resource 1, a resizable frame, an OLE drop target whose drops are ignored. Its close request
// goes to the loop as WindowEvent::CloseRequested. The failure's text is the system's. The loop
// must outlive the window and stay where it is.
Result<std::unique_ptr<HelpWindow>> create_help_window(EventLoop& loop, const HelpWindowSizes& sizes = {});

}  // namespace tarven
