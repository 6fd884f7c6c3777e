#include "window/help_window_win.h"

#include <ole2.h>

#include <algorithm>
#include <utility>

#include "base/os_error_win.h"
#include "base/wide_win.h"
#include "window/com_object_win.h"
#include "window/dpi_win.h"
#include "window/ole_apartment_win.h"
#include "window/window_class_win.h"
#include "words/user_words.h"

namespace tarven {

template <>
struct com_interface_id<IDropTarget> {
    static const IID& get() { return IID_IDropTarget; }
};

namespace {

constexpr wchar_t window_class[] = L"TarvenHelpWindow";
constexpr DWORD window_style = WS_OVERLAPPEDWINDOW;
constexpr DWORD window_ex_style = 0;

// Files dropped on the window are refused: the help is not a file viewer.
class DropRefuser final : public ComObject<DropRefuser, IDropTarget> {
public:
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) noexcept override {
        return refuse(effect);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) noexcept override { return refuse(effect); }
    HRESULT STDMETHODCALLTYPE DragLeave() noexcept override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) noexcept override {
        return refuse(effect);
    }

private:
    static HRESULT refuse(DWORD* effect) {
        if (effect == nullptr) return E_INVALIDARG;
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

SIZE physical_size(int logical_width, int logical_height, UINT dpi) {
    return SIZE{physical_pixels(logical_width, dpi), physical_pixels(logical_height, dpi)};
}

}  // namespace

struct HelpWindow::Impl {
    EventLoop* loop = nullptr;
    HelpWindowSizes sizes;
    WindowAttributeSetter set_attribute;
    WindowFollower* follower = nullptr;
    bool minimised = false;
    std::function<void()> session_ending;
    // The main thread's one OLE owner; the web view inside the window relies on it too.
    OleApartment ole;
    ComPtr<IDropTarget> drop_target;
    bool drop_registered = false;
};

namespace {

// The smallest outer size whose client area is the minimum, at the window's present DPI.
void limit_tracking_size(HWND hwnd, const HelpWindowSizes& sizes, MINMAXINFO& info) {
    const UINT dpi = dpi_of_window(hwnd);
    const SIZE outer = outer_size_for_client(physical_size(sizes.min_client_width, sizes.min_client_height, dpi),
                                             static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE)),
                                             static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE)), dpi);
    info.ptMinTrackSize = POINT{outer.cx, outer.cy};
}

// The window opens where the system puts it; only then is its monitor, and so its DPI, known.
void fit_to_its_monitor(HWND hwnd, const HelpWindowSizes& sizes) {
    const UINT dpi = dpi_of_window(hwnd);
    const SIZE client = physical_size(std::max(sizes.client_width, sizes.min_client_width),
                                      std::max(sizes.client_height, sizes.min_client_height), dpi);
    const SIZE outer = outer_size_for_client(client, window_style, window_ex_style, dpi);
    ::SetWindowPos(hwnd, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A minimised window's web view is hidden (it gets no messages then); the rest follows the size.
void pass_on_size(HWND hwnd, HelpWindow::Impl& impl, bool minimised) {
    const bool changed = minimised != std::exchange(impl.minimised, minimised);
    if (impl.follower == nullptr) return;
    if (changed) impl.follower->minimised(minimised);
    if (minimised) return;
    RECT client{};
    ::GetClientRect(hwnd, &client);
    impl.follower->client_resized(client);
}

LRESULT handle_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    HelpWindow::Impl* impl = window_owner<HelpWindow::Impl>(hwnd, message, lparam);
    if (impl == nullptr) return ::DefWindowProcW(hwnd, message, wparam, lparam);
    switch (message) {
        case WM_GETMINMAXINFO:
            limit_tracking_size(hwnd, impl->sizes, *reinterpret_cast<MINMAXINFO*>(lparam));
            return 0;
        case WM_DPICHANGED: {
            // The system's suggestion keeps the logical size on the new monitor.
            const auto* suggested = reinterpret_cast<const RECT*>(lparam);
            ::SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SIZE:
            pass_on_size(hwnd, *impl, wparam == SIZE_MINIMIZED);
            return 0;
        case WM_MOVE:
            // The page's pop-ups (a select list, the context menu) open where the web view thinks it is.
            if (impl->follower != nullptr) impl->follower->moved();
            return 0;
        case WM_SETFOCUS:
            // Activation ends here too (the default handling of WM_ACTIVATE focuses the window): keys
            // and screen readers belong to the page, not to this empty frame.
            if (impl->follower != nullptr) impl->follower->focused();
            return 0;
        case WM_SETTINGCHANGE:
            if (is_theme_change(reinterpret_cast<const wchar_t*>(lparam)))
                apply_title_bar_theme(hwnd, current_app_theme(), impl->set_attribute);
            return 0;
        case WM_CLOSE:
            // The loop decides; the window is never destroyed by its close button.
            impl->loop->deliver(WindowEvent::CloseRequested);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;  // the run ends with the session; nothing here needs saving
        case WM_ENDSESSION:
            // The process ends soon after this returns, so the ending runs now.
            if (wparam) {
                impl->loop->deliver(WindowEvent::SessionEnding);
                if (impl->session_ending) impl->session_ending();
            }
            return 0;
        default:
            return ::DefWindowProcW(hwnd, message, wparam, lparam);
    }
}

LRESULT CALLBACK help_window_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
    try {
        return handle_message(hwnd, message, wparam, lparam);
    } catch (...) {
        return 0;  // a follower's or handler's failure stays inside the window
    }
}

// Registers the class once; the icon is loaded then, at the system's default size.
DWORD register_help_window_class() {
    static const DWORD error = register_window_class({
        window_class,
        help_window_procedure,
        static_cast<HICON>(
            ::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)),
        ::LoadCursorW(nullptr, IDC_ARROW),
        reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
    });
    return error;
}

}  // namespace

