// The starter thread's handshake and watch against a real process and a real port file.
#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>
#include <thread>

#include "base/os_error_win.h"
#include "base/small_file_win.h"
#include "base/unique_resource_win.h"
#include "supervise/command_line.h"
#include "supervise/starter_win.h"
#include "test_paths_win.h"

namespace tarven {
namespace {

using namespace std::chrono_literals;

const StarterTimes quick{20ms, 600ms, 50ms};

// A process that runs until it is ended: the stand-in in its sleeping role.
AppProcess start_sleeper() {
    ::SetEnvironmentVariableW(L"TARVEN_STANDIN", L"sleeper");
    std::wstring command_line = build_command_line(test::standin_exe(), {});
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const BOOL ok = ::CreateProcessW(test::standin_exe().c_str(), command_line.data(), nullptr, nullptr, FALSE,
                                     CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started);
    ::SetEnvironmentVariableW(L"TARVEN_STANDIN", nullptr);
    EXPECT_TRUE(ok) << render_os_error(::GetLastError());
    return {unique_handle(started.hProcess), unique_handle(started.hThread)};
}

class Handshake : public testing::Test {
protected:
    void SetUp() override {
        auto made = make_work_folder();
        ASSERT_TRUE(made) << made.error();
        folder_ = made.value();
        child_ = AppChild::make();
    }
    void TearDown() override {
        child_->gate().close();  // as every ending does before the folder's hold is let go of
        child_->terminate_and_wait();
        remove_work_folder(folder_, 4);
    }

