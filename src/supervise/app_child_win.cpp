#include "supervise/app_child_win.h"

namespace tarven {

void AppChild::record(AppProcess process) {
    const std::lock_guard lock(slot_mutex_);
    slot_.reset();  // the old record's handles go first
    slot_.emplace(std::move(process));
}

bool AppChild::has_ended() {
    const std::lock_guard lock(slot_mutex_);
    if (!slot_) return true;
    const HANDLE process = slot_->process.get();
    switch (::WaitForSingleObject(process, 0)) {
        case WAIT_OBJECT_0: {
            // The signalled handle is what says the application ended, not its exit code: a
            // process may end with STILL_ACTIVE (259) as its code, so the code alone cannot tell an
            // ended process from a running one. Once the handle is signalled the code is final;
            // it is read here, and dropped, only so that a trace of the launcher's calls shows
            // what the application ended with. Nothing decides by it and the slot keeps none.
            DWORD exit_code = 0;
            (void)::GetExitCodeProcess(process, &exit_code);
            return true;
        }
        case WAIT_TIMEOUT:
            return false;
        default:
            // A process whose state cannot be read is given up as ended.
            return true;
    }
}

void AppChild::terminate_and_wait(DWORD wait_ms) {
    const std::lock_guard lock(slot_mutex_);
    if (!slot_) return;
    const HANDLE process = slot_->process.get();
    // Fails with ERROR_ACCESS_DENIED when the process has ended already; that, and every other
    // failure here, changes nothing about what follows.
    (void)::TerminateProcess(process, 1);
    (void)::WaitForSingleObject(process, wait_ms);
    DWORD exit_code = 0;
    (void)::GetExitCodeProcess(process, &exit_code);
}

void AppChild::set_job(HANDLE job) {
    HANDLE expected = nullptr;
    // At most once: a second job would never be terminated, so it is not taken.
    job_.compare_exchange_strong(expected, job);
}

HANDLE AppChild::job() const { return job_.load(); }

}  // namespace tarven
