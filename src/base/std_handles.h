#pragma once
// Which of the standard handle slots a program was given hold handles it may write to or pass on.
// The start-up information decides first: a program started from a shortcut with a hotkey finds
// the hotkey in the input slot, one started by the shell for a monitor finds the monitor in the
// output slot; such a value may alias any handle of the process. Then only what the system calls
// a disk file, a character device or a pipe is a stream.

namespace tarven {

enum class StdSlot { input, output, error };

// The system's answer for a value (GetFileType), or `none` for an empty one.
enum class HandleKind { none, disk, character, pipe, other };

struct StartupFlags {
    bool hotkey = false;      // STARTF_USEHOTKEY: the input slot holds a hotkey
    bool shell_data = false;  // STARTF_HASSHELLDATA: the output slot holds a monitor
};

// Whether the slot can hold a handle at all; its value is not looked at otherwise.
bool slot_may_hold_handle(StdSlot slot, StartupFlags flags);

bool std_handle_usable(StdSlot slot, StartupFlags flags, HandleKind kind);

}  // namespace tarven
