// The launcher's normal run: the help window with the fake WebView2 runtime (or, in one group, the
// installed one), and under Wine the browser fallback with the explorer stand-in. What the window did is read from the
// fake's record; what the fallback did from the stand-in explorer's.
#include <gtest/gtest.h>

#include <cstdio>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "fake_runtime_support_win.h"
#include "launcher_run_support_win.h"
#include "process_support_win.h"
#include "desk/desk_win.h"
#include "surroundings_win.h"
#include "window/webview_runtime_win.h"
#include "test_paths_win.h"

namespace tarven::test {
namespace {

using namespace std::chrono_literals;

const std::wstring launcher = windows_path(TARVEN_LAUNCHER_EXE);
const std::wstring launcher_without_app = windows_path(TARVEN_LAUNCHER_NO_APP_EXE);

// The launcher's top-level window titled "Tarven Help", if it has one.
HWND help_window_of(DWORD pid) {
    for (const HWND window : top_level_windows_of(pid)) {
        wchar_t title[64] = {};
        ::GetWindowTextW(window, title, 64);
        if (std::wstring_view(title) == L"Tarven Help") return window;
    }
    return nullptr;
}

class NormalRun : public testing::Test {
protected:
    void SetUp() override {
        record_ = scratch_.entry(L"standin-record.txt");
        requests_ = scratch_.entry(L"standin-requests.txt");
        explorer_records_ = scratch_.entry(L"explorer");
        ::CreateDirectoryW(explorer_records_.c_str(), nullptr);
    }

    void TearDown() override {
        if (application_pid_) end_process(*application_pid_);
        for (const auto& folder : work_folders_of(last_.pid)) remove_folder_tree(folder);
    }

    void install_runtime(RuntimeScope scope, const std::wstring& switches = L"",
                         Companion companion = Companion::beside_runtime) {
        auto installed = install_fake_runtime(scratch_.entry(L"runtime"), scope, switches,
                                              std::wstring(fake_runtime_default_version), companion);
        ASSERT_TRUE(installed) << installed.error();
        runtime_ = std::move(installed).value();
    }

    // Runs the launcher without switches; `meanwhile` acts on the running launcher.
    LauncherRun run(const std::wstring& standin_switches, const std::function<void(DWORD pid)>& meanwhile,
                    const std::wstring& exe = launcher) {
        LaunchOptions options;
        options.environment[L"TARVEN_STANDIN"] = standin_switches;
        options.environment[L"TARVEN_STANDIN_RECORD"] = record_;
        options.environment[L"TARVEN_STANDIN_REQUESTS"] = requests_;
        options.environment[L"TARVEN_EXPLORER_RECORD"] = explorer_records_;
        options.meanwhile = [&](const PROCESS_INFORMATION& started) {
            pid_ = started.dwProcessId;
            meanwhile(started.dwProcessId);
        };
        last_ = run_launcher_exe(exe, options);
        return last_;
    }

    // The application, once it has started; its handle outlives it, for its exit code.
    void watch_application() {
        const auto text = wait_for_file(record_);
        ASSERT_TRUE(text.has_value()) << "the application never started";
        const auto record = parse_standin_record(*text);
        ASSERT_TRUE(record.has_value());
        application_pid_ = record->pid;
        application_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, record->pid));
    }

    // 0 when it ended on the quit request, 1 when the quit sequence terminated it.
    DWORD application_exit_code() const {
        DWORD code = 0xDEAD;
        if (application_) {
            ::WaitForSingleObject(application_.get(), 10000);
            ::GetExitCodeProcess(application_.get(), &code);
        }
        return code;
    }

    FakeLog wait_for_log(std::string_view prefix) {
        const auto log = wait_for_fake_log_line(runtime_->log_path(), prefix);
        EXPECT_TRUE(log.has_value()) << "the web view never recorded " << prefix;
        return log.value_or(FakeLog{});
    }

    FakeLog log() const { return read_fake_log(runtime_->log_path()); }

