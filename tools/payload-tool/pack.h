#pragma once
// Packing files into a payload the launcher will accept, and reading one back.
#include <filesystem>
#include <string>
#include <vector>

#include "base/result.h"

namespace tarven::payload_tool {

// One file to pack: the record's name (the file's name in UTF-8) and where its bytes are.
struct PackInput {
    std::string name;
    std::filesystem::path path;
};

// The folder's regular files, sorted by the bytes of their names. A sub-folder is an error:
// the launcher writes one level only.
Result<std::vector<PackInput>> inputs_of_folder(const std::filesystem::path& folder);

// The given files, in the given order.
Result<std::vector<PackInput>> inputs_of_files(const std::vector<std::filesystem::path>& files);

// Every name the launcher would refuse (not UTF-8, its name rules, a name used twice), one
// line each; empty when all are fine.
std::vector<std::string> refused_names(const std::vector<PackInput>& inputs);

// Writes the payload: one record per input, each a zlib stream at the highest level. The
// output is the same for the same files. On failure nothing is left at `output`.
Status write_payload(const std::vector<PackInput>& inputs, const std::filesystem::path& output);

// The whole file's bytes.
Result<std::string> read_file(const std::filesystem::path& path);

// A path for messages, as UTF-8.
std::string display(const std::filesystem::path& path);

}  // namespace tarven::payload_tool
