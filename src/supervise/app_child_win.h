#pragma once
// The started application: a locked process slot shared by the starter thread and the main
// thread, the kill-on-close job that holds it, and the gate that stops the starter.
#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>

#include "base/unique_resource_win.h"
#include "base/starter_gate.h"

namespace tarven {

struct AppProcess {
    unique_handle process;
    unique_handle thread;
};

class AppChild {
public:
    static std::shared_ptr<AppChild> make() { return std::make_shared<AppChild>(); }

    // Stores the started process; the handles of an earlier record are closed first.
    void record(AppProcess process);

    // An empty slot, a signalled process or a failed wait count as ended. Never waits.
    bool has_ended();

    // Terminates the recorded process (exit code 1) and waits for it, holding the slot's lock;
    // without a limit unless one is given.
    void terminate_and_wait(DWORD wait_ms = INFINITE);

    // The job is set at most once, once the application is in it, and never closed.
    void set_job(HANDLE job);
    HANDLE job() const;

    StarterGate& gate() { return gate_; }

private:
    std::mutex slot_mutex_;
    std::optional<AppProcess> slot_;
    std::atomic<HANDLE> job_{nullptr};
    StarterGate gate_;
};

}  // namespace tarven
