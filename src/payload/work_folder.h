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

// The same path in the form the system's own file calls take ("C:\a" → "\??\C:\a").
std::wstring system_path(std::wstring_view full_path);

// What a new work folder is created with, instead of the temp directory's rights (a shared
// C:\Temp lets every user in): full control for the user `user_sid` ("S-1-5-21-…"), SYSTEM and
// Administrators only, inherited by everything inside. An elevated run's folder also carries the
// high integrity level, so that the same user's programs below it (a browser's sandbox, anything
// started without elevation) can neither write in it nor rename or delete what it holds.
std::wstring work_folder_sddl(std::wstring_view user_sid, bool elevated);

}  // namespace tarven
