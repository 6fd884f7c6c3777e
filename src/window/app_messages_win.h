#pragma once
// Every WM_APP message the launcher uses, named in one place so that no two mean different
// things. None carries data: each is a wake-up or a request whose details the receiver keeps
// itself, so a post from another process can hand it nothing.
#include <windows.h>

namespace tarven {

// The event loop's target: events are waiting in the loop's own queue.
inline constexpr UINT loop_wake_up_message = WM_APP + 1;
// The web view's child window: a page asked to close; the web view goes once the runtime's
// handler has returned.
inline constexpr UINT web_view_close_message = WM_APP + 2;

}  // namespace tarven
