#include "payload/work_folder.h"

#include <cstdio>

namespace tarven {
namespace {

// FILETIME of 1970-01-01 00:00:00 UTC.
constexpr std::uint64_t unix_epoch_filetime = 116444736000000000ULL;

struct U128 {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
};

// a × 100 without a 128-bit type: both 32-bit halves times 100 fit in 64 bits.
U128 times_100(std::uint64_t a) {
    const std::uint64_t upper = (a >> 32) * 100;  // < 2^39
    const std::uint64_t lower = (a & 0xFFFFFFFFu) * 100;
    U128 r;
    r.low = (upper << 32) + lower;
    const std::uint64_t carry = r.low < lower ? 1 : 0;
    r.high = (upper >> 32) + carry;
    return r;
}

std::string hex(U128 value) {
    char text[40];
    if (value.high != 0)
        std::snprintf(text, sizeof text, "%llx%016llx", static_cast<unsigned long long>(value.high),
                      static_cast<unsigned long long>(value.low));
    else
        std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value.low));
    return text;
}

}  // namespace

std::string work_folder_name(std::uint32_t process_id, std::uint64_t filetime) {
    const U128 nanoseconds = filetime < unix_epoch_filetime ? U128{} : times_100(filetime - unix_epoch_filetime);
    return "TarvenHelp-" + std::to_string(process_id) + "-" + hex(nanoseconds);
}

std::wstring extended_length_path(std::wstring_view full_path) {
    constexpr std::wstring_view literal = L"\\\\?\\";
    constexpr std::wstring_view unc = L"\\\\";
    if (full_path.starts_with(literal)) return std::wstring(full_path);
    if (full_path.starts_with(unc)) return L"\\\\?\\UNC\\" + std::wstring(full_path.substr(unc.size()));
    return std::wstring(literal) + std::wstring(full_path);
}

std::wstring system_path(std::wstring_view full_path) {
    std::wstring path = extended_length_path(full_path);
    path[1] = L'?';  // "\\?\" → "\??\"
    return path;
}

std::wstring work_folder_sddl(std::wstring_view user_sid, bool elevated) {
    // P: protected, nothing comes from the temp directory; OICI: files and folders inside inherit.
    std::wstring sddl = L"D:P(A;OICI;FA;;;";
    sddl += user_sid;
    sddl += L")(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
    // No write up only: reading or running what the folder holds gives a lower level nothing it
    // could not get from the payload itself, and the web view's own lower-level helpers may read.
    if (elevated) sddl += L"S:(ML;OICI;NW;;;HI)";
    return sddl;
}

}  // namespace tarven