    std::vector<std::string> explorer_command_lines() const {
        std::vector<std::string> lines;
        WIN32_FIND_DATAW data{};
        const unique_hfind search(::FindFirstFileW((explorer_records_ + L"\\explorer-*.txt").c_str(), &data));
        if (!search) return lines;
        do {
            const auto text = read_file_bytes(explorer_records_ + L"\\" + data.cFileName);
            if (const auto record = text ? parse_standin_record(*text) : std::nullopt)
                lines.push_back(record->command_line);
        } while (::FindNextFileW(search.get(), &data));
        return lines;
    }

    void expect_clean_exit(const LauncherRun& run) const {
        EXPECT_EQ(run.exit_code, 0u);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
        expect_nothing_left(run);
    }

    void expect_nothing_left(const LauncherRun& run) const {
        EXPECT_TRUE(work_folders_of(run.pid).empty());
        if (application_pid_) {
            EXPECT_FALSE(process_still_runs(*application_pid_));
        }
    }

    // The session ends while the launcher runs: every window allows it and, by the time the
    // answers are back (the system ends the process then), the application and the work folder
    // are gone. The application was terminated, not asked to quit.
    void end_session_and_expect_nothing_left(DWORD pid, const wchar_t* window_class) {
        const SessionEndAnswers answers = end_session_of(pid, window_class);
        EXPECT_GT(answers.windows, 0u);
        EXPECT_TRUE(answers.allowed);
        EXPECT_TRUE(answers.answered);
        std::printf("session end answered in %lld ms\n", static_cast<long long>(answers.took.count()));
        EXPECT_TRUE(work_folders_of(pid).empty()) << "the work folder outlived the session's end";
        ASSERT_TRUE(application_pid_.has_value());
        EXPECT_FALSE(process_still_runs(*application_pid_, 0));
        EXPECT_EQ(application_exit_code(), 1u) << "the application should have been terminated, not asked";
    }

    // The first request the application received that starts with `request` ("POST /desk/quit"):
    // its moment (a FILETIME) and the line after it. Then the moment of the fake browser's exit.
    struct Request {
        unsigned long long at = 0;
        std::string line;
    };
    std::optional<Request> request_of(std::string_view request) const {
        const auto text = read_file_bytes(requests_);
        for (std::size_t at = 0; text && at < text->size();) {
            const std::size_t end = std::min(text->find('\n', at), text->size());
            const std::string_view line = std::string_view(*text).substr(at, end - at);
            if (const std::size_t blank = line.find(' '); line.substr(blank + 1).starts_with(request))
                return Request{std::stoull(std::string(line.substr(3, blank - 3))),
                               std::string(line.substr(blank + 1))};
            at = end + 1;
        }
        return std::nullopt;
    }
    std::optional<unsigned long long> browser_exit_time() const {
        const auto lines = log().starting_with("browser-exiting at=");
        if (lines.empty()) return std::nullopt;
        return std::stoull(lines.front().substr(std::string("browser-exiting at=").size()));
    }
    std::optional<DWORD> browser_pid() const {
        const auto lines = log().starting_with("browser-process ");
        if (lines.empty()) return std::nullopt;
        return static_cast<DWORD>(std::stoul(lines.front().substr(std::string("browser-process ").size())));
    }

    ScratchFolder scratch_{L"e2e window"};
    std::wstring record_, requests_, explorer_records_;
    std::unique_ptr<FakeRuntime> runtime_;
    std::optional<DWORD> application_pid_;
    unique_handle application_;
    DWORD pid_ = 0;
    LauncherRun last_;
};

std::string help_prefix = "navigation-completed http://127.0.0.1:";

