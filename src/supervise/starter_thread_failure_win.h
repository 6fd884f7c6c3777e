#pragma once
#include <string>

#include "payload/work_folder_win.h"

namespace tarven {

// The system refused the starter thread: one line, the still empty work folder removed, and
// exit code 1. Nothing else was started, so there is nothing to quit.
int end_without_starter(const WorkFolder& folder, const std::string& error);

}  // namespace tarven
