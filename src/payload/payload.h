#pragma once
// The embedded file set: records one after another, no header and no trailer.
//
//   offset   width  field
//   0        2      name length N (unsigned, little-endian)
//   2        N      name, UTF-8, no terminator
//   2+N      8      unpacked size U (unsigned, little-endian): the file's exact length
//   10+N     8      compressed size Z (unsigned, little-endian): the bytes that follow
//   18+N     Z      the content as one zlib stream
//
// Integers are unaligned and read bytewise. The next record starts at 18+N+Z; the walk is over
// exactly when that offset reaches the payload's length.
#include <cstdint>
#include <string_view>
#include <variant>

namespace tarven {

struct Payload {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
};

struct PayloadEntry {
    std::string_view name;  // valid UTF-8 that passed check_entry_name
    std::uint64_t unpacked_size = 0;
    std::string_view stream;  // the Z bytes of the zlib stream
    std::uint64_t next_offset = 0;
};

enum class RecordFailure {
    cut_short,  // a field or the stream reaches past the payload's end
    not_text,   // the name is not UTF-8
    bad_name,   // the name breaks the name rules (checked before any size field)
};

// A record that could not be read. `name` is the refused name for bad_name, empty otherwise.
struct RecordError {
    RecordFailure failure = RecordFailure::cut_short;
    std::string_view name;
};

using RecordResult = std::variant<PayloadEntry, RecordError>;

// Reads the record at `offset`, which must be smaller than the payload's size. Every bound is
// tested before the bytes it covers are touched.
RecordResult next_record(const Payload& payload, std::uint64_t offset);

}  // namespace tarven
