#pragma once
#include "base/result.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"

namespace tarven {

// Starts <folder>\Tarven.exe in its help mode inside a kill-on-close job, attached before any of
// its code runs (stored in `child` only when the application is in it). The failure's text is
// the rendered OS error of the start without the job; a job that cannot be had never fails it.
Result<AppProcess> start_application(const WorkFolder& folder, AppChild& child);

}  // namespace tarven
