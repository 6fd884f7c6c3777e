// The browser fallback against the stand-in application and the explorer stand-in, which CTest
// puts into this test's Wine prefix as <Windows folder>\explorer.exe.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <future>
#include <string>
#include <vector>

#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "desk_support_win.h"
#include "file_bytes_win.h"
#include "process_support_win.h"
#include "surroundings_win.h"
#include "supervise/browser_fallback_win.h"
#include "desk/desk_request.h"
#include "test_paths_win.h"

namespace tarven {
namespace {

using namespace std::chrono_literals;

// The fallback starts the Windows folder's explorer.exe, which only a Wine prefix lets a test replace.
class BrowserFallback : public testing::Test {
protected:
    void SetUp() override { TARVEN_REQUIRE_WINE("the explorer.exe stand-in in its prefix"); }
};
using Clock = std::chrono::steady_clock;
using test::StandinRecord;
using test::StartedStandin;

// Waits a test can wait out: a short port deadline, quick polls, a short grace in the quit
// sequence.
BrowserTimes short_times(durations::Duration deadline = 2s) {
    BrowserTimes times;
    times.port_deadline = deadline;
    times.port_poll = 50ms;
    times.watch_poll = 100ms;
    times.quit.app_end_wait = 1s;
    times.quit.remove_pause = 100ms;
    return times;
}

// The explorer stand-in's records, one per start, in a folder of this test that it learns from
// the environment that the launcher passes on.
class ExplorerRecords {
public:
    ExplorerRecords() : variable_(L"TARVEN_EXPLORER_RECORD", folder_.path()) {}

    std::vector<StandinRecord> read() const {
        std::vector<StandinRecord> records;
        WIN32_FIND_DATAW found{};
        const unique_hfind find(::FindFirstFileW(folder_.entry(L"*.txt").c_str(), &found));
        if (!find) return records;
        do {
            const auto text = test::read_file_bytes(folder_.entry(found.cFileName));
            const auto record = text ? test::parse_standin_record(*text) : std::nullopt;
            if (!record) throw std::runtime_error("an explorer record that does not parse");
            records.push_back(*record);
        } while (::FindNextFileW(find.get(), &found));
        return records;
    }

private:
    test::ScratchFolder folder_;
    test::EnvironmentOverride variable_;
};

// One of this process's standard handles pointed at a new file (not inheritable), put back after.
class StdHandleToFile {
public:
    StdHandleToFile(DWORD which, std::wstring path)
        : which_(which),
          old_(::GetStdHandle(which)),
          path_(std::move(path)),
          file_(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (!file_) throw std::runtime_error("cannot make the file for a standard handle");
        ::SetStdHandle(which_, file_.get());
    }
    ~StdHandleToFile() { ::SetStdHandle(which_, old_); }
    StdHandleToFile(const StdHandleToFile&) = delete;
    StdHandleToFile& operator=(const StdHandleToFile&) = delete;

