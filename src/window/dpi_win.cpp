#include "window/dpi_win.h"

#include <shellscalingapi.h>

#include <mutex>

#include "base/procedure_win.h"
#include "base/unique_resource_win.h"

namespace tarven {
namespace {

constexpr UINT default_dpi = USER_DEFAULT_SCREEN_DPI;

HMODULE user32() { return ::GetModuleHandleW(L"user32.dll"); }

// Never from the program's own folder.
unique_hmodule load_shcore() {
    return unique_hmodule(::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
}

void release_screen_dc(HDC dc) { ::ReleaseDC(nullptr, dc); }
using unique_screen_dc = unique_any<HDC, release_screen_dc>;

UINT screen_dpi() {
    const unique_screen_dc dc(::GetDC(nullptr));
    if (!dc) return default_dpi;
    const int dpi = ::GetDeviceCaps(dc.get(), LOGPIXELSX);
    return dpi > 0 ? static_cast<UINT>(dpi) : default_dpi;
}

void set_awareness() {
    using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
    if (const auto set_context = find_procedure<SetContext>(user32(), "SetProcessDpiAwarenessContext")) {
        if (!set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2))
            set_context(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
        return;
    }
    using SetAwareness = HRESULT(WINAPI*)(PROCESS_DPI_AWARENESS);
    const unique_hmodule shcore = load_shcore();
    if (const auto set_awareness = find_procedure<SetAwareness>(shcore.get(), "SetProcessDpiAwareness")) {
        set_awareness(PROCESS_PER_MONITOR_DPI_AWARE);
        return;
    }
    using SetAware = BOOL(WINAPI*)();
    if (const auto set_aware = find_procedure<SetAware>(user32(), "SetProcessDPIAware")) set_aware();
}

}  // namespace

void make_process_dpi_aware() {
    static std::once_flag once;
    std::call_once(once, set_awareness);
}

// Where GetDpiForWindow is missing (before Windows 10 1607): the DPI of the window's monitor,
// else the screen's.
UINT dpi_of_window(HWND hwnd) {
    using GetForWindow = UINT(WINAPI*)(HWND);
    if (const auto get_for_window = find_procedure<GetForWindow>(user32(), "GetDpiForWindow")) {
        const UINT dpi = get_for_window(hwnd);
        if (dpi > 0) return dpi;
    }
    using GetForMonitor = HRESULT(WINAPI*)(HMONITOR, MONITOR_DPI_TYPE, UINT*, UINT*);
    const unique_hmodule shcore = load_shcore();
    if (const auto get_for_monitor = find_procedure<GetForMonitor>(shcore.get(), "GetDpiForMonitor")) {
        const HMONITOR monitor = ::MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
        UINT x = 0;
        UINT y = 0;
        if (SUCCEEDED(get_for_monitor(monitor, MDT_EFFECTIVE_DPI, &x, &y)) && x > 0) return x;
    }
    return screen_dpi();
}

int physical_pixels(int logical, UINT dpi) { return ::MulDiv(logical, static_cast<int>(dpi), default_dpi); }

SIZE outer_size_for_client(SIZE client, DWORD style, DWORD ex_style, UINT dpi) {
    RECT rect{0, 0, client.cx, client.cy};
    using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    const auto adjust_for_dpi = find_procedure<AdjustForDpi>(user32(), "AdjustWindowRectExForDpi");
    if (adjust_for_dpi == nullptr || !adjust_for_dpi(&rect, style, FALSE, ex_style, dpi)) {
        rect = RECT{0, 0, client.cx, client.cy};
        ::AdjustWindowRectEx(&rect, style, FALSE, ex_style);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace tarven
