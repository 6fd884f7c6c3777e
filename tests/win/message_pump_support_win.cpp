#include "message_pump_support_win.h"

#include <windows.h>

namespace tarven::test {

void pump_pending_messages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

bool pump_until(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        pump_pending_messages();
        ::Sleep(5);
    }
    return true;
}

}  // namespace tarven::test
