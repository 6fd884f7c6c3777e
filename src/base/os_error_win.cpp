#include "base/os_error_win.h"

#include <windows.h>

#include "base/unique_resource_win.h"
#include "base/wide_win.h"

namespace tarven {
namespace {

std::string system_message(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length =
        ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    const unique_hlocal owner(text);
    if (length == 0 || text == nullptr) return {};
    std::wstring_view view(text, length);
    while (!view.empty() &&
           (view.back() == L'\r' || view.back() == L'\n' || view.back() == L' ' || view.back() == L'\t'))
        view.remove_suffix(1);
    return narrow_lossy(view);
}

}  // namespace

std::string render_os_error(unsigned long code) {
    return system_message(code) + " (os error " + std::to_string(code) + ")";
}

}  // namespace tarven
