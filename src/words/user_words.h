#pragma once
// Every text the launcher shows a user, in one place: the messages of a run's failures, the
// console's and the smoke run's lines, and the fixed texts of the window and its pages.
// Messages travel unchanged from where they arise; only the place that shows one adds a prefix
// (`console_line`, `smoke_line`) or a page around it. The payload tool prints the unpacking's
// messages from here too, so that what it reports is what the launcher would say.
//
// Details inside a message (an OS error, the inflater's or the web view's account of what went
// wrong) come from the code that met the failure.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarven::words {

// --- Where messages are shown ---------------------------------------------------------------
std::string console_line(std::string_view message);  // "Tarven Help: " + message
std::string smoke_line(std::string_view message);    // "smoke: " + message

// --- The work folder -------------------------------------------------------------------------
std::string no_folder(std::string_view error);

// --- Unpacking -------------------------------------------------------------------------------
inline constexpr std::string_view files_cut_short = "Tarven Help's files are cut short";
inline constexpr std::string_view name_not_text = "a file name in Tarven Help isn't text";
std::string refused_name(std::string_view quoted_name);
std::string damaged(std::string_view name, std::string_view detail);
std::string wrong_size(std::string_view name);
std::string not_unpacked(std::string_view name, std::string_view error);
// The error of a write that took no bytes at all.
inline constexpr std::string_view write_took_nothing = "failed to write whole buffer";

// --- Starting the application ----------------------------------------------------------------
std::string did_not_start(std::string_view error);
inline constexpr std::string_view stopped_as_it_started = "Tarven stopped as it started.";
inline constexpr std::string_view did_not_answer_in_time = "Tarven didn't answer in time.";
inline constexpr std::string_view stopped_unexpectedly = "Tarven Help stopped unexpectedly";
std::string no_thread(std::string_view error);

// --- The normal run's console lines (before the prefix) --------------------------------------
std::string no_window(std::string_view error);
std::string no_web_view(std::string_view error);

// --- Finding the web view's runtime (inside no_web_view) ------------------------------------
inline constexpr std::string_view no_webview_runtime = "the WebView2 runtime is not installed";
// A browser folder given through WEBVIEW2_BROWSER_EXECUTABLE_FOLDER or its policy that lies in a
// browser's own install (...\Edge\Application\...); os_error is the text of ERROR_NOT_SUPPORTED.
std::string browser_folder_refused(std::string_view folder, std::string_view os_error);

// --- The smoke run's lines (before the prefix) -----------------------------------------------
inline constexpr std::string_view never_said_its_port = "Tarven never said its port";
std::string help_page_answered(std::string_view first_line);
std::string still_there(std::string_view folder);
std::string smoke_passed(std::uint16_t port);

// --- The window and its pages ----------------------------------------------------------------
inline constexpr std::string_view window_title = "Tarven Help";
inline constexpr std::string_view starting_heading = "Starting Tarven Help\xE2\x80\xA6";
inline constexpr std::string_view starting_text = "This takes a few seconds.";
inline constexpr std::string_view failure_heading = "Tarven Help couldn't start";
// Follows the failure's message on the failure page, with nothing between.
inline constexpr std::string_view failure_suffix = " Close this window and open Tarven Help again.";

// --- The payload tool's refusals (after the file and the quoted name) -----------------------
inline constexpr std::string_view short_name_shaped =
    "Windows may take it for the short alias of another file (\"~\" and digits before the extension)";

// --- The payload tool's refusals of an input (after the file) --------------------------------
inline constexpr std::string_view input_is_link =
    "a symbolic link; pack takes regular files only and never follows a link";
std::string input_not_regular(std::string_view kind);  // kind: "a FIFO", "a folder", ...

// --- The payload tool's refusal of a payload too large to extract (after the payload) --------
std::string unpacks_past_limit(std::uint64_t limit);

}  // namespace tarven::words
