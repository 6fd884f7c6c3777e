#include "supervise/command_line.h"

#include <algorithm>
#include <array>

namespace tarven {
namespace {

bool needs_quotes(std::wstring_view argument) {
    return argument.empty() || argument.find_first_of(L" \t") != std::wstring_view::npos;
}

// The form that the usual command-line parser (CommandLineToArgvW, the C runtime) reads back
// as exactly `argument`. Quotes are escaped even outside double quotes: unescaped, a quote
// would toggle quoting for the rest of the line.
void append_argument(std::wstring& line, std::wstring_view argument) {
    const bool quoted = needs_quotes(argument);
    if (quoted) line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count as escapes only when a quote follows them.
        if (c == L'"') backslashes = backslashes * 2 + 1;
        line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    if (quoted) backslashes *= 2;
    line.append(backslashes, L'\\');
    if (quoted) line += L'"';
}

wchar_t ascii_upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// The variable's name: up to the first '=' after the first character, since hidden entries
// such as "=C:=C:\dir" begin with one.
std::wstring_view name_of(std::wstring_view entry) {
    const std::size_t end = entry.find(L'=', 1);
    return end == std::wstring_view::npos ? entry : entry.substr(0, end);
}

std::wstring upper_name(std::wstring_view entry) {
    std::wstring name(name_of(entry));
    std::transform(name.begin(), name.end(), name.begin(), ascii_upper);
    return name;
}

bool is_temp_variable(std::wstring_view entry) {
    const std::wstring name = upper_name(entry);
    return name == L"TEMP" || name == L"TMP";
}

// The system keeps its block sorted by upper-cased name; the new entries go where that order
// puts them, so a sorted block stays sorted.
void insert_sorted(std::vector<std::wstring>& entries, std::wstring_view name, std::wstring entry) {
    const auto place = std::find_if(entries.begin(), entries.end(), [&](const std::wstring& e) {
        return !e.empty() && e.front() != L'=' && upper_name(e) > name;
    });
    entries.insert(place, std::move(entry));
}

}  // namespace

std::wstring build_command_line(std::wstring_view program, const std::vector<std::wstring>& arguments) {
    std::wstring line = L"\"";
    line += program;
    line += L'"';
    for (const std::wstring& argument : arguments) {
        line += L' ';
        append_argument(line, argument);
    }
    return line;
}

std::wstring build_environment_block(const std::vector<std::wstring>& entries, std::wstring_view temp_folder) {
    std::vector<std::wstring> kept;
    kept.reserve(entries.size() + 2);
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(kept),
                 [](const std::wstring& e) { return !e.empty() && !is_temp_variable(e); });
    for (const std::wstring_view name : std::array<std::wstring_view, 2>{L"TEMP", L"TMP"})
        insert_sorted(kept, name, std::wstring(name) + L'=' + std::wstring(temp_folder));

    std::wstring block;
    for (const std::wstring& entry : kept) {
        block += entry;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

}  // namespace tarven
