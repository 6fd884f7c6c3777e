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

// Writes the payload's files into `folder` (made when missing) as the launcher would: a later
// record of a name replaces an earlier one, so only the last of each name is written. Before
// anything is written, every record is read and inflated, every name must pass the tool's rules,
// and no name may exist in the folder yet; each file is then created new, never through a link.
// `source` names the payload in messages. The failure holds one line per problem, each naming
// the file it is about.
Status extract_payload(const Payload& payload, std::string_view source, const std::filesystem::path& folder);

}  // namespace tarven::payload_tool
