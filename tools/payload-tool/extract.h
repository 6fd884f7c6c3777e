#pragma once
// Reading a payload as the launcher would: checking every record in memory, and writing its
// files into a folder.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "base/result.h"
#include "payload/payload.h"

namespace tarven::payload_tool {

struct UnpackedTotals {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

// Unpacks every record in memory with the launcher's own code; the failure is the launcher's
// message for the first bad record.
Result<UnpackedTotals> verify_payload(const Payload& payload);

// What extract writes at most unless told otherwise: far above any payload the launcher carries,
// far below what a forged size field can claim.
inline constexpr std::uint64_t default_max_extract_bytes = std::uint64_t{16} << 30;

// Writes the payload's files into `folder` (made when missing) as the launcher would: a later
// record of a name replaces an earlier one. Before anything is written, every name must pass
// pack's rules (two names that are one file on Windows, too), the unpacked sizes the records
// declare must add up to at most `max_bytes`, every record must inflate to exactly its declared
// size, and no name may exist in the folder yet. Each file is then created new, never through a
// link, and written piece by piece as it is inflated; if writing fails, the files made are
// removed again. `source` names the payload in messages. The failure holds one line per problem,
// each naming the file it is about.
Status extract_payload(const Payload& payload, std::string_view source, const std::filesystem::path& folder,
                       std::uint64_t max_bytes = default_max_extract_bytes);

}  // namespace tarven::payload_tool
