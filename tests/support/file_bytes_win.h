#pragma once
// A whole file as a test reads it back.
#include <optional>
#include <string>

namespace tarven::test {

// The whole file, or nothing when it cannot be opened or read. Opened with all sharing, so that
// a file another process still writes or is deleting can be read.
std::optional<std::string> read_file_bytes(const std::wstring& path);

}  // namespace tarven::test
