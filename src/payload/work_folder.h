#pragma once
// The per-run work folder's name, and the literal form of paths inside it. The folder itself is
// made and removed in work_folder_win.
#include <cstdint>
#include <string>
#include <string_view>

namespace tarven {

// "TarvenHelp-<pid>-<ns since 1970 in lowercase hex>", from a FILETIME reading (100 ns steps
// since 1601). A clock before 1970 gives the time value 0.
std::string work_folder_name(std::uint32_t process_id, std::uint64_t filetime);

// The `\\?\` form of a full, normalised path ("C:\a" → "\\?\C:\a", "\\server\share" →
// "\\?\UNC\server\share"; a path already in that form is kept). The file system takes such a path
// literally: no device names, no trailing dots or blanks dropped, no MAX_PATH limit. Used only for
// the launcher's own file operations; everything handed to others keeps the plain form.
std::wstring extended_length_path(std::wstring_view full_path);

}  // namespace tarven
