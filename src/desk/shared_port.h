#pragma once
// The application's port as the run knows it: empty until it arrives, then set. The web view's
// navigation handler and the run's ending read it from their own threads.
#include <cstdint>
#include <mutex>
#include <optional>

namespace tarven {

class SharedPort {
public:
    std::optional<std::uint16_t> get() const {
        const std::lock_guard lock(mutex_);
        return port_;
    }
    void set(std::uint16_t port) {
        const std::lock_guard lock(mutex_);
        port_ = port;
    }

private:
    mutable std::mutex mutex_;
    std::optional<std::uint16_t> port_;
};

}  // namespace tarven
