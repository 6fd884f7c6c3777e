#pragma once
// A one-thread loopback TCP server for the desk tests: it plays the application's side of a
// desk request with whatever the test's handler does on each accepted connection.
#include <winsock2.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <memory>
#include <optional>

#include "base/unique_resource_win.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"

namespace tarven::test {

class LoopbackServer {
public:
    using Handler = std::function<void(SOCKET)>;

    // Listens on 127.0.0.1 at a port the system picks and serves connections one after the
    // other, each by `handler`, until destroyed.
    explicit LoopbackServer(Handler handler);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::uint16_t port() const { return port_; }
    int connections() const { return connections_.load(); }

private:
    void serve();

    Handler handler_;
    unique_socket listener_;
    std::uint16_t port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// A listener that never accepts, its backlog filled by connections of its own, so that a
// further connection attempt is neither accepted nor refused.
class BacklogFiller {
public:
    BacklogFiller();
    std::uint16_t port() const { return port_; }

private:
    unique_socket listener_;
    std::uint16_t port_ = 0;
    std::vector<unique_socket> fillers_;
};

// A request as far as its header block and Content-Length say (the server's side of framing).
std::string read_request(SOCKET s);

// Everything until the peer closes (or nothing comes for `limit`).
std::string read_until_closed(SOCKET s, std::chrono::milliseconds limit = std::chrono::seconds(20));

void send_text(SOCKET s, std::string_view text);

// A loopback port that nothing listens on (bound once by the system, then released).
std::uint16_t unused_port();

// The stand-in as Tarven.exe in a fresh work folder, started by start_application with
// TARVEN_STANDIN set to `switches`; recorded in `child` unless `record` is false.
struct StartedStandin {
    WorkFolder folder;
    std::shared_ptr<AppChild> child = AppChild::make();
    unique_handle process;  // our own copy, to read the exit code after the quit
    std::optional<std::uint16_t> port;
};
StartedStandin start_standin(std::wstring_view switches, bool record = true);

// The port in <folder>\port once it is there, or nothing after `limit`.
std::optional<std::uint16_t> wait_for_port(const WorkFolder& folder,
                                           std::chrono::milliseconds limit = std::chrono::seconds(20));

// The ids of the processes in the job right now.
std::vector<DWORD> job_process_ids(HANDLE job);

// The exit code once the process has ended within `limit`, else nothing.
std::optional<DWORD> exit_code_within(HANDLE process, std::chrono::milliseconds limit);

}  // namespace tarven::test
