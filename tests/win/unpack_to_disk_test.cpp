// Unpacking into a real work folder: names Windows refuses or would reinterpret, a record named
// tmp, repeated names, links planted under a record's name, and a starter gate closed by the quit
// sequence.
#include <gtest/gtest.h>
#include <zlib.h>

#include <atomic>
#include <functional>
#include <memory>
#include <set>
#include <thread>

#include "base/os_error_win.h"
#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "payload/unpack_win.h"
#include "base/starter_gate.h"
#include "process_support_win.h"

namespace tarven {
namespace {

void put_le(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::string record(std::string_view name, std::string_view content, int level = 9) {
    uLongf size = compressBound(static_cast<uLong>(content.size()));
    std::string stream(size, '\0');
    compress2(reinterpret_cast<Bytef*>(stream.data()), &size, reinterpret_cast<const Bytef*>(content.data()),
              static_cast<uLong>(content.size()), level);
    stream.resize(size);
    std::string out;
    put_le(out, name.size(), 2);
    out += name;
    put_le(out, content.size(), 8);
    put_le(out, stream.size(), 8);
    return out + stream;
}

Payload view(const std::string& bytes) { return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}; }

// What the folder holds besides tmp, as the file system spells it.
std::set<std::wstring> entries_of(const WorkFolder& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const unique_hfind search(::FindFirstFileExW(folder.literal_entry(L"*").c_str(), FindExInfoBasic, &found,
                                                 FindExSearchNameMatch, nullptr, 0));
    if (!search) return names;
    do {
        const std::wstring_view name = found.cFileName;
        if (name != L"." && name != L".." && name != L"tmp") names.emplace(name);
    } while (::FindNextFileW(search.get(), &found));
    return names;
}

class UnpackToDisk : public testing::Test {
protected:
    void SetUp() override {
        auto made = make_work_folder();
        ASSERT_TRUE(made) << made.error();
        folder_ = made.value();
    }
    void TearDown() override { remove_work_folder(folder_, 4); }

    Result<UnpackEnd> unpack(const std::string& bytes) { return unpack_payload(view(bytes), folder_, gate_); }

