#include "desk_support_win.h"

#include <windows.h>

#include <cstdlib>
#include <stdexcept>

#include "desk/port_text.h"
#include "file_bytes_win.h"
#include "supervise/start_application_win.h"
#include "test_paths_win.h"

namespace tarven::test {

namespace {

void start_winsock() {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) throw std::runtime_error("WSAStartup failed");
}

unique_socket bound_loopback_socket() {
    start_winsock();
    unique_socket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!s) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = 0;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("bind failed");
    return s;
}

std::uint16_t local_port(SOCKET s) {
    sockaddr_in address{};
    int size = sizeof address;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        throw std::runtime_error("getsockname failed");
    return ::ntohs(address.sin_port);
}

void set_receive_timeout(SOCKET s, std::chrono::milliseconds limit) {
    const auto ms = static_cast<DWORD>(limit.count());
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

// Appends one receive; false at the end of the stream or on a failure.
bool receive_some(SOCKET s, std::string& bytes) {
    char buffer[1024];
    const int got = ::recv(s, buffer, static_cast<int>(sizeof buffer), 0);
    if (got <= 0) return false;
    bytes.append(buffer, static_cast<std::size_t>(got));
    return true;
}

}  // namespace

LoopbackServer::LoopbackServer(Handler handler) : handler_(std::move(handler)), listener_(bound_loopback_socket()) {
    port_ = local_port(listener_.get());
    if (::listen(listener_.get(), SOMAXCONN) != 0) throw std::runtime_error("listen failed");
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    thread_.join();
}

void LoopbackServer::serve() {
    while (!stopping_) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener_.get(), &readable);
        timeval tv{0, 20'000};
        if (::select(0, &readable, nullptr, nullptr, &tv) <= 0) continue;
        unique_socket connection(::accept(listener_.get(), nullptr, nullptr));
        if (!connection) continue;
        ++connections_;
        handler_(connection.get());
    }
}

BacklogFiller::BacklogFiller() : listener_(bound_loopback_socket()) {
    port_ = local_port(listener_.get());
    if (::listen(listener_.get(), 1) != 0) throw std::runtime_error("listen failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port_);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    for (int i = 0; i < 8; ++i) {
        unique_socket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
        u_long non_blocking = 1;
        ::ioctlsocket(s.get(), FIONBIO, &non_blocking);
        (void)::connect(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
        fillers_.push_back(std::move(s));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

std::string read_request(SOCKET s) {
    set_receive_timeout(s, std::chrono::seconds(20));
    std::string bytes;
    std::size_t header_end = std::string::npos;
    while ((header_end = bytes.find("\r\n\r\n")) == std::string::npos)
        if (!receive_some(s, bytes)) return bytes;
    std::size_t body = 0;
    constexpr std::string_view length_field = "\r\nContent-Length: ";
    if (const auto at = bytes.find(length_field); at != std::string::npos && at < header_end)
        body = std::strtoul(bytes.c_str() + at + length_field.size(), nullptr, 10);
    while (bytes.size() < header_end + 4 + body)
        if (!receive_some(s, bytes)) break;
    return bytes;
}

std::string read_until_closed(SOCKET s, std::chrono::milliseconds limit) {
    set_receive_timeout(s, limit);
    std::string bytes;
    while (receive_some(s, bytes)) {
    }
    return bytes;
}

void send_text(SOCKET s, std::string_view text) {
    while (!text.empty()) {
        const int sent = ::send(s, text.data(), static_cast<int>(text.size()), 0);
        if (sent <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(sent));
    }
}

std::uint16_t unused_port() {
    const unique_socket s = bound_loopback_socket();
    return local_port(s.get());
}

StartedStandin start_standin(std::wstring_view switches, bool record) {
    StartedStandin started;
    auto folder = make_work_folder();
    if (!folder) throw std::runtime_error("no work folder: " + folder.error());
    started.folder = folder.value();
    if (!::CopyFileW(standin_exe().c_str(), started.folder.entry(L"Tarven.exe").c_str(), TRUE))
        throw std::runtime_error("cannot copy the stand-in");

    const std::wstring value(switches);
    ::SetEnvironmentVariableW(L"TARVEN_STANDIN", value.empty() ? nullptr : value.c_str());
    auto process = start_application(started.folder, *started.child);
    ::SetEnvironmentVariableW(L"TARVEN_STANDIN", nullptr);
    if (!process) throw std::runtime_error("stand-in didn't start: " + process.error());

    HANDLE copy = nullptr;
    const HANDLE self = ::GetCurrentProcess();
    if (!::DuplicateHandle(self, process.value().process.get(), self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        throw std::runtime_error("DuplicateHandle failed");
    started.process.reset(copy);
    if (record) started.child->record(std::move(process).value());
    return started;
}

std::optional<std::uint16_t> wait_for_port(const WorkFolder& folder, std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (const auto port = parse_port_text(read_file_bytes(folder.entry(L"port")).value_or(""))) return port;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return std::nullopt;
}

std::vector<DWORD> job_process_ids(HANDLE job) {
    constexpr DWORD capacity = 64;
    // The list's two counts, then its ids: room for `capacity` of them.
    std::vector<ULONG_PTR> buffer(1 + capacity);
    auto* list = reinterpret_cast<JOBOBJECT_BASIC_PROCESS_ID_LIST*>(buffer.data());
    list->NumberOfAssignedProcesses = capacity;
    const auto size = static_cast<DWORD>(buffer.size() * sizeof(ULONG_PTR));
    if (!::QueryInformationJobObject(job, JobObjectBasicProcessIdList, list, size, nullptr))
        throw std::runtime_error("QueryInformationJobObject failed");
    const ULONG_PTR* ids = list->ProcessIdList;
    std::vector<DWORD> result;
    for (DWORD i = 0; i < list->NumberOfProcessIdsInList; ++i) result.push_back(static_cast<DWORD>(ids[i]));
    return result;
}

std::optional<DWORD> exit_code_within(HANDLE process, std::chrono::milliseconds limit) {
    if (::WaitForSingleObject(process, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process, &code)) return std::nullopt;
    return code;
}

}  // namespace tarven::test
