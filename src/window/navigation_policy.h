#pragma once
// What the help window's web view may show: its own pages and the application's help pages.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string_view>

namespace tarven {

// about: and data: addresses always; otherwise only addresses that begin with the help address
// of the known port. Exact, case-sensitive bytes.
bool navigation_allowed(std::string_view url, std::optional<std::uint16_t> port);

// The application's port as the help window knows it: empty until it arrives, then set once.
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
