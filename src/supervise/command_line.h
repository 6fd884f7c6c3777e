#pragma once
// The application's command line and environment block, as pure text work.
#include <string>
#include <string_view>
#include <vector>

namespace tarven {

// The program in double quotes, then each argument after one blank; an argument is quoted only
// when it is empty or holds a blank or a tab (backslashes before a quote are doubled, a quote
// inside becomes backslash-quote).
std::wstring build_command_line(std::wstring_view program, const std::vector<std::wstring>& arguments);

// `entries` are "NAME=value" strings as the system lists them. Every TEMP and TMP, whatever its
// case, is replaced by one TEMP and one TMP set to `temp_folder`. The result is the block with
// its NUL separators and the final double NUL.
std::wstring build_environment_block(const std::vector<std::wstring>& entries, std::wstring_view temp_folder);

}  // namespace tarven
