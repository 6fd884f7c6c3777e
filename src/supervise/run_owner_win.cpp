#include "supervise/run_owner_win.h"

#include <windows.h>

namespace tarven {

RunOwner::RunOwner(WorkFolder folder, std::shared_ptr<AppChild> child, EndingRunner runner)
    : folder_(std::move(folder)), child_(std::move(child)), runner_(std::move(runner)) {}

void RunOwner::end_with_quit_sequence(std::optional<std::uint16_t> port, const QuitTimes& times) {
    end_once([&] { quit_application(folder_, *child_, port, times, &hurry_); });
}

void RunOwner::end_with_removal() {
    end_once([&] { remove_work_folder(folder_); });
}

void RunOwner::end_in_haste(const HasteTimes& times) {
    end_once(
        [&] {
            child_->gate().close();  // nothing more is written or started
            if (const HANDLE job = child_->job()) (void)::TerminateJobObject(job, 1);  // 1: ended by the launcher
            // Not yet in the job, or in none: the process itself.
            child_->terminate_and_wait(static_cast<DWORD>(times.app_end_wait.count()));
            remove_work_folder(folder_, times.remove_attempts, times.remove_pause);
        },
        true);
}

bool RunOwner::ended_within(durations::Duration wait) {
    std::unique_lock lock(phase_mutex_);
    return phase_changed_.wait_for(lock, wait, [this] { return phase_ == Phase::ended; });
}

void RunOwner::end_once(const std::function<void()>& steps, bool hurries) {
    {
        std::unique_lock lock(phase_mutex_);
        if (phase_ != Phase::running) {
            if (hurries) hurry_ = true;
            phase_changed_.wait(lock, [this] { return phase_ == Phase::ended; });
            return;
        }
        phase_ = Phase::ending;
    }
    // Marked ended by the steps' own thread: a later ending that waits for this one may be waiting
    // inside a message that the runner's own waiting dispatched.
    const auto guarded = [this, &steps] {
        try {
            steps();
        } catch (...) {
            // Tidying up never fails the run; the ending counts as done.
        }
        {
            const std::lock_guard lock(phase_mutex_);
            phase_ = Phase::ended;
        }
        phase_changed_.notify_all();
    };
    if (runner_)
        runner_(guarded);
    else
        guarded();
}

}  // namespace tarven
