// The launcher itself under Wine: every ending of its smoke run, its command line, and what it
// leaves behind (no work folder, no process).
#include <gtest/gtest.h>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "launcher_run_support_win.h"
#include "payload/unpack.h"
#include "payload/work_folder_win.h"
#include "process_support_win.h"
#include "test_paths_win.h"

namespace tarven::test {
namespace {

const std::wstring launcher = windows_path(TARVEN_LAUNCHER_EXE);
const std::wstring launcher_without_app = windows_path(TARVEN_LAUNCHER_NO_APP_EXE);
const std::wstring launcher_damaged = windows_path(TARVEN_LAUNCHER_DAMAGED_EXE);
const std::wstring launcher_held_job = windows_path(TARVEN_LAUNCHER_HELD_JOB_EXE);
const std::wstring missing_temp = L"C:\\tarven-no-such-temp-folder";

class LauncherSmokeRun : public testing::Test {
protected:
    void SetUp() override {
        record_path_ = temp_directory() + L"tarven-e2e-record-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
        ::DeleteFileW(record_path_.c_str());
    }

    void TearDown() override { tidy_up(); }

    // What a run left, so that the next one starts afresh: a child of the stand-in that escaped
    // its job first (it would hold the work folder), then the folder and the record.
    void tidy_up() {
        held_file_.reset();
        if (const auto child = recorded_pid("child")) end_process(*child);
        for (const auto& folder : work_folders_of(last_.pid)) remove_work_folder(WorkFolder{folder}, 4);
        ::DeleteFileW(record_path_.c_str());
    }

    // Runs `Tarven Help.exe --smoke-test` with the stand-in's misbehaviour switched on.
    LauncherRun smoke(const std::wstring& standin_switches = L"", const std::wstring& exe = launcher,
                      std::function<void(const PROCESS_INFORMATION&)> meanwhile = {}) {
        LaunchOptions options;
        options.arguments = {L"--smoke-test"};
        options.environment[L"TARVEN_STANDIN"] = standin_switches;
        options.environment[L"TARVEN_STANDIN_RECORD"] = record_path_;
        options.meanwhile = std::move(meanwhile);
        last_ = run_launcher_exe(exe, options);
        return last_;
    }

    // A process id from the stand-in's record: its own ("pid") or its child's ("child").
    std::optional<DWORD> recorded_pid(const std::string& key) const {
        const auto record = read_file_bytes(record_path_);
        if (!record) return std::nullopt;
        const auto pid = record_value(*record, key);
        if (!pid) return std::nullopt;
        return static_cast<DWORD>(std::stoul(*pid));
    }

    std::optional<DWORD> standin_pid() const { return recorded_pid("pid"); }

    // Nothing of the run may be left: no work folder, no application.
    void expect_nothing_left() const {
        EXPECT_TRUE(work_folders_of(last_.pid).empty());
        if (const auto pid = standin_pid()) {
            EXPECT_FALSE(process_still_runs(*pid)) << "the application still runs";
        }
    }

    void expect_failure_line(const LauncherRun& run, const std::string& line) const {
        EXPECT_EQ(run.err, line + "\n");
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.exit_code, 1u);
    }

    std::wstring record_path_;
    LauncherRun last_;
    unique_hfile held_file_;
};

TEST_F(LauncherSmokeRun, Success) {
    const LauncherRun run = smoke();
    ASSERT_TRUE(standin_pid().has_value()) << "the application never started";
    const std::string prefix = "smoke: Tarven Help started on ";
    const std::string suffix = ", showed its page, ended and left nothing\n";
    ASSERT_EQ(run.out.rfind(prefix, 0), 0u) << run.out << run.err;
    ASSERT_GT(run.out.size(), prefix.size() + suffix.size());
    const std::string port = run.out.substr(prefix.size(), run.out.size() - prefix.size() - suffix.size());
    EXPECT_EQ(run.out.substr(prefix.size() + port.size()), suffix);
    EXPECT_EQ(port.find_first_not_of("0123456789"), std::string::npos) << port;
    EXPECT_NE(port.front(), '0');
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.exit_code, 0u);
    expect_nothing_left();
}

// A failure the application's answers bring about: the one line that says it, nothing left.
struct SmokeFailure {
    const char* name;
    const wchar_t* switches;  // the stand-in's
    const char* line;
};

void PrintTo(const SmokeFailure& failure, std::ostream* out) { *out << failure.name; }

class LauncherSmokeFailure : public LauncherSmokeRun, public testing::WithParamInterface<SmokeFailure> {};

TEST_P(LauncherSmokeFailure, SaysWhatFailedAndLeavesNothing) {
    expect_failure_line(smoke(GetParam().switches), GetParam().line);
    expect_nothing_left();
}

INSTANTIATE_TEST_SUITE_P(
    Answers, LauncherSmokeFailure,
    testing::Values(SmokeFailure{"HelpPage404", L"status-404", "smoke: the help page answered: HTTP/1.1 404 Not Found"},
                    SmokeFailure{"PageWithoutProductName", L"no-title",
                                 "smoke: the help page answered: HTTP/1.1 200 OK"},
                    SmokeFailure{"Http10", L"http10", "smoke: the help page answered: HTTP/1.0 200 OK"},
                    SmokeFailure{"NothingListening", L"dead-port", "smoke: the help page answered: "},
                    SmokeFailure{"ApplicationEndsEarly", L"end-early", "smoke: Tarven stopped as it started."},
                    SmokeFailure{"NoPortInTime", L"no-port", "smoke: Tarven didn't answer in time."}),
    [](const testing::TestParamInfo<SmokeFailure>& failure) { return std::string(failure.param.name); });

