#include "payload/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace tarven {
namespace {

// zlib counts in uInt, which may be narrower than a stream or a file: both are fed in chunks.
constexpr std::uint64_t largest_chunk = std::numeric_limits<uInt>::max();

// An inflater that is always ended.
class Inflater {
public:
    Inflater() { status_ = inflateInit(&stream_); }
    ~Inflater() {
        if (status_ == Z_OK) inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ready() const { return status_ == Z_OK; }
    z_stream& stream() { return stream_; }

private:
    z_stream stream_{};
    int status_ = Z_STREAM_ERROR;
};

std::uint64_t initial_buffer_size(std::uint64_t compressed, std::uint64_t unpacked) {
    return compressed > unpacked / 2 ? unpacked : compressed * 2;
}

std::uint64_t grown_buffer_size(std::uint64_t current, std::uint64_t unpacked) {
    return current > unpacked / 2 ? unpacked : current * 2;
}

Failure data_error(const z_stream& stream) {
    if (stream.msg == nullptr) return fail("invalid data");
    // zlib's text for a trailer that does not match the output.
    if (std::strcmp(stream.msg, "incorrect data check") == 0) return fail("adler-32 checksum mismatch");
    return fail(stream.msg);
}

Result<std::string> inflate_stream(const PayloadEntry& entry) {
    Inflater inflater;
    if (!inflater.ready()) return fail("out of memory");
    z_stream& z = inflater.stream();

    const std::uint64_t limit = entry.unpacked_size;
    const auto* input = reinterpret_cast<const Bytef*>(entry.stream.data());
    std::uint64_t input_left = entry.stream.size();
    std::uint64_t produced = 0;
    Bytef no_room = 0;  // zlib wants an output pointer even when there is no room

    // Grows only as output appears, so an absurd unpacked size costs nothing by itself.
    std::string out;
    out.resize(static_cast<std::size_t>(initial_buffer_size(entry.stream.size(), limit)));
    for (;;) {
        if (z.avail_in == 0 && input_left > 0) {
            const auto chunk = std::min(input_left, largest_chunk);
            z.next_in = const_cast<Bytef*>(input);
            z.avail_in = static_cast<uInt>(chunk);
            input += chunk;
            input_left -= chunk;
        }
        if (produced == out.size() && out.size() < limit)
            out.resize(static_cast<std::size_t>(grown_buffer_size(out.size(), limit)));
        const auto room = std::min<std::uint64_t>(out.size() - produced, largest_chunk);
        z.next_out = room > 0 ? reinterpret_cast<Bytef*>(out.data()) + produced : &no_room;
        z.avail_out = static_cast<uInt>(room);

        const int status = inflate(&z, Z_NO_FLUSH);
        produced += room - z.avail_out;
        switch (status) {
            case Z_STREAM_END:
                out.resize(static_cast<std::size_t>(produced));
                return out;
            case Z_NEED_DICT:
                return fail("stream needs a preset dictionary");
            case Z_DATA_ERROR:
                return data_error(z);
            case Z_MEM_ERROR:
                return fail("out of memory");
            case Z_OK:
                continue;  // progress was made
            case Z_BUF_ERROR:
                break;
            default:
                return fail("inflater error");
        }
        // No progress was possible. All input was offered, so zlib wants more of it (the stream
        // is cut short) or more room, which exists only when the buffer is full at the limit.
        if (z.avail_in == 0 && input_left == 0) return fail("stream ends early");
        return fail("stream would produce more than " + std::to_string(limit) + " bytes");
    }
}

}  // namespace

Result<std::string> inflate_entry(const PayloadEntry& entry) {
    // No zlib header to read at all.
    if (entry.stream.empty()) return fail("stream is empty");
    try {
        return inflate_stream(entry);
    } catch (const std::bad_alloc&) {
        return fail("out of memory");
    } catch (const std::length_error&) {
        return fail("out of memory");
    }
}

}  // namespace tarven
