// Without a display (Wine with no X server) no window can be made: the help window's failure says
// why in the system's words, and the event loop works all the same.
#include <gtest/gtest.h>

#include "base/os_error_win.h"
#include "surroundings_win.h"
#include "window/help_window_win.h"

namespace tarven {
namespace {

class HelpWindowWithoutDisplay : public testing::Test {
protected:
    void SetUp() override {
        TARVEN_REQUIRE(!test::windows_can_be_made(),
                       "needs a system where no window can be made (Wine without a display)");
    }
};

TEST_F(HelpWindowWithoutDisplay, CreationFailsWithTheSystemsText) {
    EventLoop loop = EventLoop::create();
    const auto window = create_help_window(loop);
    ASSERT_FALSE(window.ok());
    EXPECT_EQ(window.error(), render_os_error(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(HelpWindowWithoutDisplay, EventLoopStillCarriesEvents) {
    EventLoop loop = EventLoop::create();
    ASSERT_TRUE(loop.proxy().post(HelpEvent::ready(4242)));
    std::uint16_t port = 0;
    const int code = loop.run([&](const LoopEvent& event, LoopControl& control) {
        port = std::get<HelpEvent>(event).port;
        control.end_with(3);
    });
    EXPECT_EQ(code, 3);
    EXPECT_EQ(port, 4242);
}

}  // namespace
}  // namespace tarven