    std::string content() const { return test::read_file_bytes(path_).value_or(""); }

private:
    DWORD which_;
    HANDLE old_;
    std::wstring path_;
    unique_hfile file_;
};

void write_file(const std::wstring& path, std::string_view text) {
    const unique_hfile file(::CreateFileW(path.c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file || !::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr))
        throw std::runtime_error("cannot write a file");
}

void write_port_file(const WorkFolder& folder, std::string_view text) { write_file(folder.entry(L"port"), text); }

// A copy of the stand-in that only sleeps, put into the application's job as something the
// application left behind.
unique_handle sleeper_in_job(HANDLE job) {
    const test::EnvironmentOverride mode(L"TARVEN_STANDIN", L"sleeper");
    const std::wstring program = test::standin_exe();
    std::wstring command_line = L"\"" + program + L"\" sleeper";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION created{};
    if (!::CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                          nullptr, &startup, &created))
        throw std::runtime_error("cannot start the sleeper");
    unique_handle process(created.hProcess);
    const unique_handle thread(created.hThread);
    if (!::AssignProcessToJobObject(job, process.get())) {
        ::TerminateProcess(process.get(), 1);
        throw std::runtime_error("cannot put the sleeper into the job");
    }
    return process;
}

std::string current_folder() {
    std::wstring folder(MAX_PATH * 4, L'\0');
    folder.resize(::GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return narrow_lossy(folder);
}

// The fallback for a run that owns the stand-in; by default it starts the Windows folder's
// explorer.exe, as the launcher does.
int open_in_browser_for(StartedStandin& app, const BrowserTimes& times,
                        const std::optional<std::wstring>& explorer = windows_explorer()) {
    RunOwner run(app.folder, app.child);
    return open_in_browser(run, times, explorer);
}

std::future<int> open_in_browser_async(StartedStandin& app, const BrowserTimes& times) {
    return std::async(std::launch::async, [&app, times] { return open_in_browser_for(app, times); });
}

std::future<int> open_in_browser_async(StartedStandin& app, const BrowserTimes& times, std::wstring explorer) {
    return std::async(std::launch::async, [&app, times, explorer = std::move(explorer)] {
        return open_in_browser_for(app, times, explorer);
    });
}

// Ends the application when a test leaves early, so that the fallback, which waits for that end,
// lets the test's future go.
class EndOnExit {
public:
    explicit EndOnExit(HANDLE process) : process_(process) {}
    ~EndOnExit() { ::TerminateProcess(process_, 1); }
    EndOnExit(const EndOnExit&) = delete;
    EndOnExit& operator=(const EndOnExit&) = delete;

private:
    HANDLE process_;
};

bool finished(std::future<int>& result, std::chrono::milliseconds within = 0ms) {
    return result.wait_for(within) == std::future_status::ready;
}

TEST_F(BrowserFallback, WaitsOfTheLauncherItself) {
    const BrowserTimes times;
    EXPECT_EQ(times.port_deadline, 45s);
    EXPECT_EQ(times.port_poll, 200ms);
    EXPECT_EQ(times.watch_poll, 500ms);
    EXPECT_EQ(times.quit.app_end_wait, QuitTimes{}.app_end_wait);
}

TEST_F(BrowserFallback, HandsTheAddressToExplorerOnceAndStaysUntilTheApplicationEnds) {
    const ExplorerRecords records;
    // Plays the application's desk: the fallback must never send it a request.
    const test::LoopbackServer desk([](SOCKET) {});
    StartedStandin app = test::start_standin(L"no-port");
    const unique_handle leftover = sleeper_in_job(app.child->job());
    const test::ScratchFolder outputs;
    const StdHandleToFile out(STD_OUTPUT_HANDLE, outputs.entry(L"out.txt"));
    const test::HandleProbe unrelated;

    auto result = open_in_browser_async(app, short_times());
    const EndOnExit end_on_exit(app.process.get());
    std::this_thread::sleep_for(500ms);  // a few polls that find no port file
    write_port_file(app.folder, std::to_string(desk.port()) + "\r\n");

    ASSERT_TRUE(test::poll_until([&] { return !records.read().empty(); }, 10s))
        << "no start of the explorer stand-in; is it the Windows folder's explorer.exe of this prefix?";
    std::this_thread::sleep_for(500ms);  // several watch polls: still waiting for the application
    EXPECT_FALSE(finished(result));
    ASSERT_TRUE(::TerminateProcess(app.process.get(), 7));

    ASSERT_TRUE(finished(result, 20s));
    EXPECT_EQ(result.get(), 0);

    const std::vector<StandinRecord> started = records.read();
    ASSERT_EQ(started.size(), 1u);
    const std::string address = help_address(desk.port());
    EXPECT_EQ(started[0].command_line, "\"explorer.exe\" " + address);
    EXPECT_EQ(started[0].args, (std::vector<std::string>{"explorer.exe", address}));
    EXPECT_EQ(started[0].cwd, current_folder());
    ASSERT_TRUE(test::poll_until([&] { return !test::process_alive(started[0].pid); }));
    EXPECT_EQ(out.content(), "explorer stand-in\n");  // the launcher's standard output reached it
    EXPECT_EQ(started[0].probe, "not inherited");     // and no other handle of the launcher

    EXPECT_EQ(desk.connections(), 0);
    EXPECT_EQ(test::exit_code_within(app.process.get(), 0ms), 7u);  // ended before the quit sequence
    EXPECT_TRUE(test::exit_code_within(leftover.get(), 0ms).has_value());
    EXPECT_TRUE(test::job_process_ids(app.child->job()).empty());
    EXPECT_FALSE(work_folder_exists(app.folder));
}

TEST_F(BrowserFallback, PortThatIsThereWinsOverAPassedDeadline) {
    const ExplorerRecords records;
    const test::LoopbackServer desk([](SOCKET) {});
    StartedStandin app = test::start_standin(L"no-port");
    write_port_file(app.folder, std::to_string(desk.port()));

    auto result = open_in_browser_async(app, short_times(0ms));
    const EndOnExit end_on_exit(app.process.get());
    ASSERT_TRUE(test::poll_until([&] { return !records.read().empty(); }, 10s));
    ::TerminateProcess(app.process.get(), 7);

    ASSERT_TRUE(finished(result, 20s));
    EXPECT_EQ(result.get(), 0);
    EXPECT_EQ(records.read().size(), 1u);
}

TEST_F(BrowserFallback, ApplicationThatEndsWithoutAPortStillCostsTheWholeDeadline) {
    const ExplorerRecords records;
    StartedStandin app = test::start_standin(L"end-early");
    ASSERT_EQ(test::exit_code_within(app.process.get(), 10s), 3u);

    BrowserTimes times = short_times(2s);
    times.quit.app_end_wait = 10s;
    const auto start = Clock::now();
    const int status = open_in_browser_for(app, times);
    const auto took = Clock::now() - start;

    EXPECT_EQ(status, 1);
    EXPECT_GE(took, 2s);
    EXPECT_LT(took, 6s);  // an ended application costs nothing of the quit sequence's grace
    EXPECT_TRUE(records.read().empty());
    EXPECT_FALSE(work_folder_exists(app.folder));
}

class NoValidPortToTheEnd : public BrowserFallback, public testing::WithParamInterface<const char*> {};

TEST_P(NoValidPortToTheEnd, TimesOutAndTheQuitSequenceEndsTheRunningApplication) {
    const ExplorerRecords records;
    StartedStandin app = test::start_standin(L"no-port");
    write_port_file(app.folder, GetParam());

    const auto start = Clock::now();
    const int status = open_in_browser_for(app, short_times(1500ms));
    const auto took = Clock::now() - start;

    EXPECT_EQ(status, 1);
    EXPECT_GE(took, 2500ms);  // the deadline, then the grace for an application that still runs
    EXPECT_EQ(test::exit_code_within(app.process.get(), 0ms), 1u);  // terminated
    EXPECT_TRUE(records.read().empty());
    EXPECT_FALSE(work_folder_exists(app.folder));
}

constexpr char port_after_bom[] =
    "\xEF\xBB\xBF"
    "8080";  // the mark is no white space
INSTANTIATE_TEST_SUITE_P(PortTexts, NoValidPortToTheEnd, testing::Values("0", "80 80", "-8080", port_after_bom));

// Where explorer.exe cannot be started: a missing program, and a file that is no program.
class ExplorerThatCannotStart : public BrowserFallback, public testing::WithParamInterface<const char*> {};

TEST_P(ExplorerThatCannotStart, IsDroppedSilentlyAndTheRunEndsWithTheApplication) {
    const ExplorerRecords records;
    const test::ScratchFolder place;
    const std::wstring explorer = place.entry(L"explorer.exe");
    if (const std::string_view content = GetParam(); !content.empty()) write_file(explorer, content);
    const test::LoopbackServer desk([](SOCKET) {});
    StartedStandin app = test::start_standin(L"no-port");
    write_port_file(app.folder, std::to_string(desk.port()));
    const StdHandleToFile out(STD_OUTPUT_HANDLE, place.entry(L"out.txt"));
    const StdHandleToFile err(STD_ERROR_HANDLE, place.entry(L"err.txt"));

    auto result = open_in_browser_async(app, short_times(), explorer);
    const EndOnExit end_on_exit(app.process.get());
    std::this_thread::sleep_for(800ms);
    EXPECT_FALSE(finished(result));
    ::TerminateProcess(app.process.get(), 7);

    ASSERT_TRUE(finished(result, 20s));
    EXPECT_EQ(result.get(), 0);
    EXPECT_EQ(out.content(), "");
    EXPECT_EQ(err.content(), "");
    EXPECT_TRUE(records.read().empty());
    EXPECT_EQ(desk.connections(), 0);
    EXPECT_FALSE(work_folder_exists(app.folder));
}

INSTANTIATE_TEST_SUITE_P(Programs, ExplorerThatCannotStart, testing::Values("", "not a program\r\n"));

}  // namespace
}  // namespace tarven
