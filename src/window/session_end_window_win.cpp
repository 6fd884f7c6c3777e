#include "window/session_end_window_win.h"

#include <future>

#include "window/window_class_win.h"

namespace tarven {

struct SessionEndWindow::Shared {
    std::function<void()> on_session_end;
    HWND hwnd = nullptr;
};

namespace {

constexpr wchar_t session_class[] = L"TarvenHelpSessionEnd";

LRESULT CALLBACK session_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    auto* shared = window_owner<SessionEndWindow::Shared>(hwnd, message, lparam);
    switch (message) {
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wparam) {
                try {
                    if (shared != nullptr) shared->on_session_end();
                } catch (...) {
                    // The process ends anyway; nothing left to tell.
                }
            }
            return 0;
        case WM_CLOSE:
            ::DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
}

// The window's thread: makes the window, says whether it could, then pumps until it is closed.
void run_window(SessionEndWindow::Shared& shared, std::promise<bool>& created) {
    [[maybe_unused]] static const DWORD class_error = register_window_class({session_class, session_procedure});
    // Hidden and without a title: it only listens.
    shared.hwnd = ::CreateWindowExW(0, session_class, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), &shared);
    created.set_value(shared.hwnd != nullptr);
    if (shared.hwnd == nullptr) return;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace

std::unique_ptr<SessionEndWindow> SessionEndWindow::start(std::function<void()> on_session_end) {
    std::unique_ptr<SessionEndWindow> window(new SessionEndWindow);
    window->shared_ = std::make_shared<Shared>();
    window->shared_->on_session_end = std::move(on_session_end);
    std::promise<bool> created;
    std::future<bool> made = created.get_future();
    try {
        window->thread_ = std::thread([shared = window->shared_, &created] { run_window(*shared, created); });
    } catch (...) {
        return nullptr;  // the system refused the thread
    }
    if (!made.get()) {
        window->thread_.join();
        return nullptr;
    }
    return window;
}

SessionEndWindow::~SessionEndWindow() {
    if (!thread_.joinable()) return;  // never started, or its window was never made
    ::PostMessageW(shared_->hwnd, WM_CLOSE, 0, 0);
    thread_.join();
}

}  // namespace tarven
