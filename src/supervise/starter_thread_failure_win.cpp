#include "supervise/starter_thread_failure_win.h"

#include "base/console_win.h"
#include "words/user_words.h"

namespace tarven {

int end_without_starter(RunOwner& run, const std::string& error) {
    write_error_line(words::console_line(words::no_thread(error)));
    run.end_with_removal();  // exit point: starter thread refused
    return 1;
}

}  // namespace tarven
