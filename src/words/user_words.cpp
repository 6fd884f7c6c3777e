#include "words/user_words.h"

namespace tarven::words {
namespace {

std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (const std::string_view part : parts) text += part;
    return text;
}

}  // namespace

std::string console_line(std::string_view message) { return joined({"Tarven Help: ", message}); }
std::string smoke_line(std::string_view message) { return joined({"smoke: ", message}); }

std::string no_folder(std::string_view error) { return joined({"no folder for Tarven Help: ", error}); }

std::string refused_name(std::string_view quoted_name) {
    return joined({"Tarven Help carries a file it mustn't write: ", quoted_name});
}
std::string damaged(std::string_view name, std::string_view detail) {
    return joined({name, " in Tarven Help is damaged: ", detail});
}
std::string wrong_size(std::string_view name) { return joined({name, " in Tarven Help is the wrong size"}); }
std::string not_unpacked(std::string_view name, std::string_view error) {
    return joined({"couldn't unpack ", name, ": ", error});
}

std::string did_not_start(std::string_view error) { return joined({"Tarven didn't start: ", error, "."}); }
std::string no_thread(std::string_view error) { return joined({"couldn't start a thread: ", error}); }

std::string no_window(std::string_view error) { return joined({"no window: ", error}); }
std::string no_web_view(std::string_view error) { return joined({"no web view (", error, "); using the browser"}); }

std::string browser_folder_refused(std::string_view folder, std::string_view os_error) {
    return joined({"the WebView2 runtime can't run from ", folder, ", a browser's own folder: ", os_error});
}

std::string help_page_answered(std::string_view first_line) { return joined({"the help page answered: ", first_line}); }
std::string still_there(std::string_view folder) { return joined({folder, " is still there"}); }
std::string smoke_passed(std::uint16_t port) {
    return joined({"Tarven Help started on ", std::to_string(port), ", showed its page, ended and left nothing"});
}

std::string input_not_regular(std::string_view kind) {
    return joined({kind, ", not a regular file; pack takes regular files only"});
}

std::string unpacks_past_limit(std::uint64_t limit) {
    return joined({"its records declare more than ", std::to_string(limit),
                   " bytes unpacked in all, the most extract writes (--max-bytes N sets another limit)"});
}

}  // namespace tarven::words
