#pragma once
// A thread that nobody joins: it owns its work, and its handle is dropped at once.
#include <functional>

#include "base/result.h"

namespace tarven {

// Starts `work` on such a thread; anything it throws ends there. The failure's text says why the
// system refused the thread.
Status start_detached_thread(std::function<void()> work);

}  // namespace tarven