HelpWindow::HelpWindow(HWND hwnd, std::unique_ptr<Impl> impl) : hwnd_(hwnd), impl_(std::move(impl)) {}

HelpWindow::~HelpWindow() {
    if (impl_->drop_registered) ::RevokeDragDrop(hwnd_);
    forget_window_owner(hwnd_);  // nothing reaches the loop while the window goes
    ::DestroyWindow(hwnd_);
    impl_->drop_target.Reset();
}

// A failure page must not take the keyboard from what the user is doing.
void HelpWindow::set_visible(bool shown) { ::ShowWindow(hwnd_, shown ? SW_SHOWNA : SW_HIDE); }

void HelpWindow::focus() {
    if (!::IsWindowVisible(hwnd_) || ::IsIconic(hwnd_) || ::GetForegroundWindow() == hwnd_) return;
    ::SetForegroundWindow(hwnd_);
}

void HelpWindow::follow(WindowFollower* follower) { impl_->follower = follower; }

void HelpWindow::on_session_end(std::function<void()> ending) { impl_->session_ending = std::move(ending); }

Result<std::unique_ptr<HelpWindow>> create_help_window(EventLoop& loop, const HelpWindowSizes& sizes,
                                                       WindowAttributeSetter set_attribute) {
    if (const DWORD error = register_help_window_class(); error != 0) return fail(render_os_error(error));
    auto impl = std::make_unique<HelpWindow::Impl>();
    impl->loop = &loop;
    impl->sizes = sizes;
    impl->set_attribute = std::move(set_attribute);
    const HWND hwnd = ::CreateWindowExW(window_ex_style, window_class, widen(words::window_title).c_str(), window_style,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                        ::GetModuleHandleW(nullptr), impl.get());
    if (hwnd == nullptr) return fail(render_os_error(::GetLastError()));
    HelpWindow::Impl& state = *impl;
    std::unique_ptr<HelpWindow> window(new HelpWindow(hwnd, std::move(impl)));
    fit_to_its_monitor(hwnd, sizes);
    apply_title_bar_theme(hwnd, current_app_theme(), state.set_attribute);

    // The drop target only makes sure that nothing dropped onto the window does anything; a
    // window without one ignores drops as well, so a failure here costs the user nothing.
    if (SUCCEEDED(state.ole.result())) {
        state.drop_target = DropRefuser::make();
        state.drop_registered = SUCCEEDED(::RegisterDragDrop(hwnd, state.drop_target.Get()));
    }

    ::InvalidateRect(hwnd, nullptr, TRUE);
    ::UpdateWindow(hwnd);
    return window;
}

}  // namespace tarven
