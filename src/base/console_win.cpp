#include "base/console_win.h"

#include <windows.h>

#include <string>

#include "base/std_handles_win.h"

namespace tarven {
namespace {

void write_line(DWORD which, std::string_view text) {
    const HANDLE handle = usable_std_handle(which);
    if (handle == nullptr) return;
    std::string line(text);
    line.push_back('\n');
    const char* next = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(left);
        // A stream that cannot be written (a closed pipe) drops the rest of the line.
        if (!::WriteFile(handle, next, chunk, &written, nullptr) || written == 0) return;
        next += written;
        left -= written;
    }
}

}  // namespace

void write_error_line(std::string_view text) { write_line(STD_ERROR_HANDLE, text); }
void write_output_line(std::string_view text) { write_line(STD_OUTPUT_HANDLE, text); }

}  // namespace tarven
