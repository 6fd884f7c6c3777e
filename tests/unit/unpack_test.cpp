#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "memory_writer.h"
#include "payload/unpack.h"
#include "payload_builder.h"

namespace tarven {
namespace {

using test::file_record;
using test::little_endian;
using test::MemoryWriter;
using test::payload_of;
using test::record;
using test::record_head;
using test::zlib_stream;

// Several workers and small pieces, so that records and pieces really overlap.
constexpr UnpackOptions parallel{4, 4096, 3};

std::string error_of(const std::string& bytes, MemoryWriter& writer, const UnpackOptions& options = parallel) {
    const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer, options);
    EXPECT_FALSE(result.ok());
    return result.ok() ? std::string() : result.error();
}

std::string error_of(const std::string& bytes) {
    MemoryWriter writer;
    return error_of(bytes, writer);
}

// Compressible, yet many pieces long once inflated.
std::string sample(std::size_t size) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>("tarven"[(i * 7 + i / 300) % 6]);
    return out;
}

std::string damaged_stream(std::string_view content) {
    std::string stream = zlib_stream(content);
    stream.back() = static_cast<char>(stream.back() ^ 0x40);
    return stream;
}

TEST(Unpack, EmptyPayloadHoldsNoFiles) {
    MemoryWriter writer;
    const Result<UnpackEnd> result = unpack_payload(Payload{}, writer, parallel);
    ASSERT_TRUE(result.ok());
    EXPECT_EQ(result.value(), UnpackEnd::done);
    EXPECT_TRUE(writer.files.empty());
}

TEST(Unpack, WritesEveryFileWhateverTheWorkersAndPieces) {
    const std::string big = sample(300000);
    const std::string bytes = file_record("Tarven.exe", "MZ app") + file_record("empty.txt", "") +
                              file_record(std::string(128, 'n'), big) + file_record("Tarven.exe", "second");
    const std::map<std::string, std::string> expected = {
        {"Tarven.exe", "second"}, {"empty.txt", ""}, {std::string(128, 'n'), big}};
    for (const UnpackOptions options :
         {UnpackOptions{1, 1, 0}, UnpackOptions{1, 1 << 20, 0}, UnpackOptions{2, 7, 2}, parallel, UnpackOptions{}}) {
        MemoryWriter writer;
        const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer, options);
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(result.value(), UnpackEnd::done);
        EXPECT_EQ(writer.files, expected) << options.workers << " workers, pieces of " << options.piece_size;
    }
}

TEST(Unpack, ManySmallRecordsAreAllWritten) {
    std::string bytes;
    std::map<std::string, std::string> expected;
    for (int i = 0; i < 400; ++i) {
        const std::string name = "file-" + std::to_string(i);
        expected[name] = sample(static_cast<std::size_t>(i * 37));
        bytes += file_record(name, expected[name]);
    }
    MemoryWriter writer;
    const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer, parallel);
    ASSERT_TRUE(result.ok()) << result.error();
    EXPECT_EQ(writer.files, expected);
}

TEST(Unpack, RecordsOfOneFileEndWithTheLaterContentAndNeverOverlap) {
    const std::string first = sample(200000);
    const std::string bytes = file_record("Data.bin", first) + file_record("other", "o") +
                              file_record("DATA.BIN", "later") + file_record("data.bin", sample(50000));
    MemoryWriter writer;
    writer.ignore_case = true;
    ASSERT_TRUE(unpack_payload(payload_of(bytes), writer, parallel).ok());
    EXPECT_EQ(writer.files["data.bin"], sample(50000));
    EXPECT_FALSE(writer.same_file_at_once);

    // A damaged later record leaves the earlier file whole.
    MemoryWriter damaged;
    damaged.ignore_case = true;
    EXPECT_EQ(error_of(file_record("Data.bin", first) + record("DATA.bin", 5, damaged_stream("later")), damaged),
              "DATA.bin in Tarven Help is damaged: adler-32 checksum mismatch");
    EXPECT_EQ(damaged.files["data.bin"], first);

    // So does a failure between the two: the later record is never begun.
    MemoryWriter between;
    between.ignore_case = true;
    EXPECT_EQ(error_of(file_record("Data.bin", first) + record("bad", 5, damaged_stream("later")) +
                           file_record("DATA.bin", sample(100000)),
                       between),
              "bad in Tarven Help is damaged: adler-32 checksum mismatch");
    EXPECT_EQ(between.files["data.bin"], first);
}