TEST_F(NormalRun, ShowsTheHelpAndQuitsOnClose) {
    TARVEN_REQUIRE_WINE("it registers the fake runtime in the registry");
    install_runtime(RuntimeScope::per_user);
    HWND window = nullptr;
    const LauncherRun result = run(L"", [&](DWORD pid) {
        watch_application();
        wait_for_log(help_prefix);
        poll_until([&] { return (window = help_window_of(pid)) != nullptr && ::IsWindowVisible(window); }, 10s);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(::GetForegroundWindow(), window) << "the first reveal brings the window forward";
        wait_for_log("move-focus 0");  // and hands the keyboard to the page
        RECT client{};
        ::GetClientRect(window, &client);
        EXPECT_EQ(client.right - client.left, 480);
        EXPECT_EQ(client.bottom - client.top, 640);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    });
    expect_clean_exit(result);
    EXPECT_EQ(application_exit_code(), 0u) << "the application did not get the quit request";

    const FakeLog record = log();
    // The runtime found the DLL it imports beside itself.
    EXPECT_TRUE(
        record.has("companion-dll " + narrow_lossy(runtime_->folder()) + "\\EBWebView\\x64\\FakeRuntimeCompanion.dll"));
    EXPECT_TRUE(
        record.has("browser-arguments: --disable-features=msWebOOUI,msPdfOOUI,msSmartScreenProtection "
                   "--autoplay-policy=no-user-gesture-required"));
    EXPECT_EQ(record.starting_with("create-environment runtime-type=0 user-data-folder=").size(), 1u);
    const std::string environment = record.starting_with("create-environment").front();
    EXPECT_NE(environment.find("\\TarvenHelp-" + std::to_string(result.pid) + "-"), std::string::npos) << environment;
    EXPECT_EQ(environment.substr(environment.size() - 8), "\\webview");
    EXPECT_TRUE(record.has("background 255 11 18 32"));
    for (const char* setting :
         {"setting IsStatusBarEnabled=0", "setting AreDefaultContextMenusEnabled=1", "setting IsZoomControlEnabled=0",
          "setting AreDevToolsEnabled=0", "setting IsScriptEnabled=1", "setting IsGeneralAutofillEnabled=1",
          "setting IsPinchZoomEnabled=0", "setting IsSwipeNavigationEnabled=0",
          "setting IsNonClientRegionSupportEnabled=1"})
        EXPECT_TRUE(record.has(setting)) << setting;
    EXPECT_TRUE(
        record.has("script: Object.defineProperty(window, 'ipc', { value: Object.freeze({ postMessage: s=> "
                   "window.chrome.webview.postMessage(s) }) });"));
    // Hidden until the starting page was done, shown for the help, closed before the quit. The port
    // may come before the starting page has loaded: the help's navigation then waits behind it.
    EXPECT_TRUE(record.in_order({"navigate-to-string starting-page", "navigate http://127.0.0.1:",
                                 "navigation-starting http://127.0.0.1:", "controller-close"}));
    EXPECT_TRUE(record.in_order(
        {"navigation-starting data:", "navigation-completed data:", "navigation-starting http://127.0.0.1:"}));
    const std::string first_start = record.starting_with("navigation-starting data:").front();
    EXPECT_NE(first_start.find("cancelled=0 window-visible=0"), std::string::npos) << first_start;
    const std::string help_start = record.starting_with("navigation-starting http://127.0.0.1:").front();
    EXPECT_NE(help_start.find("/desk/help cancelled=0 window-visible=1"), std::string::npos) << help_start;
}

// The runtime's browser process keeps files of the work folder open until it has exited, which it
// does once the web view is released, by itself or (the second) only while the window's messages
// flow: the application hears of the quit only after that, and nothing is left.
class NormalRunWithABrowserProcess : public NormalRun, public testing::WithParamInterface<const wchar_t*> {};

TEST_P(NormalRunWithABrowserProcess, ClosingLetsTheBrowserProcessGoBeforeTheQuit) {
    install_runtime(RuntimeScope::fixed_version, std::wstring(L"browser-process=") + GetParam());
    const LauncherRun result = run(L"", [&](DWORD pid) {
        watch_application();
        wait_for_log(help_prefix);
        ::PostMessageW(help_window_of(pid), WM_CLOSE, 0, 0);
    });
    expect_clean_exit(result);
    EXPECT_EQ(application_exit_code(), 0u) << "the application did not get the quit request";
    const auto quit = request_of("POST /desk/quit");
    ASSERT_TRUE(quit.has_value()) << "no quit request";
    EXPECT_EQ(quit->line, "POST /desk/quit user-agent=");
    const auto browser_exit = browser_exit_time();
    ASSERT_TRUE(browser_exit.has_value()) << "the browser process never exited";
    EXPECT_LT(*browser_exit, quit->at) << "the quit came while the browser process still held the folder";
    ASSERT_TRUE(browser_pid().has_value());
    EXPECT_FALSE(process_still_runs(*browser_pid(), 0));
    // The event or the process's handle, whichever comes first, ends the wait.
    EXPECT_TRUE(log().in_order(
        {"add-browser-process-exited", "controller-close", "browser-released", "remove-browser-process-exited"}));
}

