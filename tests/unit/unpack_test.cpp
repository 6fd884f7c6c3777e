#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "payload/unpack.h"
#include "payload_builder.h"

namespace tarven {
namespace {

using test::file_record;
using test::little_endian;
using test::payload_of;
using test::record;
using test::record_head;
using test::zlib_stream;

// Records what it is asked to write; can refuse a name or ask to stop after some files.
class FakeWriter final : public EntryWriter {
public:
    std::vector<std::pair<std::string, std::string>> files;
    std::size_t stop_after = static_cast<std::size_t>(-1);
    std::string refuse;
    int stop_checks = 0;

    bool stop_requested() override {
        ++stop_checks;
        return files.size() >= stop_after;
    }
    Status write(std::string_view name, std::string_view content) override {
        if (name == refuse) return fail("access is denied (os error 5)");
        files.emplace_back(name, content);
        return {};
    }
};

std::string error_of(const std::string& bytes, FakeWriter& writer) {
    const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer);
    EXPECT_FALSE(result.ok());
    return result.ok() ? std::string() : result.error();
}

std::string error_of(const std::string& bytes) {
    FakeWriter writer;
    return error_of(bytes, writer);
}

TEST(Unpack, EmptyPayloadHoldsNoFiles) {
    FakeWriter writer;
    const Result<UnpackEnd> result = unpack_payload(Payload{}, writer);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value(), UnpackEnd::done);
    EXPECT_TRUE(writer.files.empty());
}

TEST(Unpack, WritesEveryFileInPayloadOrder) {
    const std::string big(300000, 'b');
    const std::string bytes = file_record("Tarven.exe", "MZ app") + file_record("empty.txt", "") +
                              file_record(std::string(128, 'n'), big) + file_record("Tarven.exe", "second");
    FakeWriter writer;
    const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.value(), UnpackEnd::done);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Tarven.exe", "MZ app"}, {"empty.txt", ""}, {std::string(128, 'n'), big}, {"Tarven.exe", "second"}};
    EXPECT_EQ(writer.files, expected);
    EXPECT_EQ(writer.stop_checks, 4) << "one check before each record";
}

TEST(Unpack, StopRequestEndsTheWalkBeforeTheNextRecord) {
    const std::string bytes = file_record("a", "1") + file_record("b", "2") + file_record("c", "3");
    for (const std::size_t stop_after : {std::size_t{0}, std::size_t{2}}) {
        FakeWriter writer;
        writer.stop_after = stop_after;
        const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer);
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(result.value(), UnpackEnd::stopped);
        EXPECT_EQ(writer.files.size(), stop_after);
    }
}

TEST(Unpack, StopIsCheckedBeforeADamagedRecordIsRead) {
    FakeWriter writer;
    writer.stop_after = 1;
    const Result<UnpackEnd> result = unpack_payload(payload_of(file_record("a", "1") + "\x01"), writer);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(result.value(), UnpackEnd::stopped);
}

TEST(Unpack, RecordsThatCannotBeReadGiveTheirMessages) {
    const std::string good = file_record("good", "content");
    EXPECT_EQ(error_of(good + "\x01"), "Tarven Help's files are cut short");
    EXPECT_EQ(error_of(good + record_head("x", 10, 1000) + "abc"), "Tarven Help's files are cut short");
    EXPECT_EQ(error_of(little_endian(2, 2) + "\xFF\xFE"), "a file name in Tarven Help isn't text");
    EXPECT_EQ(error_of(little_endian(0, 2) + "\x01"), "Tarven Help carries a file it mustn't write: \"\"");
    EXPECT_EQ(error_of(file_record("a\\b", "x")), "Tarven Help carries a file it mustn't write: \"a\\\\b\"");
    EXPECT_EQ(error_of(file_record(std::string("nul\0", 4), "x")),
              "Tarven Help carries a file it mustn't write: \"nul\\0\"");
    EXPECT_EQ(error_of(file_record(std::string(129, 'n'), "x")),
              "Tarven Help carries a file it mustn't write: \"" + std::string(129, 'n') + "\"");
    EXPECT_EQ(error_of(file_record("..", "x")), "Tarven Help carries a file it mustn't write: \"..\"");
}

TEST(Unpack, StreamsThatDoNotInflateToTheirSizeGiveTheirMessages) {
    std::string bad_trailer = zlib_stream("content");
    bad_trailer.back() = static_cast<char>(bad_trailer.back() ^ 0x40);
    EXPECT_EQ(error_of(record("app.dll", 7, bad_trailer)),
              "app.dll in Tarven Help is damaged: adler-32 checksum mismatch");
    EXPECT_EQ(error_of(record("app.dll", 7, "")), "app.dll in Tarven Help is damaged: stream is empty");
    EXPECT_EQ(error_of(record("app.dll", 6, zlib_stream("content"))),
              "app.dll in Tarven Help is damaged: stream would produce more than 6 bytes");
    EXPECT_EQ(error_of(record("app.dll", 8, zlib_stream("content"))), "app.dll in Tarven Help is the wrong size");
}

TEST(Unpack, WriteFailureNamesTheFileAndKeepsEarlierFiles) {
    const std::string bytes =
        file_record("one", "1") + file_record("two", "2") + file_record("three", "3") + file_record("four", "4");
    FakeWriter writer;
    writer.refuse = "three";
    EXPECT_EQ(error_of(bytes, writer), "couldn't unpack three: access is denied (os error 5)");
    const std::vector<std::pair<std::string, std::string>> expected = {{"one", "1"}, {"two", "2"}};
    EXPECT_EQ(writer.files, expected);
}

TEST(Unpack, DamagedThirdRecordLeavesTheFirstTwoWritten) {
    const std::string bytes = file_record("one", "1") + file_record("two", "2") + record("three", 1, "\x78\x01");
    FakeWriter writer;
    EXPECT_EQ(error_of(bytes, writer), "three in Tarven Help is damaged: stream ends early");
    EXPECT_EQ(writer.files.size(), 2u);
}

}  // namespace
}  // namespace tarven
