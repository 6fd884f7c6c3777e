#include "window/help_window_win.h"

#include <ole2.h>

#include <algorithm>

#include "base/os_error_win.h"
#include "window/com_object_win.h"
#include "window/dpi_win.h"

namespace tarven {

template <>
struct webview2::interface_id<IDropTarget> {
    static const IID& get() { return IID_IDropTarget; }
};

namespace {

constexpr wchar_t window_class[] = L"TarvenHelpWindow";
constexpr wchar_t window_title[] = L"Tarven Help";
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
    std::function<void(RECT)> follower;
    ComPtr<IDropTarget> drop_target;
    bool ole_initialized = false;
    bool drop_registered = false;
};

namespace {

HelpWindow::Impl* impl_of(HWND hwnd) {
    return reinterpret_cast<HelpWindow::Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// The smallest outer size whose client area is the minimum, at the window's present DPI.
void limit_tracking_size(HWND hwnd, const HelpWindowSizes& sizes, MINMAXINFO& info) {
    const UINT dpi = dpi_of_window(hwnd);
    const SIZE outer = outer_size_for_client(physical_size(sizes.min_client_width, sizes.min_client_height, dpi),
                                             static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE)),
                                             static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE)), dpi);
    info.ptMinTrackSize = POINT{outer.cx, outer.cy};
}

LRESULT handle_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    HelpWindow::Impl* impl = impl_of(hwnd);
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
            if (wparam != SIZE_MINIMIZED && impl->follower) {
                RECT client{};
                ::GetClientRect(hwnd, &client);
                impl->follower(client);
            }
            return 0;
        case WM_CLOSE:
            // The loop decides; the window is never destroyed by its close button.
            impl->loop->deliver(WindowEvent::CloseRequested);
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
DWORD register_window_class() {
    static const DWORD error = [] {
        const HINSTANCE instance = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW window{};
        window.cbSize = sizeof window;
        window.lpfnWndProc = help_window_procedure;
        window.hInstance = instance;
        window.hIcon =
            static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
        window.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        window.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        window.lpszClassName = window_class;
        return ::RegisterClassExW(&window) != 0 ? DWORD{0} : ::GetLastError();
    }();
    return error;
}

}  // namespace

HelpWindow::HelpWindow(HWND hwnd, std::unique_ptr<Impl> impl) : hwnd_(hwnd), impl_(std::move(impl)) {}

HelpWindow::~HelpWindow() {
    if (impl_->drop_registered) ::RevokeDragDrop(hwnd_);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);  // nothing reaches the loop while the window goes
    ::DestroyWindow(hwnd_);
    impl_->drop_target.Reset();
    if (impl_->ole_initialized) ::OleUninitialize();
}

void HelpWindow::set_visible(bool shown) { ::ShowWindow(hwnd_, shown ? SW_SHOW : SW_HIDE); }

void HelpWindow::focus() {
    if (!::IsWindowVisible(hwnd_) || ::IsIconic(hwnd_) || ::GetForegroundWindow() == hwnd_) return;
    ::SetForegroundWindow(hwnd_);
}

void HelpWindow::on_client_resized(std::function<void(RECT)> follower) { impl_->follower = std::move(follower); }

Result<std::unique_ptr<HelpWindow>> create_help_window(EventLoop& loop, const HelpWindowSizes& sizes) {
    if (const DWORD error = register_window_class(); error != 0) return fail(render_os_error(error));
    const UINT dpi = dpi_for_new_window();
    const SIZE client = physical_size(std::max(sizes.client_width, sizes.min_client_width),
                                      std::max(sizes.client_height, sizes.min_client_height), dpi);
    const SIZE outer = outer_size_for_client(client, window_style, window_ex_style, dpi);

    auto impl = std::make_unique<HelpWindow::Impl>();
    impl->loop = &loop;
    impl->sizes = sizes;
    const HWND hwnd =
        ::CreateWindowExW(window_ex_style, window_class, window_title, window_style, CW_USEDEFAULT, CW_USEDEFAULT,
                          outer.cx, outer.cy, nullptr, nullptr, ::GetModuleHandleW(nullptr), impl.get());
    if (hwnd == nullptr) return fail(render_os_error(::GetLastError()));
    HelpWindow::Impl& state = *impl;
    std::unique_ptr<HelpWindow> window(new HelpWindow(hwnd, std::move(impl)));

    // The drop target only makes sure that nothing dropped onto the window does anything; a
    // window without one ignores drops as well, so a failure here costs the user nothing.
    if (SUCCEEDED(::OleInitialize(nullptr))) {
        state.ole_initialized = true;
        state.drop_target = DropRefuser::make();
        state.drop_registered = SUCCEEDED(::RegisterDragDrop(hwnd, state.drop_target.Get()));
    }

    ::InvalidateRect(hwnd, nullptr, TRUE);
    ::UpdateWindow(hwnd);
    return window;
}

}  // namespace tarven