INSTANTIATE_TEST_SUITE_P(Modes, NormalRunWithABrowserProcess, testing::Values(L"500", L"pump"),
                         [](const testing::TestParamInfo<const wchar_t*>& mode) {
                             return std::wstring_view(mode.param) == L"pump" ? "ExitingOnlyWhileMessagesFlow"
                                                                             : "ExitingByItself";
                         });

// The application ends by itself: the window stays on screen while the run ends, and answers.
TEST_F(NormalRun, WindowAnswersWhileTheRunEndsAfterTheApplication) {
    install_runtime(RuntimeScope::fixed_version, L"browser-process=pump:3000");
    bool answered = false;
    const LauncherRun result = run(L"end-after-port", [&](DWORD pid) {
        watch_application();
        const HWND window = help_window_of(pid);
        wait_for_log("browser-released");
        DWORD_PTR ignored = 0;
        answered = ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &ignored) != 0;
    });
    expect_clean_exit(result);
    EXPECT_TRUE(answered) << "the window did not answer within 1 s while the run ended";
}

TEST_F(NormalRun, RefusesOutsideAddressesAndNewWindows) {
    install_runtime(RuntimeScope::fixed_version,
                    L"navigate-outside=https://example.com/elsewhere,new-window=https://example.com/popup");
    const LauncherRun result = run(L"", [&](DWORD pid) {
        watch_application();
        wait_for_log("navigation-failed https://example.com/elsewhere");
        ::PostMessageW(help_window_of(pid), WM_CLOSE, 0, 0);
    });
    expect_clean_exit(result);
    const FakeLog record = log();
    EXPECT_TRUE(record.has("navigation-starting https://example.com/elsewhere cancelled=1 window-visible=1"));
    EXPECT_TRUE(record.has("new-window-requested https://example.com/popup handled=1"));
    EXPECT_TRUE(record.has("create-environment runtime-type=1 user-data-folder=" +
                           record.starting_with("create-environment")
                               .front()
                               .substr(std::string("create-environment runtime-type=1 user-data-folder=").size())));
}

// A page that closes itself takes only the web view away: the window stays, empty, until closed.
TEST_F(NormalRun, PageClosingItselfLeavesTheWindowOpen) {
    install_runtime(RuntimeScope::fixed_version, L"close-from-script");
    const LauncherRun result = run(L"", [&](DWORD pid) {
        watch_application();
        wait_for_log("controller-close");
        ::Sleep(500);
        HWND window = help_window_of(pid);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(::IsWindowVisible(window));
        EXPECT_TRUE(process_still_runs(pid, 0));
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    });
    expect_clean_exit(result);
    EXPECT_TRUE(log().in_order({"window-close-requested", "controller-close"}));
}

TEST_F(NormalRun, ClosingBeforeThePortSendsNoQuitRequest) {
    install_runtime(RuntimeScope::fixed_version);
    const LauncherRun result = run(L"no-port", [&](DWORD pid) {
        watch_application();
        wait_for_log("navigation-completed data:");
        HWND window = nullptr;
        poll_until([&] { return (window = help_window_of(pid)) != nullptr; }, 10s);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    });
    expect_clean_exit(result);
    EXPECT_EQ(application_exit_code(), 1u) << "the application should have been terminated, not asked";
    EXPECT_TRUE(log().starting_with("navigate http").empty());
}

TEST_F(NormalRun, ApplicationEndingByItselfEndsTheRun) {
    install_runtime(RuntimeScope::fixed_version);
    const LauncherRun result = run(L"end-after-port", [&](DWORD) { watch_application(); });
    expect_clean_exit(result);
    EXPECT_TRUE(log().in_order({"navigate http://127.0.0.1:", "controller-close"}));
}

