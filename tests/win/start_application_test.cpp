#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "process_support_win.h"
#include "desk/port_text.h"
#include "supervise/start_application_win.h"

namespace tarven {
namespace {

using test::EnvironmentOverride;
using test::ScratchFolder;
using test::StandinRecord;

std::string utf8(const std::wstring& text) { return narrow_lossy(text); }

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return text;
}

// Built by appending: GCC 12 warns falsely (-Wrestrict) about "literal" + string at -O2.
std::string joined(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (const std::string_view part : parts) out += part;
    return out;
}

std::string name_of(const std::string& entry) { return entry.substr(0, entry.find('=', 1)); }

// One request on its own connection; everything the server sent until it closed.
std::string http_exchange(std::uint16_t port, const std::string& request) {
    static const bool started = [] {
        WSADATA data{};
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started) return {};
    const unique_socket s(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (::connect(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return {};
    const DWORD timeout_ms = 10000;
    ::setsockopt(s.get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout_ms), sizeof timeout_ms);
    ::send(s.get(), request.data(), static_cast<int>(request.size()), 0);
    std::string answer;
    char buffer[4096];
    for (int got; (got = ::recv(s.get(), buffer, sizeof buffer, 0)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(got));
    return answer;
}

std::string get(std::uint16_t port, const std::string& path) {
    return http_exchange(
        port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n\r\n");
}

std::string post_quit(std::uint16_t port, bool with_desk_header) {
    return http_exchange(port,
                         "POST /desk/quit HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" +
                             (with_desk_header ? "X-Tarven-Desk: 1\r\n" : "") +
                             "Content-Type: application/json\r\nContent-Length: 2\r\nConnection: close\r\n\r\n{}");
}

// A work folder with the stand-in as Tarven.exe and its tmp folder, and the application
// started from it by the code under test. Whatever it started is ended at the end.
class StartApplicationTest : public testing::Test {
protected:
    void make_folder(std::wstring_view hint = L"", bool with_program = true) {
        folder_ = std::make_unique<ScratchFolder>(hint);
        work_.path = folder_->path();
        ASSERT_TRUE(::CreateDirectoryW(folder_->entry(L"tmp").c_str(), nullptr));
        if (with_program) {
            ASSERT_TRUE(test::place_standin(folder_->path()));
        }
        record_env_ = std::make_unique<EnvironmentOverride>(L"TARVEN_STANDIN_RECORD", folder_->entry(L"record.txt"));
    }

    std::string folder() const { return utf8(folder_->path()); }

    // The failure's text, or empty on success.
    std::string start() {
        Result<AppProcess> started = start_application(work_, *child_);
        if (!started) return started.error();
        pid_ = ::GetProcessId(started.value().process.get());
        watch_.reset(::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid_));
        child_->record(std::move(started).value());
        return {};
    }

    StandinRecord record() {
        const std::optional<std::string> text = test::wait_for_file(folder_->entry(L"record.txt"));
        EXPECT_TRUE(text.has_value()) << "the stand-in wrote no record";
        std::optional<StandinRecord> parsed = test::parse_standin_record(text.value_or(""));
        EXPECT_TRUE(parsed.has_value()) << text.value_or("");
        if (parsed && parsed->child) sleeper_ = parsed->child;
        return parsed.value_or(StandinRecord{});
    }

    std::uint16_t port() {
        std::optional<std::uint16_t> port;
        test::poll_until([&] {
            const auto text = test::read_file_bytes(folder_->entry(L"port"));
            return text && (port = parse_port_text(*text)).has_value();
        });
        EXPECT_TRUE(port.has_value()) << "no port from the stand-in";
        return port.value_or(0);
    }

    // The exit code once the process has ended, or nothing after 20 s.
    std::optional<DWORD> exit_code() {
        if (!watch_ || ::WaitForSingleObject(watch_.get(), 20000) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        if (!::GetExitCodeProcess(watch_.get(), &code)) return std::nullopt;
        return code;
    }

    void TearDown() override {
        child_->terminate_and_wait();
        if (child_->job() != nullptr) ::TerminateJobObject(child_->job(), 0);
        if (sleeper_) test::end_process(*sleeper_);
        record_env_.reset();
        watch_.reset();
        folder_.reset();
    }

    std::unique_ptr<ScratchFolder> folder_;
    WorkFolder work_;
    std::unique_ptr<EnvironmentOverride> record_env_;
    std::shared_ptr<AppChild> child_ = AppChild::make();
    DWORD pid_ = 0;
    unique_handle watch_;
    std::optional<DWORD> sleeper_;
};

TEST_F(StartApplicationTest, PassesArgumentsAndWorkingFolder) {
    make_folder();
    ASSERT_EQ(start(), "");
    const StandinRecord seen = record();
    EXPECT_EQ(seen.args, (std::vector<std::string>{folder() + "\\Tarven.exe", "get-help", "--no-browser", "--port-file",
                                                   folder() + "\\port"}));
    EXPECT_EQ(seen.command_line,
              joined({"\"", folder(), "\\Tarven.exe\" get-help --no-browser --port-file ", folder(), "\\port"}));
    EXPECT_EQ(seen.cwd, folder());
    EXPECT_EQ(seen.pid, pid_);
    EXPECT_NE(port(), 0);  // the port file's path reached the application intact
}

TEST_F(StartApplicationTest, FolderWithBlankGivesPortFileAsOneArgument) {
    make_folder(L" with blank");
    ASSERT_NE(folder().find(' '), std::string::npos);
    ASSERT_EQ(start(), "");
    const StandinRecord seen = record();
    ASSERT_EQ(seen.args.size(), 5u);
    EXPECT_EQ(seen.args[0], folder() + "\\Tarven.exe");
    EXPECT_EQ(seen.args[4], folder() + "\\port");
    EXPECT_EQ(seen.command_line,
              joined({"\"", folder(), "\\Tarven.exe\" get-help --no-browser --port-file \"", folder(), "\\port\""}));
    EXPECT_EQ(seen.cwd, folder());
    EXPECT_NE(port(), 0);
}

TEST_F(StartApplicationTest, ReplacesTempVariablesWhateverTheirCaseAndPassesTheRest) {
    make_folder();
    // Mixed-case names only come about when the upper-case ones are gone first.
    const EnvironmentOverride no_temp(L"TEMP", std::nullopt), no_tmp(L"TMP", std::nullopt);
    const EnvironmentOverride temp(L"Temp", L"C:\\elsewhere"), tmp(L"tmp", L"C:\\other");
    const EnvironmentOverride passed(L"TARVEN_TEST_PASSED", L"a b=c \u00FC\u4E2D");
    const std::vector<std::string> ours = test::environment_entries_utf8();
    ASSERT_NE(std::find(ours.begin(), ours.end(), "Temp=C:\\elsewhere"), ours.end());
    ASSERT_NE(std::find(ours.begin(), ours.end(), "tmp=C:\\other"), ours.end());

    ASSERT_EQ(start(), "");
    const StandinRecord seen = record();
    const std::string temp_folder = folder() + "\\tmp";
    std::vector<std::string> temps;
    for (const std::string& entry : seen.env) {
        const std::string name = upper(name_of(entry));
        if (name == "TEMP" || name == "TMP") temps.push_back(entry);
    }
    std::sort(temps.begin(), temps.end());
    EXPECT_EQ(temps, (std::vector<std::string>{"TEMP=" + temp_folder, "TMP=" + temp_folder}));

    for (const std::string& entry : ours) {
        const std::string name = upper(name_of(entry));
        if (name == "TEMP" || name == "TMP") continue;
        EXPECT_NE(std::find(seen.env.begin(), seen.env.end(), entry), seen.env.end()) << "lost: " << entry;
    }
    EXPECT_NE(std::find(seen.env.begin(), seen.env.end(), "TARVEN_TEST_PASSED=a b=c \xC3\xBC\xE4\xB8\xAD"),
              seen.env.end());
}

TEST_F(StartApplicationTest, StandardHandlesAreTheLaunchersOwn) {
    make_folder();
    ASSERT_EQ(start(), "");
    const StandinRecord seen = record();
    EXPECT_EQ(seen.std_input, test::std_handle_kind(STD_INPUT_HANDLE));
    EXPECT_EQ(seen.std_output, test::std_handle_kind(STD_OUTPUT_HANDLE));
    EXPECT_EQ(seen.std_error, test::std_handle_kind(STD_ERROR_HANDLE));
}

// Swaps this process's standard handles for the test's and puts them back.
class StdHandlesOverride {
public:
    StdHandlesOverride(HANDLE in, HANDLE out, HANDLE err)
        : in_(::GetStdHandle(STD_INPUT_HANDLE)),
          out_(::GetStdHandle(STD_OUTPUT_HANDLE)),
          err_(::GetStdHandle(STD_ERROR_HANDLE)) {
        ::SetStdHandle(STD_INPUT_HANDLE, in);
        ::SetStdHandle(STD_OUTPUT_HANDLE, out);
        ::SetStdHandle(STD_ERROR_HANDLE, err);
    }
    ~StdHandlesOverride() {
        ::SetStdHandle(STD_INPUT_HANDLE, in_);
        ::SetStdHandle(STD_OUTPUT_HANDLE, out_);
        ::SetStdHandle(STD_ERROR_HANDLE, err_);
    }
    StdHandlesOverride(const StdHandlesOverride&) = delete;
    StdHandlesOverride& operator=(const StdHandlesOverride&) = delete;

private:
    HANDLE in_, out_, err_;
};

// Only the standard handles go along: never another inheritable handle of the launcher.
TEST_F(StartApplicationTest, StandardHandlesAndNothingElseReachTheApplicationEvenWhenNotInheritable) {
    make_folder();
    const test::HandleProbe unrelated;
    // Not inheritable, as a launcher's own handles may be; files, so that the kind tells them
    // from anything the application could have of its own. One handle for both outputs, which
    // the start must name only once.
    const unique_hfile output(::CreateFileW(folder_->entry(L"out.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(output);
    std::string failure;
    {
        const StdHandlesOverride swap(nullptr, output.get(), output.get());
        failure = start();
    }
    ASSERT_EQ(failure, "");
    const StandinRecord seen = record();
    EXPECT_EQ(seen.std_output, "disk");
    EXPECT_EQ(seen.std_error, "disk");
    EXPECT_NE(seen.std_input, "disk");
    EXPECT_EQ(seen.probe, "not inherited");
}

// A launcher started from the desktop has no standard handles: then it passes no handle at all.
TEST_F(StartApplicationTest, WithoutStandardHandlesNoHandleReachesTheApplication) {
    make_folder();
    const test::HandleProbe unrelated;
    std::string failure;
    {
        const StdHandlesOverride swap(nullptr, nullptr, nullptr);
        failure = start();
    }
    ASSERT_EQ(failure, "");
    const StandinRecord seen = record();
    // Nothing of the launcher's. (Started so, Wine gives a console program the handles of its own
    // hidden console.)
    for (const std::string& kind : {seen.std_input, seen.std_output, seen.std_error})
        EXPECT_TRUE(kind == "none" || kind == "char") << kind;
    EXPECT_EQ(seen.probe, "not inherited");
}

TEST_F(StartApplicationTest, MissingProgramFailsWithTheSystemsTextForError2) {
    make_folder(L"", false);
    EXPECT_EQ(start(), render_os_error(2));
    EXPECT_EQ(child_->job(), nullptr);
    EXPECT_TRUE(child_->has_ended());
}

TEST_F(StartApplicationTest, JobEndsWhatTheApplicationStarted) {
    make_folder();
    const EnvironmentOverride misbehave(L"TARVEN_STANDIN", L"child");
    ASSERT_EQ(start(), "");
    const StandinRecord seen = record();
    ASSERT_TRUE(seen.child.has_value());
    ASSERT_TRUE(test::process_alive(*seen.child));
    ASSERT_NE(child_->job(), nullptr);

    ASSERT_TRUE(::TerminateJobObject(child_->job(), 0));
    EXPECT_TRUE(test::poll_until([&] { return !test::process_alive(*seen.child); }));
    EXPECT_EQ(exit_code(), std::optional<DWORD>(0));
    EXPECT_TRUE(child_->has_ended());
}

TEST_F(StartApplicationTest, HasEndedFollowsTheProcess) {
    EXPECT_TRUE(child_->has_ended());  // empty slot
    make_folder();
    ASSERT_EQ(start(), "");
    record();  // the application is up for sure
    EXPECT_FALSE(child_->has_ended());
    test::end_process(pid_);
    EXPECT_TRUE(child_->has_ended());
    EXPECT_TRUE(child_->has_ended());  // the record stays and keeps answering
}

TEST_F(StartApplicationTest, TerminateAndWaitEndsTheApplicationWithCode1) {
    make_folder();
    ASSERT_EQ(start(), "");
    record();
    child_->terminate_and_wait();
    EXPECT_EQ(::WaitForSingleObject(watch_.get(), 0), WAIT_OBJECT_0);  // ended before the call returned
    EXPECT_EQ(exit_code(), std::optional<DWORD>(1));
    EXPECT_TRUE(child_->has_ended());
    child_->terminate_and_wait();  // an ended process: nothing to do, nothing hangs
}

TEST_F(StartApplicationTest, StandinServesTheDeskRoutes) {
    make_folder();
    ASSERT_EQ(start(), "");
    const std::uint16_t p = port();
    ASSERT_NE(p, 0);

    const std::string help = get(p, "/desk/help");
    ASSERT_EQ(help.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << help;
    EXPECT_NE(help.find("\r\nContent-Type: text/html; charset=utf-8\r\n"), std::string::npos);
    EXPECT_NE(help.find("\r\nConnection: close\r\n"), std::string::npos);
    EXPECT_NE(help.find("<title>Tarven Help</title>"), std::string::npos);
    const std::size_t body = help.find("\r\n\r\n") + 4;
    EXPECT_NE(help.find("\r\nContent-Length: " + std::to_string(help.size() - body) + "\r\n"), std::string::npos);

    EXPECT_EQ(get(p, "/desk/other").rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
    EXPECT_EQ(post_quit(p, false).rfind("HTTP/1.1 403 Forbidden\r\n", 0), 0u);
    EXPECT_FALSE(child_->has_ended());
    EXPECT_EQ(post_quit(p, true).rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_EQ(exit_code(), std::optional<DWORD>(0));
}

TEST_F(StartApplicationTest, StandinMisbehavesAsListed) {
    make_folder();
    const EnvironmentOverride misbehave(L"TARVEN_STANDIN", L"bom,status-404,ignore-quit");
    ASSERT_EQ(start(), "");
    ASSERT_TRUE(test::poll_until([&] { return test::read_file_bytes(folder_->entry(L"port")).has_value(); }));
    const std::string text = test::read_file_bytes(folder_->entry(L"port")).value_or("");
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    const std::optional<std::uint16_t> p = parse_port_text(text.substr(3));
    ASSERT_TRUE(p.has_value()) << text;
    EXPECT_EQ(get(*p, "/desk/help").rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u);
    EXPECT_EQ(post_quit(*p, true).rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_FALSE(test::poll_until([&] { return child_->has_ended(); }, std::chrono::milliseconds(500)));
}

TEST_F(StartApplicationTest, StandinEndingEarlyWritesNoPort) {
    make_folder();
    const EnvironmentOverride misbehave(L"TARVEN_STANDIN", L"end-early");
    ASSERT_EQ(start(), "");
    EXPECT_EQ(exit_code(), std::optional<DWORD>(3));
    EXPECT_FALSE(test::read_file_bytes(folder_->entry(L"port")).has_value());
}

}  // namespace
}  // namespace tarven