    void start_application() {
        AppProcess process = start_sleeper();
        process_ = process.process.get();
        child_->record(std::move(process));
    }
    void end_application() {
        ::TerminateProcess(process_, 0);
        ::WaitForSingleObject(process_, INFINITE);
    }
    // `text`, then zeros up to `length` when that is longer, without writing them (a sparse end).
    void write_port_file(std::string_view text, LONGLONG length = 0) {
        const unique_hfile file(::CreateFileW(folder_.entry(L"port").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                              CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
        if (length <= static_cast<LONGLONG>(text.size())) return;
        LARGE_INTEGER end{};
        end.QuadPart = length;
        ASSERT_TRUE(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN));
        ASSERT_TRUE(::SetEndOfFile(file.get())) << render_os_error(::GetLastError());
    }

    // Runs the handshake on a thread of its own, as the starter does, and hands back the channel.
    EventReceiver handshake_in_background() {
        auto channel = make_event_channel();
        std::thread([folder = folder_, child = child_, sink = std::move(channel.sender)] {
            wait_for_port(folder, *child, *sink, quick);
        }).detach();
        return std::move(channel.receiver);
    }

    static HelpEvent next(EventReceiver& receiver) {
        auto received = receiver.receive_for(10s);
        if (auto* event = std::get_if<HelpEvent>(&received)) return *event;
        return HelpEvent::failed("no event");
    }

    WorkFolder folder_;
    std::shared_ptr<AppChild> child_;
    HANDLE process_ = nullptr;
};

TEST_F(Handshake, PortThenEndOfTheApplication) {
    start_application();
    write_port_file("08080\r\n");
    EventReceiver receiver = handshake_in_background();
    const HelpEvent ready = next(receiver);
    EXPECT_EQ(ready.kind, HelpEvent::Kind::Ready);
    EXPECT_EQ(ready.port, 8080);
    end_application();
    EXPECT_EQ(next(receiver).kind, HelpEvent::Kind::Ended);
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(receiver.receive_for(5s)));
}

TEST_F(Handshake, PortWrittenLaterIsFound) {
    start_application();
    EventReceiver receiver = handshake_in_background();
    std::this_thread::sleep_for(150ms);
    write_port_file("+4242");
    const HelpEvent ready = next(receiver);
    EXPECT_EQ(ready.kind, HelpEvent::Kind::Ready);
    EXPECT_EQ(ready.port, 4242);
}

TEST_F(Handshake, PortBeatsAnApplicationThatHasEndedAlready) {
    start_application();
    end_application();
    write_port_file("8080");
    EventReceiver receiver = handshake_in_background();
    EXPECT_EQ(next(receiver).kind, HelpEvent::Kind::Ready);
    EXPECT_EQ(next(receiver).kind, HelpEvent::Kind::Ended);
}

TEST_F(Handshake, ApplicationEndingWithoutPort) {
    start_application();
    write_port_file("0");
    EventReceiver receiver = handshake_in_background();
    std::this_thread::sleep_for(100ms);
    end_application();
    const HelpEvent failed = next(receiver);
    EXPECT_EQ(failed.kind, HelpEvent::Kind::Failed);
    EXPECT_EQ(failed.message, "Tarven stopped as it started.");
}

TEST_F(Handshake, ByteOrderMarkNeverGivesAPortAndTheApplicationIsLeftRunning) {
    start_application();
    write_port_file(
        "\xEF\xBB\xBF"
        "8080");
    const auto started = std::chrono::steady_clock::now();
    EventReceiver receiver = handshake_in_background();
    const HelpEvent failed = next(receiver);
    EXPECT_EQ(failed.message, "Tarven didn't answer in time.");
    EXPECT_GE(std::chrono::steady_clock::now() - started, quick.port_deadline);
    EXPECT_FALSE(child_->has_ended());
}

TEST_F(Handshake, PortFileHeldOpenWithReadSharingIsRead) {
    start_application();
    const unique_hfile writer(::CreateFileW(folder_.entry(L"port").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                            CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(writer.get(), "1234\n", 5, &written, nullptr));
    EXPECT_EQ(read_port(folder_, child_->gate()), std::optional<std::uint16_t>(1234));
}

TEST_F(Handshake, PortFileLockedAgainstReadersIsNoPortYet) {
    write_port_file("1234");
    const unique_hfile locker(
        ::CreateFileW(folder_.entry(L"port").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locker.valid());
    EXPECT_EQ(read_port(folder_, child_->gate()), std::nullopt);
}

TEST_F(Handshake, PortFileLongerThanItsLimitOrNotADiskFileIsNoPortYet) {
    const std::string fits = "8080" + std::string(max_port_file_bytes - 4, ' ');
    write_port_file(fits);
    EXPECT_EQ(read_port(folder_, child_->gate()), std::optional<std::uint16_t>(8080));
    write_port_file(fits + " ");
    EXPECT_EQ(read_port(folder_, child_->gate()), std::nullopt);

    // A device reads as empty, which is not a disk file's content.
    EXPECT_EQ(read_small_disk_file(L"\\\\.\\NUL", max_port_file_bytes), std::nullopt);

    // A pipe whose writer stays silent would block the read for ever.
    const std::wstring pipe_name = L"\\\\.\\pipe\\tarven-port-" + std::to_wstring(::GetCurrentProcessId());
    unique_hfile pipe(::CreateNamedPipeW(pipe_name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096,
                                         4096, 0, nullptr));
    ASSERT_TRUE(pipe.valid()) << render_os_error(::GetLastError());
    auto read = std::async(std::launch::async, [&] { return read_small_disk_file(pipe_name, max_port_file_bytes); });
    const bool returned = read.wait_for(5s) == std::future_status::ready;
    pipe.reset();  // ends a read that blocked
    EXPECT_TRUE(returned);
    EXPECT_EQ(read.get(), std::nullopt);
}

TEST_F(Handshake, HugePortFileKeepsTheHandshakeWaiting) {
    start_application();
    write_port_file("8080", 64LL << 30);
    EventReceiver receiver = handshake_in_background();
    EXPECT_EQ(next(receiver).message, "Tarven didn't answer in time.");
}

// Whatever escapes the starter's steps still ends the run as a failed start does.
TEST_F(Handshake, StarterThatThrowsReportsThatItStopped) {
    auto channel = make_event_channel();
    run_starter({Payload{}, folder_, child_, std::move(channel.sender), quick},
                [](StarterWork&) { throw std::runtime_error("anything"); });
    const HelpEvent failed = next(channel.receiver);
    EXPECT_EQ(failed.kind, HelpEvent::Kind::Failed);
    EXPECT_EQ(failed.message, "Tarven Help stopped unexpectedly");
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(channel.receiver.receive_for(0ms)));
}

// A whole starter run up to a failed start: the payload has no Tarven.exe.
TEST_F(Handshake, StarterReportsAMissingApplicationOnce) {
    auto channel = make_event_channel();
    run_starter({Payload{}, folder_, child_, std::move(channel.sender), quick});
    const HelpEvent failed = next(channel.receiver);
    EXPECT_EQ(failed.kind, HelpEvent::Kind::Failed);
    EXPECT_EQ(failed.message, "Tarven didn't start: " + render_os_error(ERROR_FILE_NOT_FOUND) + ".");
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(channel.receiver.receive_for(0ms)));
    EXPECT_TRUE(child_->has_ended()) << "nothing was recorded";
}

TEST_F(Handshake, StarterReportsACutShortPayloadAndStartsNothing) {
    const std::uint8_t cut[] = {10, 0, 'T'};
    auto channel = make_event_channel();
    run_starter({Payload{cut, sizeof cut}, folder_, child_, std::move(channel.sender), quick});
    EXPECT_EQ(next(channel.receiver).message, "Tarven Help's files are cut short");
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(channel.receiver.receive_for(0ms)));
}

TEST_F(Handshake, StarterStoppedByTheQuitSequenceSaysNothing) {
    child_->gate().close();
    auto channel = make_event_channel();
    run_starter({Payload{}, folder_, child_, std::move(channel.sender), quick});
    EXPECT_TRUE(std::holds_alternative<EventReceiver::Closed>(channel.receiver.receive_for(0ms)));
}

}  // namespace
}  // namespace tarven