// No page completes, so the reveal comes from the reveal timer, 3 seconds after the failure.
TEST_F(NormalRun, FailedStartShowsTheFailurePageUntilClosed) {
    install_runtime(RuntimeScope::fixed_version, L"no-complete");
    const LauncherRun result = run(
        L"",
        [&](DWORD pid) {
            wait_for_log("navigate-to-string failure-page");
            HWND window = nullptr;
            ASSERT_TRUE(poll_until([&] { return (window = help_window_of(pid)) && ::IsWindowVisible(window); }, 2s));
            EXPECT_NE(::GetForegroundWindow(), window) << "the failure page is shown without focus";
            EXPECT_TRUE(log().starting_with("move-focus").empty());
            EXPECT_TRUE(poll_until([&] { return ::GetForegroundWindow() == window; }, 10s))
                << "the first reveal brings the window forward";
            wait_for_log("move-focus 0");
            ::Sleep(1500);  // an Ended after the failure would end the run: nothing may happen now
            ASSERT_TRUE(process_still_runs(pid, 0));
            EXPECT_TRUE(::IsWindowVisible(window));
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        },
        launcher_without_app);
    expect_clean_exit(result);
    const std::string page = log().starting_with("navigate-to-string failure-page: ").front();
    EXPECT_EQ(page, "navigate-to-string failure-page: Tarven didn't start: " + render_os_error(ERROR_FILE_NOT_FOUND) +
                        ". Close this window and open Tarven Help again.");
}

TEST_F(NormalRun, SessionEndEndsTheRunBeforeItsAnswer) {
    install_runtime(RuntimeScope::fixed_version);
    const LauncherRun result = run(L"", [&](DWORD pid) {
        watch_application();
        wait_for_log(help_prefix);
        end_session_and_expect_nothing_left(pid, L"TarvenHelpWindow");
    });
    expect_clean_exit(result);
    EXPECT_TRUE(log().has("controller-close")) << "the web view's data lies in the work folder";
}

// The session ends while the quit sequence gives an application that ignores the quit request its
// grace: the ending hurries, and the answer comes once the folder is gone.
TEST_F(NormalRun, SessionEndHurriesAQuitSequenceUnderWay) {
    install_runtime(RuntimeScope::fixed_version);
    const LauncherRun result = run(L"ignore-quit", [&](DWORD pid) {
        watch_application();
        wait_for_log(help_prefix);
        ::PostMessageW(help_window_of(pid), WM_CLOSE, 0, 0);
        ASSERT_TRUE(poll_until([&] { return request_of("POST /desk/quit").has_value(); }, 10s));
        end_session_and_expect_nothing_left(pid, L"TarvenHelpWindow");
    });
    expect_clean_exit(result);
}

void post_quit_to_main_thread(DWORD pid) {
    HWND window = nullptr;
    poll_until([&] { return (window = help_window_of(pid)) != nullptr; }, 10s);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(::PostThreadMessageW(::GetWindowThreadProcessId(window, nullptr), WM_QUIT, 5, 0));
}

// A WM_QUIT that ends the loop runs the quit sequence without a port, as the application's own
// end does: the application gets its grace, then is terminated.
TEST_F(NormalRun, QuitMessageToTheMainThreadEndsTheRunWithZero) {
    install_runtime(RuntimeScope::fixed_version);
    const LauncherRun result = run(L"", [&](DWORD pid) {
        watch_application();
        wait_for_log(help_prefix);
        post_quit_to_main_thread(pid);
    });
    expect_clean_exit(result);
    EXPECT_EQ(application_exit_code(), 1u) << "no quit request without a port";
    EXPECT_TRUE(log().in_order({"navigate http://127.0.0.1:", "controller-close"}));
}