TEST(Unpack, StopRequestEndsTheUnpackingAtTheNextPiece) {
    const std::string bytes = file_record("big", sample(1 << 20)) + file_record("after", "2") + "\x01";
    for (const std::size_t pieces : {std::size_t{0}, std::size_t{3}}) {
        MemoryWriter writer;
        writer.stop_after_pieces = pieces;
        const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer, UnpackOptions{1, 4096, 3});
        ASSERT_TRUE(result.ok()) << result.error();
        EXPECT_EQ(result.value(), UnpackEnd::stopped);
        EXPECT_EQ(writer.created.size(), pieces == 0 ? 0u : 1u) << "no file is created after the stop";
        if (pieces > 0) {
            EXPECT_EQ(writer.files["big"].size(), pieces * 4096);
        }
    }
}

TEST(Unpack, StopIsCheckedBeforeADamagedRecordIsRead) {
    MemoryWriter writer;
    writer.stop_after_pieces = 1;
    const Result<UnpackEnd> result = unpack_payload(payload_of(file_record("a", "1") + "\x01"), writer, parallel);
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
    EXPECT_EQ(error_of(record("app.dll", 7, damaged_stream("content"))),
              "app.dll in Tarven Help is damaged: adler-32 checksum mismatch");
    EXPECT_EQ(error_of(record("app.dll", 7, "")), "app.dll in Tarven Help is damaged: stream is empty");
    EXPECT_EQ(error_of(record("app.dll", 6, zlib_stream("content"))),
              "app.dll in Tarven Help is damaged: stream would produce more than 6 bytes");
    EXPECT_EQ(error_of(record("app.dll", 8, zlib_stream("content"))), "app.dll in Tarven Help is the wrong size");
}

TEST(Unpack, WriteFailureNamesTheFileAndKeepsEarlierFiles) {
    const std::string bytes =
        file_record("one", "1") + file_record("two", "2") + file_record("three", "3") + file_record("four", "4");
    MemoryWriter writer;
    writer.refuse = "three";
    EXPECT_EQ(error_of(bytes, writer), "couldn't unpack three: access is denied (os error 5)");
    EXPECT_EQ(writer.files["one"], "1");
    EXPECT_EQ(writer.files["two"], "2");
}

TEST(Unpack, DamagedThirdRecordLeavesTheFirstTwoWrittenAndNothingOfItsOwn) {
    const std::string big = sample(300000);
    const std::string bytes = file_record("one", "1") + file_record("two", "2") +
                              record("three", big.size(), damaged_stream(big)) + record("four", 9, "\x78\x01");
    MemoryWriter writer;
    EXPECT_EQ(error_of(bytes, writer), "three in Tarven Help is damaged: adler-32 checksum mismatch");
    EXPECT_EQ(writer.files["one"], "1");
    EXPECT_EQ(writer.files["two"], "2");
    EXPECT_EQ(writer.files.count("three"), 0u);
}

// However quickly a later record fails, the first failing one in payload order decides; within a
// record, the stream is judged before the file that could not be created.
TEST(Unpack, TheFirstFailureInPayloadOrderDecides) {
    const std::string big = sample(2 << 20);
    const std::string big_damaged = record("big.exe", big.size(), damaged_stream(big));
    const std::string big_short = record("big.exe", big.size() + 1, zlib_stream(big));
    const std::string damaged_message = "big.exe in Tarven Help is damaged: adler-32 checksum mismatch";
    const std::string short_message = "big.exe in Tarven Help is the wrong size";
    struct Row {
        std::string bytes;
        std::string refuse;
        std::string message;
    };
    const std::vector<Row> rows = {
        {big_damaged + file_record("tmp", "x"), "tmp", damaged_message},
        {big_damaged + file_record("a", "x") + "\x01", "", damaged_message},
        {big_damaged + record("b", 1, "\x78"), "", damaged_message},
        {big_short + file_record("tmp", "x"), "tmp", short_message},
        {big_damaged, "big.exe", damaged_message},
        {big_short, "big.exe", short_message},
        {file_record("big.exe", big) + file_record("tmp", "x") + record("c", 1, "\x78"), "tmp",
         "couldn't unpack tmp: access is denied (os error 5)"},
    };
    for (const Row& row : rows) {
        MemoryWriter writer;
        writer.refuse = row.refuse;
        EXPECT_EQ(error_of(row.bytes, writer), row.message);
    }
}

}  // namespace
}  // namespace tarven
