#include "base/std_handles.h"

namespace tarven {

bool slot_may_hold_handle(StdSlot slot, StartupFlags flags) {
    if (slot == StdSlot::input) return !flags.hotkey;
    if (slot == StdSlot::output) return !flags.shell_data;
    return true;
}

bool std_handle_usable(StdSlot slot, StartupFlags flags, HandleKind kind) {
    if (!slot_may_hold_handle(slot, flags)) return false;
    return kind == HandleKind::disk || kind == HandleKind::character || kind == HandleKind::pipe;
}

}  // namespace tarven
