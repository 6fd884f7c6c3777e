#include "supervise/quit_win.h"

#include <windows.h>

#include <thread>

#include "base/deadline.h"

namespace tarven {

namespace {

// The first check comes before any sleep, so an application that has already ended costs
// nothing.
void let_application_end(AppChild& child, durations::Duration wait, durations::Duration poll,
                         const std::atomic<bool>* hurry) {
    const Deadline deadline(wait);
    while (!child.has_ended() && !deadline.passed() && !(hurry != nullptr && *hurry)) std::this_thread::sleep_for(poll);
}

}  // namespace

void quit_application(const WorkFolder& folder, AppChild& child, std::optional<std::uint16_t> port,
                      const QuitTimes& times, const std::atomic<bool>* hurry) {
    // A starter still unpacking or about to start the application would otherwise race the
    // removal below; once the gate is closed it writes nothing more and starts nothing.
    child.gate().close();
    if (port) send_quit_request(*port, times.request);
    let_application_end(child, times.app_end_wait, times.app_end_poll, hurry);
    child.terminate_and_wait();
    // Whatever the application started is still in the job; the handle itself stays open.
    if (const HANDLE job = child.job()) (void)::TerminateJobObject(job, 0);
    remove_work_folder(folder, times.remove_attempts, times.remove_pause, hurry);
}

}  // namespace tarven
