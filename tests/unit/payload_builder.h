#pragma once
// Builds payload bytes for tests: records framed by hand, streams made by zlib itself.
#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "payload/payload.h"

namespace tarven::test {

inline std::string little_endian(std::uint64_t value, int width) {
    std::string out;
    for (int i = 0; i < width; ++i, value >>= 8) out.push_back(static_cast<char>(value & 0xFF));
    return out;
}

inline std::string zlib_stream(std::string_view data, int level = 9) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                  static_cast<uLong>(data.size()), level) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(size);
    return out;
}

// The record's framing and name only, for records that end before their stream.
inline std::string record_head(std::string_view name, std::uint64_t unpacked, std::uint64_t compressed) {
    return little_endian(name.size(), 2) + std::string(name) + little_endian(unpacked, 8) +
           little_endian(compressed, 8);
}

inline std::string record(std::string_view name, std::uint64_t unpacked, std::string_view stream) {
    return record_head(name, unpacked, stream.size()) + std::string(stream);
}

inline std::string file_record(std::string_view name, std::string_view content) {
    return record(name, content.size(), zlib_stream(content));
}

inline Payload payload_of(const std::string& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

inline PayloadEntry entry_of(std::string_view stream, std::uint64_t unpacked) { return {"file", unpacked, stream, 0}; }

}  // namespace tarven::test
