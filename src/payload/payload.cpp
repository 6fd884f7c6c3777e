#include "payload/payload.h"

#include "base/utf8.h"
#include "payload/entry_name.h"

namespace tarven {
namespace {

// Field widths of a record's fixed parts.
constexpr std::uint64_t name_length_width = 2;
constexpr std::uint64_t size_width = 8;

// True when `width` bytes starting at `start` lie inside the payload. Written as a subtraction
// so that no sum can wrap around.
bool fits(const Payload& payload, std::uint64_t start, std::uint64_t width) {
    return start <= payload.size && width <= payload.size - start;
}

// Little-endian, unaligned: the payload starts at an arbitrary address.
std::uint64_t read_le(const std::uint8_t* bytes, std::uint64_t width) {
    std::uint64_t value = 0;
    for (std::uint64_t i = width; i > 0; --i) value = (value << 8) | bytes[i - 1];
    return value;
}

std::string_view view(const Payload& payload, std::uint64_t start, std::uint64_t length) {
    return {reinterpret_cast<const char*>(payload.data + start), static_cast<std::size_t>(length)};
}

}  // namespace

RecordResult next_record(const Payload& payload, std::uint64_t offset) {
    const RecordError cut_short{RecordFailure::cut_short, {}};

    if (!fits(payload, offset, name_length_width)) return cut_short;
    const std::uint64_t name_length = read_le(payload.data + offset, name_length_width);
    const std::uint64_t name_start = offset + name_length_width;

    if (!fits(payload, name_start, name_length)) return cut_short;
    const std::string_view name = view(payload, name_start, name_length);
    if (!is_valid_utf8(name)) return RecordError{RecordFailure::not_text, {}};
    // Before any size field, so a refused name is reported even in a record cut short later.
    if (!check_entry_name(name)) return RecordError{RecordFailure::bad_name, name};

    const std::uint64_t unpacked_at = name_start + name_length;
    const std::uint64_t compressed_at = unpacked_at + size_width;
    if (!fits(payload, unpacked_at, size_width)) return cut_short;
    if (!fits(payload, compressed_at, size_width)) return cut_short;
    const std::uint64_t compressed_size = read_le(payload.data + compressed_at, size_width);

    const std::uint64_t stream_start = compressed_at + size_width;
    if (!fits(payload, stream_start, compressed_size)) return cut_short;
    // Not bounded here: it only limits the inflating.
    const std::uint64_t unpacked_size = read_le(payload.data + unpacked_at, size_width);

    return PayloadEntry{name, unpacked_size, view(payload, stream_start, compressed_size),
                        stream_start + compressed_size};
}

}  // namespace tarven
