#pragma once
// The per-run work folder's name. The folder itself is made and removed in work_folder_win.
#include <cstdint>
#include <string>

namespace tarven {

// "TarvenHelp-<pid>-<ns since 1970 in lowercase hex>", from a FILETIME reading (100 ns steps
// since 1601). A clock before 1970 gives the time value 0.
std::string work_folder_name(std::uint32_t process_id, std::uint64_t filetime);

}  // namespace tarven
