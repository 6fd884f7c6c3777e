#pragma once
// Finding the payload inside a built launcher, through the locator that the build adds.
//
// The launcher's build (src/payload/embedded_payload.S.in) puts one record in a read-only
// section of its own named ".tvnpay". All integers are little-endian:
//
//   offset  width  field
//   0       8      magic "TVNPAYLD"
//   8       4      version, 1 for this layout
//   12      4      the payload's RVA (relative to the image base)
//   16      8      the payload's size in bytes
//
// A reader finds the section by name in the PE section table, reads the record at the start of
// the section's file data, and maps the RVA to a file offset through the section table. The
// payload must lie wholly inside one section's file data. A change of the layout bumps the
// version; a reader refuses versions it does not know. Nothing here scans the image's bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace tarven::payload_tool {

inline constexpr std::string_view locator_section_name = ".tvnpay";
inline constexpr std::string_view locator_magic = "TVNPAYLD";
inline constexpr std::uint32_t locator_version = 1;
inline constexpr std::size_t locator_record_size = 24;

// Where the payload lies in the image file.
struct PayloadPlace {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

enum class LocatorFailure {
    bad_headers,      // the DOS or PE headers or the section table are damaged or cut short
    no_locator,       // a Windows program without a ".tvnpay" section
    bad_locator,      // the section is too short for the record, or the magic is wrong
    unknown_version,  // a locator of a layout this reader does not know
    payload_outside,  // the RVA and size are not inside one section's file data
};

struct LocatorError {
    LocatorFailure failure = LocatorFailure::bad_headers;
    std::uint32_t version = 0;  // for unknown_version
};

using LocatorResult = std::variant<PayloadPlace, LocatorError>;

// True when the bytes start as a Windows program does ("MZ"). A payload never does: its first
// two bytes are a name length of at most 128.
bool is_windows_image(std::string_view bytes);

// Every offset and size read from `image` is checked against its length before use.
LocatorResult locate_payload(std::string_view image);

// The error in plain words, for a message about the file.
std::string describe(const LocatorError& error);

}  // namespace tarven::payload_tool
