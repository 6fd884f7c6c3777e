#include <gtest/gtest.h>

#include "base/std_handles.h"

namespace tarven {
namespace {

struct Row {
    StdSlot slot;
    StartupFlags flags;
    HandleKind kind;
    bool usable;
};

// A hotkey in the input slot, a monitor in the output slot: never taken for a handle, whatever
// the value aliases; otherwise only streams.
TEST(StdHandles, TheStartupFlagsFirstThenOnlyStreams) {
    const StartupFlags none{}, hotkey{true, false}, shell_data{false, true}, both{true, true};
    const Row rows[] = {
        {StdSlot::input, none, HandleKind::pipe, true},
        {StdSlot::input, hotkey, HandleKind::disk, false},
        {StdSlot::input, shell_data, HandleKind::character, true},
        {StdSlot::output, shell_data, HandleKind::disk, false},
        {StdSlot::output, hotkey, HandleKind::pipe, true},
        {StdSlot::error, both, HandleKind::disk, true},
        {StdSlot::error, none, HandleKind::other, false},
        {StdSlot::output, none, HandleKind::none, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(std_handle_usable(row.slot, row.flags, row.kind), row.usable)
            << static_cast<int>(row.slot) << " " << row.flags.hotkey << row.flags.shell_data << " "
            << static_cast<int>(row.kind);
}

}  // namespace
}  // namespace tarven
