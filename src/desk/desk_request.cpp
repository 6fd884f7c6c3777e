#include "desk/desk_request.h"

namespace tarven {

namespace {

std::string host_line(std::uint16_t port) { return "Host: 127.0.0.1:" + std::to_string(port) + "\r\n"; }

}  // namespace

std::string quit_request_text(std::uint16_t port) {
    return "POST /desk/quit HTTP/1.1\r\n" + host_line(port) +
           "X-Tarven-Desk: 1\r\n"
           "Content-Type: application/json\r\n"
           "Content-Length: 2\r\n"
           "Connection: close\r\n"
           "\r\n"
           "{}";
}

std::string help_request_text(std::uint16_t port) {
    return "GET /desk/help HTTP/1.1\r\n" + host_line(port) +
           "Connection: close\r\n"
           "\r\n";
}

std::string help_address(std::uint16_t port) { return "http://127.0.0.1:" + std::to_string(port) + "/desk/help"; }

}  // namespace tarven