// One that cuts the web view's creation short ends the run the same way, not in the browser.
TEST_F(NormalRun, QuitMessageDuringTheWebViewsCreationEndsTheRunWithZero) {
    install_runtime(RuntimeScope::fixed_version, L"slow-controller=20000");
    const LauncherRun result = run(L"", [&](DWORD pid) {
        wait_for_log("create-controller");
        watch_application();
        post_quit_to_main_thread(pid);
    });
    expect_clean_exit(result);
    EXPECT_EQ(application_exit_code(), 1u) << "no quit request without a port";
    EXPECT_TRUE(explorer_command_lines().empty()) << "the help went to the browser";
}

// Without a web view the help goes to the browser; the run lasts until the application ends,
// which the test brings about through the application's own desk.
class BrowserRun : public NormalRun {
protected:
    void SetUp() override {
        TARVEN_REQUIRE_WINE("the explorer.exe stand-in in its prefix");
        NormalRun::SetUp();
    }

    LauncherRun run_until_browser_opened(const std::wstring& exe = launcher) {
        return run(
            L"",
            [&](DWORD pid) {
                watch_application();
                poll_until([&] { return !explorer_command_lines().empty(); }, 30s);
                const auto lines = explorer_command_lines();
                if (lines.empty()) end_process(pid);  // a launcher showing its window would wait for ever
                ASSERT_EQ(lines.size(), 1u);
                const std::string prefix = "\"explorer.exe\" http://127.0.0.1:";
                ASSERT_EQ(lines.front().rfind(prefix, 0), 0u) << lines.front();
                const std::string rest = lines.front().substr(prefix.size());
                EXPECT_EQ(rest.substr(rest.find('/')), "/desk/help");
                ::Sleep(1000);  // the launcher stays while the application runs
                EXPECT_TRUE(process_still_runs(pid_, 0));
                send_quit_request(static_cast<std::uint16_t>(std::stoi(rest)));
            },
            exe);
    }

    // The launcher writes nothing to standard output; the explorer stand-in, which inherits it,
    // says hello there.
    void expect_browser_ending(const LauncherRun& result, const std::string& line) {
        EXPECT_EQ(result.err, line + "\n");
        EXPECT_EQ(result.out, "explorer stand-in\n");
        EXPECT_EQ(result.exit_code, 0u);
        expect_nothing_left(result);
        EXPECT_EQ(application_exit_code(), 0u);
    }
};

// Cases that CTest runs without a display (see CMakeLists.txt): window creation fails, so the
// help goes to the browser.
class HeadlessBrowserRun : public BrowserRun {
protected:
    void SetUp() override {
        TARVEN_REQUIRE(!windows_can_be_made(), "needs a system where no window can be made (Wine without a display)");
        BrowserRun::SetUp();
    }
};

TEST_F(HeadlessBrowserRun, NoDisplayMeansNoWindow) {
    expect_browser_ending(run_until_browser_opened(), "Tarven Help: no window: " + render_os_error(1400));
}

TEST_F(BrowserRun, NoRuntimeInstalled) {
    expect_browser_ending(run_until_browser_opened(),
                          "Tarven Help: no web view (the WebView2 runtime is not installed); using the browser");
}

