#pragma once
// The owner of a run: its work folder, the started application and its port, from the moment
// the folder exists until the run has ended. Every way a run ends goes through one of its
// endings, and only the first ending reached does anything: a later one (the session ending
// while the window's quit sequence runs, the loop's end after the handler ended the run) waits
// until the first is over and returns. A session's end that meets an ending in progress hurries
// it: its remaining waits shrink to the session's bounds. The exit points that call them are
// marked "exit point:" in the code.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "base/durations.h"
#include "desk/shared_port.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"
#include "supervise/quit_win.h"

namespace tarven {

struct HasteTimes {
    durations::Duration app_end_wait = durations::session_app_end_wait;
    int remove_attempts = durations::session_remove_attempts;
    durations::Duration remove_pause = durations::session_remove_pause;
};

// How an ending's steps are run: to their end, before it returns. The normal run's keeps its
// windows answering meanwhile; without one the steps run on the calling thread.
using EndingRunner = std::function<void(const std::function<void()>& steps)>;

class RunOwner {
public:
    explicit RunOwner(WorkFolder folder, std::shared_ptr<AppChild> child = AppChild::make(), EndingRunner runner = {});
    RunOwner(const RunOwner&) = delete;
    RunOwner& operator=(const RunOwner&) = delete;

    const WorkFolder& folder() const { return folder_; }
    // Shared with the starter thread, which records the application in it.
    const std::shared_ptr<AppChild>& child() const { return child_; }
    // Shared with the web view's navigation handler.
    const std::shared_ptr<SharedPort>& shared_port() const { return shared_port_; }

    // The quit sequence: the quit request when a port is given, the application's own ending,
    // its termination, the job's, the folder's removal.
    void end_with_quit_sequence(std::optional<std::uint16_t> port, const QuitTimes& times = {});

    // Nothing was started (the starter thread was refused): only the folder's removal.
    void end_with_removal();

    // The session is ending and the process has seconds left: no quit request, the job and the
    // application terminated at once, a short wait, a few quick removal attempts.
    void end_in_haste(const HasteTimes& times = {});

    // Whether one of the endings has run to its end, waiting up to `wait` for it.
    [[nodiscard]] bool ended_within(durations::Duration wait);

private:
    void end_once(const std::function<void()>& steps, bool hurries = false);

    enum class Phase { running, ending, ended };

    WorkFolder folder_;
    std::shared_ptr<AppChild> child_;
    EndingRunner runner_;
    std::atomic<bool> hurry_{false};
    std::shared_ptr<SharedPort> shared_port_ = std::make_shared<SharedPort>();
    std::mutex phase_mutex_;
    std::condition_variable phase_changed_;
    Phase phase_ = Phase::running;
};

}  // namespace tarven
