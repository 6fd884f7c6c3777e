#pragma once
// Lets the quit sequence stop a starter thread that is still unpacking or about to start the
// application. Each step of the starter runs while holding the gate; closing the gate waits for
// the step in progress, so once `close` returns the starter writes no more files and starts
// no application.
#include <mutex>

namespace tarven {

class StarterGate {
public:
    void close() {
        const std::lock_guard lock(mutex_);
        closed_ = true;
    }

    bool closed() {
        const std::lock_guard lock(mutex_);
        return closed_;
    }

    // Runs `step` unless the gate is closed; says whether it ran.
    template <class Step>
    bool run_unless_closed(Step&& step) {
        const std::lock_guard lock(mutex_);
        if (closed_) return false;
        step();
        return true;
    }

private:
    std::mutex mutex_;
    bool closed_ = false;
};

}  // namespace tarven