    WorkFolder folder_;
    StarterGate gate_;
};

TEST_F(UnpackToDisk, WritesEveryFileWithItsContent) {
    const std::string big(300000, 'x');
    auto unpacked = unpack(record("Tarven.exe", "MZ program") + record("LICENSE.txt", big) + record("empty.dat", ""));
    ASSERT_TRUE(unpacked) << unpacked.error();
    EXPECT_EQ(unpacked.value(), UnpackEnd::done);
    EXPECT_EQ(test::read_file_bytes(folder_.entry(L"Tarven.exe")), "MZ program");
    EXPECT_TRUE(test::read_file_bytes(folder_.entry(L"LICENSE.txt")) == big) << "the large file differs";
    EXPECT_EQ(test::read_file_bytes(folder_.entry(L"empty.dat")), "");
}

TEST_F(UnpackToDisk, NameWithAnAsteriskFailsWhenTheFileIsCreated) {
    const auto unpacked = unpack(record("first.txt", "1") + record("a*b.txt", "2"));
    ASSERT_FALSE(unpacked);
    EXPECT_EQ(unpacked.error(), "couldn't unpack a*b.txt: " + render_os_error(ERROR_INVALID_NAME));
    EXPECT_EQ(test::read_file_bytes(folder_.entry(L"first.txt")), "1") << "records before the failure are complete";
}

// Every file is created new: a name that is there already is not the launcher's to write.
TEST_F(UnpackToDisk, RecordNamedTmpMeetsTheTmpFolder) {
    const auto unpacked = unpack(record("tmp", "not a folder"));
    ASSERT_FALSE(unpacked);
    EXPECT_EQ(unpacked.error(), "couldn't unpack tmp: " + render_os_error(ERROR_FILE_EXISTS));
    EXPECT_TRUE(::GetFileAttributesW(folder_.entry(L"tmp").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(UnpackToDisk, LaterRecordOfTheSameNameWins) {
    ASSERT_TRUE(unpack(record("data.bin", "the first, longer content") + record("data.bin", "second")));
    EXPECT_EQ(test::read_file_bytes(folder_.entry(L"data.bin")), "second");
}

TEST_F(UnpackToDisk, NonAsciiNamesArriveAsTheirCharacters) {
    ASSERT_TRUE(unpack(record("Hilfe-\xC3\xBC\xE2\x82\xAC.txt", "u")));
    EXPECT_EQ(test::read_file_bytes(folder_.entry(L"Hilfe-\u00FC\u20AC.txt")), "u");
}

// Content that inflates slowly enough for the gate to close in the middle of the file.
std::string poorly_compressible(std::size_t size) {
    std::string out(size, '\0');
    std::uint32_t state = 12345;
    for (char& c : out) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>("tarvenhelp0123456789"[(state >> 16) % 20]);
    }
    return out;
}

// The folder's own writer, with a step of the test's before each file is opened.
class WriterWithStep final : public EntryWriter {
public:
    using Step = std::function<void(std::string_view name, bool replacing)>;
    WriterWithStep(const WorkFolder& folder, StarterGate& gate, Step step)
        : inner_(make_folder_writer(folder, gate)), step_(std::move(step)) {}

    bool stop_requested() override { return inner_->stop_requested(); }
    Result<CreatedFile> create(std::string_view name) override {
        step_(name, false);
        return inner_->create(name);
    }
    Result<CreatedFile> replace(std::string_view name) override {
        step_(name, true);
        return inner_->replace(name);
    }
    int compare_names(std::string_view a, std::string_view b) const override { return inner_->compare_names(a, b); }

private:
    std::unique_ptr<EntryWriter> inner_;
    Step step_;
};

// What another user of the machine may put under a record's name: a hard link to a file of theirs
// (which Wine makes), or a symbolic link (made from outside Wine where Wine makes none).
enum class Planted { hard_link, symbolic_link };

class UnpackIntoAPlantedName : public UnpackToDisk, public testing::WithParamInterface<Planted> {
protected:
    // Puts the link at `name` in the folder, pointing to the victim's file.
    void plant(const std::wstring& name) {
        const std::wstring at = folder_.entry(name);
        if (GetParam() == Planted::hard_link)
            ASSERT_TRUE(::CreateHardLinkW(at.c_str(), victim_file_.c_str(), nullptr))
                << render_os_error(::GetLastError());
        else
            link_ = std::make_unique<test::SymbolicLink>(at, victim_file_, test::SymbolicLink::To::file);
        ASSERT_TRUE(link_ == nullptr || link_->exists()) << "no link could be made";
    }
    void expect_the_victim_untouched() { EXPECT_EQ(test::read_file_bytes(victim_file_), "the victim's own"); }

    test::ScratchFolder victim_{L" victim"};
    std::wstring victim_file_ = victim_.entry(L"precious.txt");
    std::unique_ptr<test::SymbolicLink> link_;

    void TearDown() override {
        link_.reset();  // a Unix link in the folder would keep it there
        UnpackToDisk::TearDown();
    }
    void SetUp() override {
        UnpackToDisk::SetUp();
        const unique_hfile file(::CreateFileW(victim_file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(::WriteFile(file.get(), "the victim's own", 16, &written, nullptr));
    }
};

TEST_P(UnpackIntoAPlantedName, BeforeItsRecordIsNeverWrittenThrough) {
    plant(L"help-topics.json");
    const auto unpacked = unpack(record("first.txt", "1") + record("help-topics.json", "the record's bytes"));
    ASSERT_FALSE(unpacked);
    EXPECT_EQ(unpacked.error(), "couldn't unpack help-topics.json: " + render_os_error(ERROR_FILE_EXISTS));
    expect_the_victim_untouched();
}

// The file of the first record swapped for a link before the second record of its name.
TEST_P(UnpackIntoAPlantedName, BetweenTwoRecordsOfTheNameIsNeverWrittenThrough) {
    WriterWithStep writer(folder_, gate_, [&](std::string_view, bool replacing) {
        if (!replacing) return;
        ASSERT_TRUE(::DeleteFileW(folder_.entry(L"data.bin").c_str()));
        plant(L"data.bin");
    });
    const auto unpacked = unpack_payload(view(record("data.bin", "first") + record("data.bin", "second")), writer);
    ASSERT_FALSE(unpacked);
    EXPECT_EQ(unpacked.error(), "couldn't unpack data.bin: " + render_os_error(ERROR_FILE_EXISTS));
    expect_the_victim_untouched();
}

INSTANTIATE_TEST_SUITE_P(Links, UnpackIntoAPlantedName, testing::Values(Planted::hard_link, Planted::symbolic_link));

// Held from its creation: nobody can move the folder away (and put another in its place) while
// the files go into it.
TEST_F(UnpackToDisk, TheFolderCannotBeRenamedWhileTheFilesGoIn) {
    const std::wstring moved = folder_.path + L"-moved";
    DWORD refusal = ERROR_SUCCESS;
    WriterWithStep writer(folder_, gate_, [&](std::string_view, bool) {
        if (!::MoveFileExW(folder_.path.c_str(), moved.c_str(), 0)) refusal = ::GetLastError();
    });
    const std::string big = poorly_compressible(4u << 20);
    ASSERT_TRUE(unpack_payload(view(record("Tarven.exe", big, 1)), writer));
    EXPECT_EQ(refusal, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(test::read_file_bytes(folder_.entry(L"Tarven.exe")) == big);
    (void)::RemoveDirectoryW(moved.c_str());
}

// A record becomes exactly one file of exactly its name, or fails with its name: never a device,
// never success without the file, never an alias that drops trailing dots or blanks.
TEST(UnpackToDiskNames, ANameIsTakenLiterallyOrRefused) {
    for (const std::string name : {"COM1", "AUX", "NUL", "CON", "conin$", "LPT1.txt", "Tarven.exe.", "b ", "a*b"}) {
        auto folder = make_work_folder();
        ASSERT_TRUE(folder) << folder.error();
        StarterGate gate;
        const auto unpacked = unpack_payload(view(record(name, "content of " + name)), folder.value(), gate);
        const std::set<std::wstring> entries = entries_of(folder.value());
        if (unpacked) {
            EXPECT_EQ(entries, std::set<std::wstring>{widen(name)}) << name;
            EXPECT_EQ(test::read_file_bytes(folder.value().literal_entry(widen(name))), "content of " + name) << name;
        } else {
            EXPECT_EQ(unpacked.error().rfind("couldn't unpack " + name + ": ", 0), 0u) << unpacked.error();
            EXPECT_TRUE(entries.empty()) << name;
        }
        remove_work_folder(folder.value(), 4);
        EXPECT_FALSE(work_folder_exists(folder.value())) << name;
    }
}

std::uint64_t size_of(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

TEST_F(UnpackToDisk, ClosingTheGateStopsALargeFileAtItsNextPiece) {
    const std::string content = poorly_compressible(32u << 20);
    const std::string bytes = record("large.bin", content, 1) + record("after.txt", "after");
    const std::wstring large = folder_.entry(L"large.bin");
    Result<UnpackEnd> unpacked = UnpackEnd::done;
    std::atomic<bool> finished{false};
    std::thread unpacking([&] {
        unpacked = unpack_payload(view(bytes), folder_, gate_, UnpackOptions{2, 64 << 10, 3});
        finished = true;
    });
    while (size_of(large) == 0 && !finished) std::this_thread::yield();
    gate_.close();
    const std::uint64_t at_close = size_of(large);
    unpacking.join();

    ASSERT_TRUE(unpacked) << unpacked.error();
    EXPECT_EQ(unpacked.value(), UnpackEnd::stopped);
    EXPECT_LT(at_close, content.size());
    EXPECT_EQ(size_of(large), at_close) << "a byte was written after the gate closed";
}

TEST_F(UnpackToDisk, ClosedGateStopsBeforeTheNextFile) {
    gate_.close();
    const auto unpacked = unpack(record("Tarven.exe", "MZ"));
    ASSERT_TRUE(unpacked);
    EXPECT_EQ(unpacked.value(), UnpackEnd::stopped);
    EXPECT_EQ(test::read_file_bytes(folder_.entry(L"Tarven.exe")), std::nullopt);
}

}  // namespace
}  // namespace tarven
