#include "window/message_wait_win.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

#include "base/deadline.h"
#include "base/unique_resource_win.h"

namespace tarven {
namespace {

// Dispatches what waits in the queue; the exit code of a WM_QUIT taken out of it.
std::optional<int> dispatch_waiting_messages() {
    std::optional<int> quit;
    MSG msg{};
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = static_cast<int>(msg.wParam);
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return quit;
}

}  // namespace

bool wait_answering_messages(HANDLE handle, const std::function<bool()>& done, durations::Duration limit) {
    const Deadline deadline(limit);
    std::optional<int> quit;
    bool finished = false;
    for (;;) {
        if (done()) {
            finished = true;
            break;
        }
        if (deadline.passed()) break;
        // Short slices: `done` may change without a message (a flag set on another thread).
        const auto left = std::chrono::ceil<durations::Duration>(deadline.remaining());
        const auto slice = static_cast<DWORD>(std::min<durations::Duration::rep>(left.count(), 50));
        const DWORD woke =
            ::MsgWaitForMultipleObjectsEx(handle != nullptr ? 1 : 0, &handle, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (handle != nullptr && woke == WAIT_OBJECT_0) {
            finished = true;
            break;
        }
        if (const auto met = dispatch_waiting_messages()) quit = met;
    }
    if (quit) ::PostQuitMessage(*quit);
    return finished;
}

void run_answering_messages(const std::function<void()>& steps) {
    const unique_handle finished(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread worker;
    if (finished) {
        try {
            worker = std::thread([&] {
                steps();
                ::SetEvent(finished.get());
            });
        } catch (...) {
            // No thread to be had: the steps run here, without answering meanwhile.
        }
    }
    if (!worker.joinable()) {
        steps();
        return;
    }
    while (!wait_answering_messages(
        finished.get(), [] { return false; }, std::chrono::hours(1))) {
    }
    worker.join();
}

}  // namespace tarven
