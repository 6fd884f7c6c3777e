#pragma once
// Reading a small file that another program writes, without trusting what it turned out to be.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarven {

// The whole of a disk file of at most `limit` bytes. Nothing when it cannot be opened or read,
// is longer, or is not a disk file: a pipe or a device could block the read for ever.
std::optional<std::string> read_small_disk_file(const std::wstring& path, std::size_t limit);

// The same for the entry `name` of the folder held by `folder`, opened as itself.
std::optional<std::string> read_small_disk_file(void* folder, std::wstring_view name, std::size_t limit);

}  // namespace tarven
