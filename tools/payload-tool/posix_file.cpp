#include "posix_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tarven::payload_tool {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

void UniqueFd::reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

std::string os_error(int code) { return std::strerror(code); }

Result<std::string> read_to_end(int fd, std::size_t size_hint) {
    constexpr std::size_t least_room = std::size_t{64} << 10;
    // One byte more than the hint, so that a file of the size it claims ends without a regrowth.
    std::string content(std::max(size_hint + 1, least_room), '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == content.size()) content.resize(content.size() * 2);
        const ssize_t got = ::read(fd, content.data() + used, content.size() - used);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return fail(os_error(errno));
        }
        used += static_cast<std::size_t>(got);
    }
    content.resize(used);
    return content;
}

}  // namespace tarven::payload_tool
