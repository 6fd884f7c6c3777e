#include "strict_names.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

#include "base/utf8.h"
#include "words/user_words.h"

namespace tarven::payload_tool {
namespace {

constexpr std::string_view windows_refused_characters = "<>:\"/\\|?*";

// Windows opens a device for these whatever the extension; superscript digits count as digits.
constexpr std::array<std::string_view, 2> numbered_devices = {"COM", "LPT"};
constexpr std::array<std::string_view, 6> plain_devices = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
constexpr std::array<std::string_view, 13> device_digits = {"0", "1", "2", "3",        "4",        "5",       "6",
                                                            "7", "8", "9", "\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};

// What the launcher makes in its work folder beside the payload's files.
constexpr std::array<std::string_view, 3> launcher_names = {"tmp", "port", "webview"};

constexpr std::pair<char32_t, char32_t> simple_uppercase[] = {
#include "case_table.inc"
};

char32_t windows_upper(char32_t c) {
    const auto* found = std::lower_bound(std::begin(simple_uppercase), std::end(simple_uppercase), c,
                                         [](const auto& pair, char32_t wanted) { return pair.first < wanted; });
    return found != std::end(simple_uppercase) && found->first == c ? found->second : c;
}

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ascii_upper(x) == ascii_upper(y); });
}

bool is_device_stem(std::string_view stem) {
    auto is = [stem](std::string_view device) { return same_ignoring_case(stem, device); };
    if (std::any_of(plain_devices.begin(), plain_devices.end(), is)) return true;
    for (const std::string_view prefix : numbered_devices) {
        if (stem.size() <= prefix.size() || !same_ignoring_case(stem.substr(0, prefix.size()), prefix)) continue;
        const std::string_view digit = stem.substr(prefix.size());
        if (std::find(device_digits.begin(), device_digits.end(), digit) != device_digits.end()) return true;
    }
    return false;
}

// The part before the first dot, without the spaces Windows drops before it.
std::string_view device_stem(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    return stem;
}

// Windows may give a long name a short alias of this shape (FOO~1.TXT), and a file created under
// such a name can open another file of the folder through its alias.
bool ends_in_alias_number(std::string_view part) {
    std::size_t digits = 0;
    while (digits < part.size() && part[part.size() - 1 - digits] >= '0' && part[part.size() - 1 - digits] <= '9')
        ++digits;
    return digits > 0 && digits < part.size() && part[part.size() - 1 - digits] == '~';
}

// A "~" and digits at the end of the name or of the part before its extension (the last dot).
bool is_short_name_shaped(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return ends_in_alias_number(name) || (dot != std::string_view::npos && ends_in_alias_number(name.substr(0, dot)));
}

bool has_refused_character(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || windows_refused_characters.find(c) != std::string_view::npos;
    });
}

}  // namespace

std::optional<std::string> strict_name_refusal(std::string_view name) {
    if (has_refused_character(name)) return "Windows refuses control characters and <>:\"/\\|?* in file names";
    if (!name.empty() && (name.back() == '.' || name.back() == ' '))
        return "Windows drops a dot or a space at the end of a file name";
    if (is_device_stem(device_stem(name))) return "Windows takes it for a device, whatever its extension";
    if (is_short_name_shaped(name)) return std::string(words::short_name_shaped);
    const auto is_launchers = [key = windows_name_key(name)](std::string_view own) {
        return key == windows_name_key(own);
    };
    if (std::any_of(launcher_names.begin(), launcher_names.end(), is_launchers))
        return "the launcher keeps a file or folder of that name in its work folder";
    return std::nullopt;
}

std::u32string windows_name_key(std::string_view name) {
    std::u32string key = decode_utf8(name).value_or(std::u32string{});
    std::transform(key.begin(), key.end(), key.begin(), windows_upper);
    return key;
}

}  // namespace tarven::payload_tool
