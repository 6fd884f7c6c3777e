#include "supervise/starter_thread_failure_win.h"

#include "base/console_win.h"

namespace tarven {

int end_without_starter(const WorkFolder& folder, const std::string& error) {
    write_error_line("Tarven Help: couldn't start a thread: " + error);
    remove_work_folder(folder);
    return 1;
}

}  // namespace tarven
