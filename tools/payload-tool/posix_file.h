#pragma once
// The tool's few POSIX file helpers: an owner of a descriptor, the OS's error text, and reading
// a file to its end.
#include <cstddef>
#include <string>
#include <utility>

#include "base/result.h"

namespace tarven::payload_tool {

// A POSIX file descriptor, closed when it goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { reset(); }

    int get() const { return fd_; }
    void reset();

private:
    int fd_ = -1;
};

std::string os_error(int code);

// Everything the descriptor gives until its end, whatever size the file claims (files under
// /proc claim 0). `size_hint` only sizes the first buffer. The failure is the OS error's text.
Result<std::string> read_to_end(int fd, std::size_t size_hint);

}  // namespace tarven::payload_tool
