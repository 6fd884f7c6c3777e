#pragma once
// The launcher's one top-level window, created hidden.
#include <windows.h>

#include <memory>

#include "base/result.h"
#include "window/event_loop_win.h"
#include "window/title_bar_theme_win.h"

namespace tarven {

struct HelpWindowSizes {
    int client_width = 480;  // logical pixels
    int client_height = 640;
    int min_client_width = 360;
    int min_client_height = 420;
};

// What the window passes on to the web view inside it, on the main thread.
class WindowFollower {
public:
    virtual void client_resized(RECT client) = 0;  // the new client area, whenever it changes
    virtual void minimised(bool minimised) = 0;    // on minimising, and on coming back from it
    virtual void moved() = 0;                      // the window moved on the screen
    // The window gained the keyboard focus, which it also does whenever it is activated.
    virtual void focused() = 0;

protected:
    ~WindowFollower() = default;
};

class HelpWindow {
public:
    HelpWindow(const HelpWindow&) = delete;
    HelpWindow& operator=(const HelpWindow&) = delete;
    ~HelpWindow();  // destroys the window

    HWND hwnd() const { return hwnd_; }

    // Showing never activates the window: only `focus` brings it forward.
    void set_visible(bool shown);
    // Foreground only when visible, not minimised and not already in front.
    void focus();

    // The follower hears of the window until it is replaced, or cleared with null.
    void follow(WindowFollower* follower);

    // Called when the session ends, after the loop was handed WindowEvent::SessionEnding, for
    // when the loop could not handle it at once (not yet running, or busy in a handler that
    // pumps messages): the process ends soon after the window answers.
    void on_session_end(std::function<void()> ending);

    struct Impl;

private:
    friend Result<std::unique_ptr<HelpWindow>> create_help_window(EventLoop& loop, const HelpWindowSizes& sizes,
                                                                  WindowAttributeSetter set_attribute);
    HelpWindow(HWND hwnd, std::unique_ptr<Impl> impl);
    HWND hwnd_ = nullptr;
    std::unique_ptr<Impl> impl_;
};

// "Tarven Help", hidden, 480 × 640 logical client pixels on the monitor it opens on, icon
// resource 1, a resizable frame, an OLE drop target whose drops are ignored, a title bar that
// follows the user's light or dark app theme (set through `set_attribute`). Its close request
// goes to the loop as WindowEvent::CloseRequested. The failure's text is the system's. The loop
// must outlive the window and stay where it is.
Result<std::unique_ptr<HelpWindow>> create_help_window(
    EventLoop& loop, const HelpWindowSizes& sizes = {},
    WindowAttributeSetter set_attribute = system_window_attribute_setter());

}  // namespace tarven
