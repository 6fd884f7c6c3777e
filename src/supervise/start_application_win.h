#pragma once
#include "base/result.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"

namespace tarven {

// Starts <folder>\Tarven.exe in its help mode and puts it into a kill-on-close job (stored in
// `child` only when the assignment worked). The failure's text is the rendered OS error.
Result<AppProcess> start_application(const WorkFolder& folder, AppChild& child);

}  // namespace tarven
