#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/result.h"
#include "payload/payload.h"
#include "payload/unpack_end.h"

namespace tarven {

// Receives a record's inflated bytes piece by piece, in order, and lends the room they go into.
class PieceSink {
public:
    virtual ~PieceSink() = default;
    // Where the next piece goes; never empty.
    virtual std::span<char> room() = 0;
    // The first `size` bytes of the room are the next piece. False: no more pieces are wanted.
    virtual bool filled(std::size_t size) = 0;
};

struct Inflated {
    std::uint64_t size = 0;           // bytes handed to the sink
    UnpackEnd end = UnpackEnd::done;  // stopped: the sink wanted no more before the stream's end
};

// Inflates the entry's zlib stream (header and Adler-32 trailer checked) into at most
// `unpacked_size` bytes, in pieces of at most the sink's room. The failure's text says what went
// wrong with the stream. Bytes after the stream's end are ignored.
Result<Inflated> inflate_entry(const PayloadEntry& entry, PieceSink& sink);

// The same into one string, for tests of what a stream holds.
Result<std::string> inflate_whole(const PayloadEntry& entry);

}  // namespace tarven
