#include "payload/inflate.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace tarven {
namespace {

// zlib counts in uInt, which may be narrower than a stream: it is fed in chunks.
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

Failure data_error(const z_stream& stream) {
    if (stream.msg == nullptr) return fail("invalid data");
    // zlib's text for a trailer that does not match the output.
    if (std::strcmp(stream.msg, "incorrect data check") == 0) return fail("adler-32 checksum mismatch");
    return fail(stream.msg);
}

// One piece at a time: the sink's room, cut to what the unpacked size still allows. zlib gets
// no room at all only once the limit is reached, so that is when "no progress" means "too much".
class PieceFiller {
public:
    PieceFiller(PieceSink& sink, std::uint64_t limit) : sink_(sink), limit_(limit) {}

    // A fresh room once the last one went to the sink.
    void offer(z_stream& z) {
        if (z.avail_out > 0) return;
        const std::span<char> room = sink_.room();
        const auto size = std::min<std::uint64_t>({room.size(), limit_ - handed_, largest_chunk});
        z.next_out = size > 0 ? reinterpret_cast<Bytef*>(room.data()) : &no_room_;
        z.avail_out = static_cast<uInt>(size);
        capacity_ = static_cast<std::size_t>(size);
    }

    // A full room, or the stream's last bytes, go to the sink. False: the sink wants no more.
    bool take(const z_stream& z, bool stream_ended) {
        const std::size_t used = capacity_ - z.avail_out;
        if (used == 0 || (z.avail_out > 0 && !stream_ended)) return true;
        handed_ += used;
        capacity_ = z.avail_out;
        return sink_.filled(used);
    }

    std::uint64_t handed() const { return handed_; }

private:
    PieceSink& sink_;
    std::uint64_t limit_;
    std::uint64_t handed_ = 0;
    std::size_t capacity_ = 0;
    Bytef no_room_ = 0;  // zlib wants an output pointer even when there is no room
};

Result<Inflated> inflate_stream(const PayloadEntry& entry, PieceSink& sink) {
    Inflater inflater;
    if (!inflater.ready()) return fail("out of memory");
    z_stream& z = inflater.stream();

    const auto* input = reinterpret_cast<const Bytef*>(entry.stream.data());
    std::uint64_t input_left = entry.stream.size();
    PieceFiller pieces(sink, entry.unpacked_size);
    for (;;) {
        if (z.avail_in == 0 && input_left > 0) {
            const auto chunk = std::min(input_left, largest_chunk);
            z.next_in = const_cast<Bytef*>(input);
            z.avail_in = static_cast<uInt>(chunk);
            input += chunk;
            input_left -= chunk;
        }
        pieces.offer(z);
        const int status = inflate(&z, Z_NO_FLUSH);
        if (!pieces.take(z, status == Z_STREAM_END)) return Inflated{pieces.handed(), UnpackEnd::stopped};
        switch (status) {
            case Z_STREAM_END:
                return Inflated{pieces.handed(), UnpackEnd::done};
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
        // is cut short) or more room, which it lacks only at the limit.
        if (z.avail_in == 0 && input_left == 0) return fail("stream ends early");
        return fail("stream would produce more than " + std::to_string(entry.unpacked_size) + " bytes");
    }
}

}  // namespace

Result<Inflated> inflate_entry(const PayloadEntry& entry, PieceSink& sink) {
    // No zlib header to read at all.
    if (entry.stream.empty()) return fail("stream is empty");
    return inflate_stream(entry, sink);
}

namespace {

class WholeFile final : public PieceSink {
public:
    std::span<char> room() override { return piece_; }
    bool filled(std::size_t size) override {
        content.append(piece_.data(), size);
        return true;
    }
    std::string content;

private:
    std::string piece_ = std::string(std::size_t{1} << 20, '\0');
};

}  // namespace

Result<std::string> inflate_whole(const PayloadEntry& entry) {
    WholeFile file;
    const Result<Inflated> inflated = inflate_entry(entry, file);
    if (!inflated) return fail(inflated.error());
    return std::move(file.content);
}

}  // namespace tarven
