#pragma once
// A hidden top-level window on a thread of its own that answers the end of the session (logoff,
// shutdown) for a run whose main thread cannot: it allows the end, and when the session does end
// it runs the given ending before answering, since the system ends the process soon after.
// Only top-level windows get these messages; a message-only window does not.
#include <windows.h>

#include <functional>
#include <memory>
#include <thread>

namespace tarven {

class SessionEndWindow {
public:
    // Nothing when no window can be made (no display: then there is no session to end) or no
    // thread is given.
    static std::unique_ptr<SessionEndWindow> start(std::function<void()> on_session_end);

    SessionEndWindow(const SessionEndWindow&) = delete;
    SessionEndWindow& operator=(const SessionEndWindow&) = delete;
    // Closes the window and waits for its thread, and with it for an ending in progress.
    ~SessionEndWindow();

    struct Shared;

private:
    SessionEndWindow() = default;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};

}  // namespace tarven
