#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "payload/payload.h"
#include "payload_builder.h"

namespace tarven {
namespace {

using test::file_record;
using test::little_endian;
using test::payload_of;
using test::record;
using test::record_head;

RecordFailure failure_of(const std::string& bytes, std::uint64_t offset = 0) {
    const RecordResult result = next_record(payload_of(bytes), offset);
    EXPECT_TRUE(std::holds_alternative<RecordError>(result));
    return std::holds_alternative<RecordError>(result) ? std::get<RecordError>(result).failure
                                                       : RecordFailure::cut_short;
}

PayloadEntry entry_at(const std::string& bytes, std::uint64_t offset = 0) {
    const RecordResult result = next_record(payload_of(bytes), offset);
    EXPECT_TRUE(std::holds_alternative<PayloadEntry>(result));
    return std::holds_alternative<PayloadEntry>(result) ? std::get<PayloadEntry>(result) : PayloadEntry{};
}

TEST(PayloadRecord, ReadsEveryFieldOfOneRecord) {
    const std::string bytes = record("Tarven.exe", 0x0102030405060708, "stream");
    const PayloadEntry entry = entry_at(bytes);
    EXPECT_EQ(entry.name, "Tarven.exe");
    EXPECT_EQ(entry.unpacked_size, 0x0102030405060708u);
    EXPECT_EQ(entry.stream, "stream");
    EXPECT_EQ(entry.next_offset, bytes.size());
}

TEST(PayloadRecord, ReadsFieldsAtAnUnalignedAddress) {
    const std::string bytes = record("odd", 0xF1E2D3C4B5A69788, "zz");
    std::vector<std::uint8_t> storage(bytes.size() + 1);
    std::memcpy(storage.data() + 1, bytes.data(), bytes.size());
    const Payload payload{storage.data() + 1, bytes.size()};
    const auto entry = std::get<PayloadEntry>(next_record(payload, 0));
    EXPECT_EQ(entry.unpacked_size, 0xF1E2D3C4B5A69788u);
    EXPECT_EQ(entry.stream, "zz");
}

TEST(PayloadRecord, SecondRecordStartsWhereTheFirstEnds) {
    const std::string first = record("a", 1, "xyz");
    const std::string bytes = first + record("second", 7, "12345");
    const PayloadEntry entry = entry_at(bytes, first.size());
    EXPECT_EQ(entry.name, "second");
    EXPECT_EQ(entry.unpacked_size, 7u);
    EXPECT_EQ(entry.stream, "12345");
    EXPECT_EQ(entry.next_offset, bytes.size());
}

TEST(PayloadRecord, UnpackedSizeIsNotBounded) {
    const std::string bytes = record("big", std::numeric_limits<std::uint64_t>::max(), "s");
    EXPECT_EQ(entry_at(bytes).unpacked_size, std::numeric_limits<std::uint64_t>::max());
}

TEST(PayloadRecord, EmptyStreamEndingAtThePayloadsEndIsARecord) {
    const std::string bytes = record_head("empty", 0, 0);
    const PayloadEntry entry = entry_at(bytes);
    EXPECT_TRUE(entry.stream.empty());
    EXPECT_EQ(entry.next_offset, bytes.size());
}

TEST(PayloadRecord, EveryBoundIsCutShort) {
    EXPECT_EQ(failure_of("\x01"), RecordFailure::cut_short) << "one byte: no room for the name length";
    EXPECT_EQ(failure_of(std::string("\x05\x00", 2) + "abcd"), RecordFailure::cut_short) << "name past the end";
    const std::string head = record_head("name", 3, 4);
    EXPECT_EQ(failure_of(head.substr(0, 2 + 4 + 7)), RecordFailure::cut_short) << "unpacked size cut";
    EXPECT_EQ(failure_of(head.substr(0, 2 + 4 + 15)), RecordFailure::cut_short) << "compressed size cut";
    EXPECT_EQ(failure_of(head + "abc"), RecordFailure::cut_short) << "stream one byte short";
}

TEST(PayloadRecord, NameBoundComesBeforeTheUtf8Test) {
    // Four bytes that are not UTF-8 where five name bytes are announced.
    EXPECT_EQ(failure_of(std::string("\x05\x00\xFF\xFF\xFF\xFF", 6)), RecordFailure::cut_short);
}

TEST(PayloadRecord, NotTextComesBeforeTheSizeFields) {
    const std::string bytes = little_endian(2, 2) + "\xC0\xAF" + "\x01\x02";
    EXPECT_EQ(failure_of(bytes), RecordFailure::not_text);
}

TEST(PayloadRecord, RefusedNameComesBeforeTheSizeFieldsAndIsReported) {
    const std::string bytes = little_endian(3, 2) + "a/b" + "\x01";
    const auto result = next_record(payload_of(bytes), 0);
    ASSERT_TRUE(std::holds_alternative<RecordError>(result));
    EXPECT_EQ(std::get<RecordError>(result).failure, RecordFailure::bad_name);
    EXPECT_EQ(std::get<RecordError>(result).name, "a/b");

    EXPECT_EQ(failure_of(little_endian(0, 2)), RecordFailure::bad_name) << "an empty name, nothing after it";
}

TEST(PayloadRecord, CompressedSizeThatWrapsAroundIsCutShort) {
    const std::string padding = file_record("pad", "p");
    const std::uint64_t offset = padding.size();
    // offset + 18 + N + Z wraps to exactly 0, to the offset itself, and to the maximum.
    for (const std::uint64_t z : {std::uint64_t{0} - (offset + 18 + 1), std::uint64_t{0} - (18 + 1),
                                  std::numeric_limits<std::uint64_t>::max()}) {
        const std::string bytes = padding + record_head("x", 1, z) + "stream";
        EXPECT_EQ(failure_of(bytes, offset), RecordFailure::cut_short) << z;
    }
}

TEST(PayloadRecord, WalkEndsAfterARecordWhoseLastByteIsThePayloadsLast) {
    const std::string bytes = file_record("one", "1") + file_record("two", "22");
    const PayloadEntry first = entry_at(bytes);
    const PayloadEntry second = entry_at(bytes, first.next_offset);
    EXPECT_EQ(second.name, "two");
    EXPECT_EQ(second.next_offset, bytes.size());
}

TEST(PayloadRecord, StrayByteAfterTheLastRecordIsCutShort) {
    const std::string good = file_record("one", "1");
    const std::string bytes = good + std::string(1, '\0');
    EXPECT_EQ(entry_at(bytes).next_offset, good.size());
    EXPECT_EQ(failure_of(bytes, good.size()), RecordFailure::cut_short);
}

}  // namespace
}  // namespace tarven
