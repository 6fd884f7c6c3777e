#include "desk/desk_win.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <mutex>
#include <string_view>

#include "base/deadline.h"
#include "base/unique_resource_win.h"
#include "base/utf8.h"
#include "desk/desk_request.h"

namespace tarven {

namespace {

using durations::Duration;

// Once per process and never shut down: the quit sequence may run late, when other parts of
// the process still hold sockets.
void start_winsock() {
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data{};
        (void)::WSAStartup(MAKEWORD(2, 2), &data);
    });
}

bool set_blocking(SOCKET s, bool blocking) {
    u_long non_blocking = blocking ? 0 : 1;
    return ::ioctlsocket(s, FIONBIO, &non_blocking) == 0;
}

timeval to_timeval(Duration d) {
    const auto ms = std::max<Duration::rep>(d.count(), 0);
    timeval tv{};
    tv.tv_sec = static_cast<long>(ms / 1000);
    tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
    return tv;
}

// A blocking socket connected to 127.0.0.1:port, or an empty owner when no connection was made
// within `limit`. A non-blocking connect bounded by select gives the time limit.
unique_socket connect_loopback(std::uint16_t port, Duration limit) {
    start_winsock();
    // Not inherited: the application we start must not hold our end of its own desk.
    unique_socket s(
        ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT));
    if (!s) return {};
    if (!set_blocking(s.get(), false)) return {};

    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = ::htons(port);
    peer.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        if (::WSAGetLastError() != WSAEWOULDBLOCK) return {};
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s.get(), &writable);
        FD_SET(s.get(), &failed);
        timeval tv = to_timeval(limit);
        if (::select(0, nullptr, &writable, &failed, &tv) <= 0) return {};
        if (FD_ISSET(s.get(), &failed) || !FD_ISSET(s.get(), &writable)) return {};
        int error = 0;
        int size = sizeof error;
        if (::getsockopt(s.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0 || error != 0)
            return {};
    }
    if (!set_blocking(s.get(), true)) return {};
    return s;
}

// Best effort: without it the receive simply waits longer.
void set_receive_timeout(SOCKET s, Duration limit) {
    const auto ms = static_cast<DWORD>(std::clamp<Duration::rep>(limit.count(), 1, MAXDWORD));
    (void)::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

bool send_all(SOCKET s, std::string_view bytes) {
    while (!bytes.empty()) {
        const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), INT_MAX));
        const int sent = ::send(s, bytes.data(), chunk, 0);
        if (sent == SOCKET_ERROR) {
            if (::WSAGetLastError() == WSAEINTR) continue;
            return false;
        }
        if (sent == 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

// Everything until the peer closes; a failure, the receive time-out or a limit ends the reading
// and keeps what came before it.
std::string receive_to_end(SOCKET s, const HelpRequestLimits& limits) {
    const Deadline deadline(limits.total);
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < limits.max_bytes) {
        const auto left = std::chrono::duration_cast<Duration>(deadline.remaining());
        if (left <= Duration::zero()) break;
        set_receive_timeout(s, std::min(limits.receive, left));
        const std::size_t wanted = std::min(sizeof buffer, limits.max_bytes - bytes.size());
        const int got = ::recv(s, buffer, static_cast<int>(wanted), 0);
        if (got > 0) {
            bytes.append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0) {
            break;
        } else if (::WSAGetLastError() != WSAEINTR) {
            break;
        }
    }
    return bytes;
}

}  // namespace

void send_quit_request(std::uint16_t port, QuitRequestTimes times) {
    const unique_socket s = connect_loopback(port, times.connect);
    if (!s) return;
    set_receive_timeout(s.get(), times.receive);
    if (!send_all(s.get(), quit_request_text(port))) return;
    // One receive only gives the application time to begin its answer; what it says is not
    // our concern.
    char answer[256];
    (void)::recv(s.get(), answer, static_cast<int>(sizeof answer), 0);
}

std::string fetch_help_page(std::uint16_t port, HelpRequestLimits limits) {
    const unique_socket s = connect_loopback(port, limits.connect);
    if (!s) return {};
    if (!send_all(s.get(), help_request_text(port))) return {};
    return decode_utf8_lossy(receive_to_end(s.get(), limits));
}

}  // namespace tarven
