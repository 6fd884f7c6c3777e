#pragma once
// Packing files into a payload the launcher will accept, and reading one back.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/result.h"
#include "posix_file.h"

namespace tarven::payload_tool {

// One file to pack: the record's name (the file's name in UTF-8), its path for messages, and
// the file itself, open since it was listed.
struct PackInput {
    std::string name;
    std::filesystem::path path;
    UniqueFd file;
    std::uint64_t size_hint = 0;  // the size the file claimed when opened; the record holds what is read
};

// Each input is opened once, when it is listed, without following a symbolic link and without
// waiting (a FIFO would wait for a writer), and is packed only if what was opened is a regular
// file: anything else, a link to a regular file too, is refused with a message naming it. The
// listing itself takes names only, so a file swapped for something else after the listing is
// judged by what the open meets.

// The folder's files, sorted by the bytes of their names. A sub-folder is an error: the launcher
// writes one level only.
Result<std::vector<PackInput>> inputs_of_folder(const std::filesystem::path& folder);

// The given files, in the given order.
Result<std::vector<PackInput>> inputs_of_files(const std::vector<std::filesystem::path>& files);

// The input's bytes, read from its open file to the end.
Result<std::string> read_content(const PackInput& input);

// Why the tool refuses a record's name (the launcher's rules, then the tool's stricter ones),
// or nothing when it is fine. `name` must be valid UTF-8.
std::optional<std::string> name_refusal(std::string_view name);

// The names met so far as Windows files, to find two that would be one file.
class WindowsFiles {
public:
    // Why `name` (valid UTF-8) is refused after the names met before it: it is the same file on
    // Windows as one of them. With `same_name_replaces`, the very same name again is fine: a
    // later record of a name replaces the earlier one, as the launcher writes them.
    std::optional<std::string> clash(std::string_view name, bool same_name_replaces);

private:
    std::map<std::u32string, std::string> first_spellings_;  // by windows_name_key
};

// Every name the tool refuses (not UTF-8, `name_refusal`, a name used twice, even in another
// case), one line each starting with the file's path; empty when all are fine.
std::vector<std::string> refused_names(const std::vector<PackInput>& inputs);

// How far packing has come: files written, and input bytes compressed.
struct PackProgress {
    std::size_t files = 0;
    std::uint64_t bytes = 0;
};

struct PackOptions {
    unsigned threads = 1;                               // the output is the same for any count
    std::function<void(const PackProgress&)> progress;  // called after each block and each file
};

// Writes the payload: one record per input, each a zlib stream at the highest level compressed
// in blocks (block_deflate.h). The output is the same for the same files. On failure nothing is
// left at `output`.
Status write_payload(const std::vector<PackInput>& inputs, const std::filesystem::path& output,
                     const PackOptions& options);

// The whole file's bytes (following links: this is the payload the user named).
Result<std::string> read_file(const std::filesystem::path& path);

// `text` (valid UTF-8) as it is when every character shows plainly, otherwise in the quoted form
// of names, so that nothing printed can move the cursor or retitle the terminal.
std::string plain_or_quoted(std::string_view text);

// A path for messages, as UTF-8 (`plain_or_quoted`).
std::string display(const std::filesystem::path& path);

}  // namespace tarven::payload_tool