TEST_F(LauncherSmokeRun, ApplicationMissing) {
    expect_failure_line(smoke(L"", launcher_without_app), "smoke: Tarven didn't start: " + render_os_error(2) + ".");
    expect_nothing_left();
}

// The launcher's own reader says what is wrong with the damaged payload; the launcher must print
// exactly that.
std::string damaged_payload_message() {
    const auto bytes = read_file_bytes(windows_path(TARVEN_DAMAGED_PAYLOAD));
    if (!bytes) return "the damaged payload file is missing";
    CountingWriter discard;
    const Payload payload{reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()};
    const auto unpacked = unpack_payload(payload, discard);
    return unpacked ? "the damaged payload unpacks" : unpacked.error();
}

TEST_F(LauncherSmokeRun, DamagedPayload) {
    const std::string message = damaged_payload_message();
    EXPECT_EQ(message.rfind("Tarven.exe in Tarven Help is damaged: ", 0), 0u) << message;
    expect_failure_line(smoke(L"", launcher_damaged), "smoke: " + message);
    EXPECT_FALSE(standin_pid().has_value());
    expect_nothing_left();
}

TEST_F(LauncherSmokeRun, FolderCannotBeRemoved) {
    // Hold one of the unpacked files open without delete sharing, as a virus scanner might.
    const LauncherRun run = smoke(L"port-delay=500", launcher, [this](const PROCESS_INFORMATION& started) {
        poll_until(
            [&] {
                const auto folders = work_folders_of(started.dwProcessId);
                if (folders.empty()) return false;
                held_file_ = unique_hfile(::CreateFileW((folders.front() + L"\\LICENSE.txt").c_str(), GENERIC_READ,
                                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
                return held_file_.valid();
            },
            std::chrono::seconds(30));
    });
    ASSERT_TRUE(held_file_.valid());
    const auto folders = work_folders_of(run.pid);
    ASSERT_EQ(folders.size(), 1u);
    expect_failure_line(run, "smoke: " + narrow_lossy(folders.front()) + " is still there");
    if (const auto pid = standin_pid()) {
        EXPECT_FALSE(process_still_runs(*pid));
    }
}

// The system closes the job when the launcher dies, and kill-on-close ends the application and
// what it started. The second row's stand-in starts a child as the first thing it does, and its
// launcher holds the job step back until the stand-in has recorded that child: a job attached
// only after the start would miss it, and it would outlive the launcher in the work folder.
TEST_F(LauncherSmokeRun, KillingTheLauncherEndsTheApplication) {
    struct Row {
        std::wstring switches;
        const std::wstring& exe;
        bool starts_child;
    };
    const Row rows[] = {
        {L"no-port", launcher, false},
        {L"child-at-once,no-port", launcher_held_job, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(narrow_lossy(row.switches));
        tidy_up();
        std::optional<DWORD> application;
        smoke(row.switches, row.exe, [&](const PROCESS_INFORMATION& started) {
            poll_until([&] { return (application = standin_pid()).has_value(); }, std::chrono::seconds(30));
            ::TerminateProcess(started.hProcess, 9);
        });
        ASSERT_TRUE(application.has_value());
        EXPECT_FALSE(process_still_runs(*application, 10000)) << "the job did not end the application";
        if (!row.starts_child) continue;
        const std::optional<DWORD> child = recorded_pid("child");
        ASSERT_TRUE(child.has_value()) << "the stand-in started no child";
        EXPECT_FALSE(process_still_runs(*child, 10000)) << "the application's first child escaped the job";
    }
}

class LauncherCommandLine : public testing::Test {
protected:
    // With the temp directory missing, each run stops at once and says which run it was.
    static LauncherRun run_with(std::vector<std::wstring> arguments) {
        LaunchOptions options;
        options.arguments = std::move(arguments);
        options.environment[L"TEMP"] = missing_temp;
        options.environment[L"TMP"] = missing_temp;
        return run_launcher_exe(launcher, options);
    }
    static std::string no_folder_line(const std::string& prefix) {
        return prefix + "no folder for Tarven Help: " + render_os_error(ERROR_PATH_NOT_FOUND) + "\n";
    }
};

TEST_F(LauncherCommandLine, WorkFolderCannotBeMade) {
    const LauncherRun smoke_run = run_with({L"--smoke-test"});
    EXPECT_EQ(smoke_run.err, no_folder_line("smoke: "));
    EXPECT_EQ(smoke_run.out, "");
    EXPECT_EQ(smoke_run.exit_code, 1u);
    const LauncherRun normal_run = run_with({});
    EXPECT_EQ(normal_run.err, no_folder_line("Tarven Help: "));
    EXPECT_EQ(normal_run.out, "");
    EXPECT_EQ(normal_run.exit_code, 1u);
}

TEST_F(LauncherCommandLine, SwitchAnywhereSelectsSmokeRun) {
    EXPECT_EQ(run_with({L"first", L"--smoke-test", L"last"}).err, no_folder_line("smoke: "));
    EXPECT_EQ(run_with({L"--unknown", L"x y", L"--smoke-test"}).err, no_folder_line("smoke: "));
}

TEST_F(LauncherCommandLine, LookalikeSwitchesSelectNormalRun) {
    for (const std::wstring lookalike :
         {L"--smoke-test=1", L"--SMOKE-TEST", L"-smoke-test", L" --smoke-test", L"--smoke-test "})
        EXPECT_EQ(run_with({lookalike}).err, no_folder_line("Tarven Help: ")) << narrow_lossy(lookalike);
}

}  // namespace
}  // namespace tarven::test
