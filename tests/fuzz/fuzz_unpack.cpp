// The whole unpack pipeline on arbitrary bytes, with files kept in memory: its outcome and every
// file must be what a plain, one-shot zlib inflate of each record, in payload order, gives. The
// first byte picks the workers, the piece size and the writing behind.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <variant>

#include "memory_writer.h"
#include "payload/unpack.h"
#include "words/user_words.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

// Deflate turns one byte into at most 1032, so the reference needs no more room than this.
std::uint64_t room_for(const tarven::PayloadEntry& entry) {
    return std::min<std::uint64_t>(entry.unpacked_size, entry.stream.size() * 1032 + 1024);
}

// The record's content, or nothing when the stream is damaged or the wrong size. `wrong_size`
// tells the two apart.
std::optional<std::string> reference_inflate(const tarven::PayloadEntry& entry, bool& wrong_size) {
    std::string out(static_cast<std::size_t>(room_for(entry)), '\0');
    z_stream z{};
    if (inflateInit(&z) != Z_OK) std::abort();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(entry.stream.data()));
    z.avail_in = static_cast<uInt>(entry.stream.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int status = inflate(&z, Z_FINISH);
    const std::uint64_t produced = z.total_out;
    inflateEnd(&z);
    // A full room below the unpacked size would mean the bound above is wrong.
    require(status == Z_STREAM_END || z.avail_out > 0 || out.size() == entry.unpacked_size);
    wrong_size = status == Z_STREAM_END && produced != entry.unpacked_size;
    if (status != Z_STREAM_END || wrong_size) return std::nullopt;
    out.resize(static_cast<std::size_t>(produced));
    return out;
}

struct Expected {
    std::map<std::string, std::string> files;
    std::optional<std::string> message;  // damaged streams: only up to the detail
};

// One record after another, as the launcher's pipeline must appear to work.
Expected walk_in_order(const tarven::Payload& payload) {
    Expected expected;
    for (std::uint64_t offset = 0; offset < payload.size;) {
        const tarven::RecordResult record = tarven::next_record(payload, offset);
        if (const auto* error = std::get_if<tarven::RecordError>(&record)) {
            expected.message = tarven::unreadable_record_message(*error);
            return expected;
        }
        const auto& entry = std::get<tarven::PayloadEntry>(record);
        bool wrong_size = false;
        auto content = reference_inflate(entry, wrong_size);
        if (!content) {
            expected.message =
                wrong_size ? tarven::words::wrong_size(entry.name) : tarven::words::damaged(entry.name, "");
            return expected;
        }
        expected.files[std::string(entry.name)] = std::move(*content);
        offset = entry.next_offset;
    }
    return expected;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const tarven::UnpackOptions options{1u + (data[0] & 1u), 1u + (data[0] >> 2) * 61u, (data[0] & 2u) ? 2u : 0u};
    const tarven::Payload payload{data + 1, size - 1};

    tarven::test::MemoryWriter writer;
    const tarven::Result<tarven::UnpackEnd> result = tarven::unpack_payload(payload, writer, options);
    const Expected expected = walk_in_order(payload);

    require(!writer.same_file_at_once);
    if (!expected.message) {
        require(result.ok() && result.value() == tarven::UnpackEnd::done);
        require(writer.files == expected.files);
        return 0;
    }
    require(!result.ok());
    require(result.error().starts_with(*expected.message));
    // Every file of the records before the failure is complete.
    for (const auto& [name, content] : expected.files) {
        const auto written = writer.files.find(name);
        require(written != writer.files.end() && written->second == content);
    }
    return 0;
}
