#pragma once
// Every wait of the launcher, in one place. Functions that wait take these as defaulted
// parameters so that tests can shorten a wait without changing what is waited for.
#include <chrono>

namespace tarven::durations {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

// Port handshake and watch of the application.
inline constexpr Duration port_poll = 100ms;
inline constexpr Duration port_deadline = 45s;
inline constexpr Duration watch_poll = 500ms;

// Browser fallback: the port file is read at this pace within port_deadline.
inline constexpr Duration browser_port_poll = 200ms;

// Desk requests.
inline constexpr Duration quit_connect = 2s;
inline constexpr Duration quit_receive = 3s;
inline constexpr Duration help_connect = 3s;
inline constexpr Duration help_receive = 5s;  // each read of the help answer
inline constexpr Duration help_total = 60s;   // all of them

// Quit sequence: the application's own ending, then the folder's removal.
inline constexpr Duration app_end_wait = 6s;
inline constexpr Duration app_end_poll = 100ms;
inline constexpr int remove_attempts = 40;
inline constexpr Duration remove_pause = 250ms;

// The session's end (logoff, shutdown): the system gives a few seconds, so the terminated
// application gets a short wait, and the folder quick removal attempts; about 3 seconds in all.
inline constexpr Duration session_app_end_wait = 1s;
inline constexpr int session_remove_attempts = 20;
inline constexpr Duration session_remove_pause = 100ms;

// The web view's browser process lets go of its files in the work folder when it exits, after
// the web view is closed: the ending waits this long for it (answering window messages), less
// when the session is ending.
inline constexpr Duration browser_exit_wait = 5s;
inline constexpr Duration session_browser_exit_wait = 1s;

// Help window: the reveal timer shows the window at the latest after this long.
inline constexpr Duration reveal_delay = 3s;

// Smoke run: the wait for the starter's first word.
inline constexpr Duration smoke_event_wait = 60s;

}  // namespace tarven::durations
