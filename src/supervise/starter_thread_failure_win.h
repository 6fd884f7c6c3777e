#pragma once
#include <string>

#include "supervise/run_owner_win.h"

namespace tarven {

// The system refused the starter thread: one line, the still empty work folder removed, and
// exit code 1. Nothing else was started, so there is nothing to quit.
[[nodiscard]] int end_without_starter(RunOwner& run, const std::string& error);

}  // namespace tarven