// A launcher run from a Downloads folder with a DLL planted beside it: the runtime's DLL imports
// that name but must not get the planted one. With the DLL only there, the runtime fails to load.
TEST_F(BrowserRun, RuntimeDependencyOnlyBesideTheLauncherIsNotLoaded) {
    install_runtime(RuntimeScope::fixed_version, L"", Companion::left_out);
    const std::wstring downloads = scratch_.entry(L"downloads");
    ASSERT_TRUE(::CreateDirectoryW(downloads.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring copy = downloads + L"\\Tarven Help.exe";
    ASSERT_TRUE(::CopyFileW(launcher.c_str(), copy.c_str(), FALSE));
    const std::wstring planted = downloads + L"\\FakeRuntimeCompanion.dll";
    ASSERT_TRUE(::CopyFileW(fake_runtime_companion_dll().c_str(), planted.c_str(), FALSE));
    expect_browser_ending(run_until_browser_opened(copy),
                          "Tarven Help: no web view (the WebView2 runtime at " + narrow_lossy(runtime_->folder()) +
                              " could not be loaded: " + render_os_error(ERROR_MOD_NOT_FOUND) + "); using the browser");
    EXPECT_TRUE(log().lines.empty()) << "the runtime ran";
}

// The fallback sleeps in its waits; its own window on another thread answers the session's end.
TEST_F(BrowserRun, SessionEndEndsTheFallbackBeforeItsAnswer) {
    const LauncherRun result = run(L"", [&](DWORD pid) {
        watch_application();
        ASSERT_TRUE(poll_until([&] { return !explorer_command_lines().empty(); }, 30s));
        end_session_and_expect_nothing_left(pid, L"TarvenHelpSessionEnd");
    });
    EXPECT_EQ(result.exit_code, 0u);
    EXPECT_EQ(result.err, "Tarven Help: no web view (the WebView2 runtime is not installed); using the browser\n");
    expect_nothing_left(result);
}

TEST_F(BrowserRun, EnvironmentFails) {
    install_runtime(RuntimeScope::fixed_version, L"fail-environment");
    const LauncherRun result = run_until_browser_opened();
    EXPECT_EQ(result.err.rfind("Tarven Help: no web view (", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("0x80004005"), std::string::npos) << result.err;
    EXPECT_TRUE(result.err.ends_with("); using the browser\n")) << result.err;
    EXPECT_EQ(result.exit_code, 0u);
    expect_nothing_left(result);
}

TEST_F(BrowserRun, ControllerFails) {
    install_runtime(RuntimeScope::per_user, L"fail-controller");
    const LauncherRun result = run_until_browser_opened();
    EXPECT_EQ(result.err.rfind("Tarven Help: no web view (", 0), 0u) << result.err;
    EXPECT_NE(result.err.find("0x80004005"), std::string::npos) << result.err;
    EXPECT_EQ(result.exit_code, 0u);
    expect_nothing_left(result);
    EXPECT_TRUE(log().has("controller-failed 0x80004005"));
}

// The page's script could not be registered: the web view is given up like one not created.
TEST_F(BrowserRun, ScriptRegistrationFails) {
    install_runtime(RuntimeScope::fixed_version, L"fail-script");
    const LauncherRun result = run_until_browser_opened();
    EXPECT_EQ(result.err,
              "Tarven Help: no web view (couldn't add the web view's initialization script (HRESULT 0x80004005)); "
              "using the browser\n");
    EXPECT_EQ(result.exit_code, 0u);
    expect_nothing_left(result);
    EXPECT_TRUE(log().has("script-failed 0x80004005"));
    EXPECT_TRUE(log().starting_with("navigate-to-string").empty());
}

// The fallback's whole 45 seconds, once, at full length: no port ever comes.
TEST_F(HeadlessBrowserRun, NoPortWithinTheFallbacksLimit) {
    const auto started = std::chrono::steady_clock::now();
    const LauncherRun result = run(L"no-port", [&](DWORD) { watch_application(); });
    EXPECT_GE(std::chrono::steady_clock::now() - started, 45s);
    EXPECT_EQ(result.err, "Tarven Help: no window: " + render_os_error(1400) + "\n");
    EXPECT_EQ(result.exit_code, 1u);
    EXPECT_TRUE(explorer_command_lines().empty());
    expect_nothing_left(result);
    EXPECT_EQ(application_exit_code(), 1u);
}

TEST_F(HeadlessBrowserRun, WorkFolderCannotBeMadeOpensNothing) {
    const EnvironmentOverride temp(L"TEMP", L"C:\\tarven-no-such-temp-folder");
    const EnvironmentOverride tmp(L"TMP", L"C:\\tarven-no-such-temp-folder");
    const LauncherRun result = run(L"", [](DWORD) {});
    EXPECT_EQ(result.err, "Tarven Help: no folder for Tarven Help: " + render_os_error(ERROR_PATH_NOT_FOUND) + "\n");
    EXPECT_EQ(result.exit_code, 1u);
    ::Sleep(500);
    EXPECT_TRUE(explorer_command_lines().empty());
    EXPECT_FALSE(wait_for_file(record_, 0ms).has_value()) << "no application may start";
}

// The normal run on whichever runtime the machine has: the fake (reached through
// WEBVIEW2_BROWSER_EXECUTABLE_FOLDER, as on any machine) or the installed runtime, which only a
// real Windows machine has. The stand-in's help page itself tries to open a window, navigates
// outside the help and then to a help sub-page; what reached the application is read from its
// own record of requests, so the same checks hold for both runtimes.
enum class Runtime { fake, installed };

void PrintTo(Runtime runtime, std::ostream* out) {
    *out << (runtime == Runtime::fake ? "the fake" : "the installed one");
}

class RuntimeRun : public NormalRun, public testing::WithParamInterface<Runtime> {
protected:
    void SetUp() override {
        NormalRun::SetUp();
        if (GetParam() == Runtime::fake) {
            ASSERT_NO_FATAL_FAILURE(install_runtime(RuntimeScope::fixed_version, L"page-driven,browser-process=500"));
            return;
        }
        const auto installed = find_webview_runtime();
        TARVEN_REQUIRE(installed.ok(), "needs an installed WebView2 runtime (" + installed.error() + ")");
        const std::wstring& folder = installed.value().folder;
        installed_version_ = narrow_lossy(folder.substr(folder.find_last_of(L'\\') + 1));
    }

    // The user agent of the application's first request that starts so ("GET /desk/help").
    std::optional<std::string> user_agent_of(const std::string& request) const {
        const auto found = request_of(request + " user-agent=");
        if (!found) return std::nullopt;
        return found->line.substr(request.size() + std::string(" user-agent=").size());
    }

    std::string installed_version_;  // the runtime folder's name
};

TEST_P(RuntimeRun, ThePagesOwnNavigationsKeepToTheHelpAndItsWindow) {
    std::wstring user_data;
    std::size_t windows_of_the_run = 0, browser_processes = 0;
    const LauncherRun result = run(L"page-steps", [&](DWORD pid) {
        watch_application();
        const bool arrived = poll_until([&] { return request_of("GET /desk/help/after ").has_value(); }, 60s);
        const auto folders = work_folders_of(pid);
        if (folders.size() == 1) user_data = folders.front() + L"\\webview";
        const std::vector<DWORD> processes = user_data.empty() ? std::vector<DWORD>{} : processes_naming(user_data);
        browser_processes = processes.size();
        for (const DWORD process : processes)
            for (const HWND window : top_level_windows_of(process))
                windows_of_the_run += ::IsWindowVisible(window) ? 1 : 0;
        const HWND window = help_window_of(pid);
        windows_of_the_run += window != nullptr && ::IsWindowVisible(window) ? 1 : 0;
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        ASSERT_TRUE(arrived) << "the page never reached /desk/help/after";
        ASSERT_EQ(folders.size(), 1u);
    });
    expect_clean_exit(result);
    EXPECT_EQ(application_exit_code(), 0u) << "the application did not get the quit request";
    const auto quit = request_of("POST /desk/quit");
    ASSERT_TRUE(quit.has_value()) << "no quit request";
    EXPECT_EQ(quit->line, "POST /desk/quit user-agent=");
    const auto help_agent = user_agent_of("GET /desk/help");
    ASSERT_TRUE(help_agent.has_value()) << "the web view never fetched the help page";
    EXPECT_NE(*help_agent, "") << "the help page was fetched by no web engine";
    EXPECT_FALSE(request_of("GET /outside").has_value()) << "a refused navigation reached the application";
    EXPECT_EQ(windows_of_the_run, 1u) << "the page opened a window of its own";
    EXPECT_GT(browser_processes, 0u) << "no browser process of the run was seen while it ran";
    EXPECT_TRUE(processes_naming(user_data).empty()) << "a browser process of the run outlived it";
    if (GetParam() == Runtime::installed) {
        EXPECT_NE(help_agent->find(installed_version_), std::string::npos) << *help_agent;
    }
}

INSTANTIATE_TEST_SUITE_P(OnTheRuntime, RuntimeRun, testing::Values(Runtime::fake, Runtime::installed),
                         [](const testing::TestParamInfo<Runtime>& runtime) {
                             return runtime.param == Runtime::fake ? "Fake" : "Installed";
                         });

}  // namespace
}  // namespace tarven::test
