#pragma once
// Lets the quit sequence stop a starter thread that is still unpacking or about to start the
// application. Each step of the starter (creating a file, writing one piece, starting the
// application) runs inside the gate; steps of several threads may run at once. Closing waits for
// the steps in progress and lets no new one in, so once `close` returns the starter writes no
// more and starts no application.
#include <atomic>
#include <mutex>
#include <shared_mutex>

namespace tarven {

class StarterGate {
public:
    void close() {
        closed_.store(true);
        const std::unique_lock wait_for_steps(mutex_);
    }

    bool closed() const { return closed_.load(); }

    // Runs `step` unless the gate is closed; says whether it ran.
    template <class Step>
    bool run_unless_closed(Step&& step) {
        // Checked before taking the lock too, so that steps coming one after another cannot keep
        // a waiting close out.
        if (closed_.load()) return false;
        const std::shared_lock lock(mutex_);
        if (closed_.load()) return false;
        step();
        return true;
    }

private:
    std::shared_mutex mutex_;
    std::atomic<bool> closed_{false};
};

}  // namespace tarven
