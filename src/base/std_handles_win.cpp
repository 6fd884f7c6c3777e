#include "base/std_handles_win.h"

#include "base/std_handles.h"

namespace tarven {
namespace {

// The shell's monitor in the output slot; MinGW's headers lack the name.
constexpr DWORD startf_has_shell_data = 0x400;

StartupFlags startup_flags() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoW(&startup);
    return StartupFlags{(startup.dwFlags & STARTF_USEHOTKEY) != 0, (startup.dwFlags & startf_has_shell_data) != 0};
}

StdSlot slot_of(DWORD which) {
    if (which == STD_INPUT_HANDLE) return StdSlot::input;
    if (which == STD_OUTPUT_HANDLE) return StdSlot::output;
    return StdSlot::error;
}

HandleKind kind_of(HANDLE handle) {
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return HandleKind::none;
    switch (::GetFileType(handle)) {
        case FILE_TYPE_DISK:
            return HandleKind::disk;
        case FILE_TYPE_CHAR:
            return HandleKind::character;
        case FILE_TYPE_PIPE:
            return HandleKind::pipe;
        default:
            return HandleKind::other;
    }
}

}  // namespace

HANDLE usable_std_handle(DWORD which) {
    const StdSlot slot = slot_of(which);
    const StartupFlags flags = startup_flags();
    // The flags first: a hotkey or a monitor is never handed to GetFileType as a handle.
    if (!slot_may_hold_handle(slot, flags)) return nullptr;
    const HANDLE handle = ::GetStdHandle(which);
    return std_handle_usable(slot, flags, kind_of(handle)) ? handle : nullptr;
}

}  // namespace tarven
