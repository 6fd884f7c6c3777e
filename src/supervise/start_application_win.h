#pragma once
#include <windows.h>

#include "base/result.h"
#include "payload/work_folder_win.h"
#include "supervise/app_child_win.h"

namespace tarven {

// Called just before the application is given its job, with its process when it exists by then
// (it does not while the job goes along with the start itself). The launcher passes none; tests
// hold the step back with it to show that nothing of the application runs outside its job.
using BeforeJobStep = void (*)(HANDLE application);

// Starts <folder>\Tarven.exe in its help mode inside a kill-on-close job, attached before any of
// its code runs (stored in `child` only when the application is in it). The failure's text is
// the rendered OS error of the start without the job; a job that cannot be had never fails it.
Result<AppProcess> start_application(const WorkFolder& folder, AppChild& child,
                                     BeforeJobStep before_job_step = nullptr);

}  // namespace tarven
