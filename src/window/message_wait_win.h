#pragma once
// Waits of the main thread that keep its windows answering: a top-level window whose thread stops
// reading its messages turns into a "not responding" ghost, and the session's end meets a window
// that does not answer.
#include <windows.h>

#include <functional>

#include "base/durations.h"

namespace tarven {

// Until `handle` (may be null) is signalled, `done` holds or `limit` has passed, dispatching the
// thread's messages meanwhile. A WM_QUIT that arrives is posted again before this returns, for
// the loop. True unless the limit was reached.
bool wait_answering_messages(HANDLE handle, const std::function<bool()>& done, durations::Duration limit);

// Runs `steps` on a thread of its own and returns when they have run, answering the calling
// thread's messages meanwhile; on the calling thread itself when no thread can be had.
void run_answering_messages(const std::function<void()>& steps);

}  // namespace tarven
