#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>
#include <thread>

#include "base/wide_win.h"
#include "desk_support_win.h"
#include "file_bytes_win.h"
#include "polling.h"
#include "supervise/quit_win.h"

namespace tarven {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::StartedStandin;

// Shorter waits where a test waits them out; the quit request keeps its 2 s connect.
QuitTimes short_times() {
    QuitTimes times;
    times.request.receive = 300ms;
    times.app_end_wait = 500ms;
    return times;
}

// A poll long enough that sleeping before the first check would show.
QuitTimes long_poll() {
    QuitTimes times;
    times.app_end_poll = 10s;
    return times;
}

StartedStandin started_with_port(std::wstring_view switches) {
    StartedStandin app = test::start_standin(switches);
    app.port = test::wait_for_port(app.folder);
    return app;
}

TEST(QuitApplication, ApplicationThatQuitsOnRequestEndsByItselfAndTheFolderGoes) {
    StartedStandin app = started_with_port(L"");
    ASSERT_TRUE(app.port);

    // Default times: the 6 s for the application's own ending must not be waited out.
    const auto took = test::time_of([&] { quit_application(app.folder, *app.child, app.port); });

    EXPECT_LT(took, 4s);
    EXPECT_EQ(test::exit_code_within(app.process.get(), 0ms), 0u);  // its own ending, not ours (1)
    EXPECT_FALSE(work_folder_exists(app.folder));
    EXPECT_TRUE(app.child->gate().closed());
}

// One that will not go is terminated once the sequence's times are spent: the wait after a quit
// it ignores, or the receive time-out and then the wait when it never answers.
TEST(QuitApplication, ApplicationThatDoesNotGoIsTerminatedAfterItsTimes) {
    struct Row {
        const wchar_t* switches;
        Clock::duration at_least;
    };
    for (const Row& row : {Row{L"ignore-quit", 500ms}, Row{L"silent-quit", 800ms}}) {
        SCOPED_TRACE(narrow_lossy(row.switches));
        StartedStandin app = started_with_port(row.switches);
        ASSERT_TRUE(app.port);

        const auto took = test::time_of([&] { quit_application(app.folder, *app.child, app.port, short_times()); });

        EXPECT_GE(took, row.at_least);
        EXPECT_LT(took, 4s);
        EXPECT_EQ(test::exit_code_within(app.process.get(), 0ms), 1u);
        EXPECT_FALSE(work_folder_exists(app.folder));
    }
}

// The process id after "child: " in the stand-in's record.
DWORD recorded_child(const std::wstring& record) {
    const std::string text = test::read_file_bytes(record).value_or("");
    const auto at = text.find("\nchild: ");
    return at == std::string::npos ? 0 : static_cast<DWORD>(std::strtoul(text.c_str() + at + 8, nullptr, 10));
}

TEST(QuitApplication, WhatTheApplicationLeftInTheJobIsEnded) {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_NE(::GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::wstring record = std::wstring(temp) + L"tarven-quit-test-" + std::to_wstring(::GetCurrentProcessId());
    ::SetEnvironmentVariableW(L"TARVEN_STANDIN_RECORD", record.c_str());
    StartedStandin app = started_with_port(L"child");
    ::SetEnvironmentVariableW(L"TARVEN_STANDIN_RECORD", nullptr);
    const DWORD sleeper_id = recorded_child(record);
    ::DeleteFileW(record.c_str());
    ASSERT_TRUE(app.port);
    ASSERT_NE(app.child->job(), nullptr);
    ASSERT_NE(sleeper_id, 0u);
    const std::vector<DWORD> in_job = test::job_process_ids(app.child->job());
    ASSERT_NE(std::find(in_job.begin(), in_job.end(), sleeper_id), in_job.end());
    const unique_handle sleeper(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, sleeper_id));
    ASSERT_TRUE(sleeper);

    quit_application(app.folder, *app.child, app.port, short_times());

    // The sleeper never ends by itself; exit code 0 is the job's termination.
    EXPECT_EQ(test::exit_code_within(sleeper.get(), 10s), 0u);
    EXPECT_EQ(test::exit_code_within(app.process.get(), 0ms), 0u);
    EXPECT_FALSE(work_folder_exists(app.folder));
}

TEST(QuitApplication, EmptySlotWithoutPortNeitherWaitsNorConnects) {
    {
        const auto child = AppChild::make();
        auto folder = make_work_folder();
        ASSERT_TRUE(folder) << folder.error();

        const auto took = test::time_of([&] { quit_application(folder.value(), *child, std::nullopt, long_poll()); });

        EXPECT_LT(took, 1s);
        EXPECT_FALSE(work_folder_exists(folder.value()));
        EXPECT_TRUE(child->gate().closed());
    }
    {
        // The job is set but no process was recorded: only the job's termination ends it.
        StartedStandin app = test::start_standin(L"", /*record=*/false);
        ASSERT_TRUE(test::wait_for_port(app.folder));
        ASSERT_NE(app.child->job(), nullptr);

        const auto took = test::time_of([&] { quit_application(app.folder, *app.child, std::nullopt); });

        EXPECT_LT(took, 4s);
        EXPECT_EQ(test::exit_code_within(app.process.get(), 0ms), 0u);
        EXPECT_FALSE(work_folder_exists(app.folder));
    }
}

TEST(QuitApplication, ApplicationThatEndedAlreadyCostsNoWait) {
    StartedStandin app = started_with_port(L"end-after-port");
    ASSERT_TRUE(app.port);
    ASSERT_TRUE(test::exit_code_within(app.process.get(), 10s));

    // Its port is dead now: the refused request and the first check move straight on.
    const auto took = test::time_of([&] { quit_application(app.folder, *app.child, app.port, long_poll()); });

    EXPECT_LT(took, 4s);
    EXPECT_EQ(test::exit_code_within(app.process.get(), 0ms), 0u);
    EXPECT_FALSE(work_folder_exists(app.folder));
}

TEST(QuitApplication, WaitsForTheStarterStepInProgressAndClosesTheGate) {
    const auto child = AppChild::make();
    auto folder = make_work_folder();
    ASSERT_TRUE(folder) << folder.error();
    std::atomic<bool> step_began{false};
    Clock::time_point step_ended{};
    std::thread starter([&] {
        (void)child->gate().run_unless_closed([&] {
            step_began = true;
            std::this_thread::sleep_for(400ms);
            step_ended = Clock::now();
        });
    });
    while (!step_began) std::this_thread::sleep_for(5ms);

    quit_application(folder.value(), *child, std::nullopt);
    const auto quit_returned = Clock::now();
    starter.join();

    EXPECT_GE(quit_returned, step_ended);
    EXPECT_NE(step_ended, Clock::time_point{});
    EXPECT_FALSE(child->gate().run_unless_closed([] {}));
    EXPECT_FALSE(work_folder_exists(folder.value()));
}

}  // namespace
}  // namespace tarven
