#include "payload_locator.h"

#include <algorithm>
#include <optional>

namespace tarven::payload_tool {
namespace {

// PE/COFF layout, from the format's documentation.
constexpr std::uint64_t dos_header_size = 0x40;
constexpr std::uint64_t pe_offset_field = 0x3C;
constexpr std::uint64_t coff_header_size = 20;    // after the 4-byte "PE\0\0"
constexpr std::uint64_t section_count_field = 2;  // within the COFF header
constexpr std::uint64_t optional_size_field = 16;
constexpr std::uint64_t section_entry_size = 40;

// One entry of the section table, with the fields a reader needs.
struct Section {
    std::string_view name;  // 8 bytes, padded with NULs
    std::uint64_t virtual_size = 0;
    std::uint64_t rva = 0;
    std::uint64_t raw_size = 0;
    std::uint64_t raw_offset = 0;

    // The bytes the file holds for this section: the rest of the virtual size is zero-filled.
    std::uint64_t file_size() const { return std::min(virtual_size, raw_size); }
};

// Reads `width` little-endian bytes at `offset`, or nothing when they reach past the end.
std::optional<std::uint64_t> read_le(std::string_view bytes, std::uint64_t offset, int width) {
    if (offset > bytes.size() || bytes.size() - offset < static_cast<std::uint64_t>(width)) return std::nullopt;
    const std::string_view field = bytes.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(width));
    std::uint64_t value = 0;
    for (auto byte = field.rbegin(); byte != field.rend(); ++byte)
        value = (value << 8) | static_cast<unsigned char>(*byte);
    return value;
}

Section section_at(std::string_view entry) {
    return {entry.substr(0, 8), *read_le(entry, 8, 4), *read_le(entry, 12, 4), *read_le(entry, 16, 4),
            *read_le(entry, 20, 4)};
}

// The section table, or nothing when the headers that lead to it are damaged or cut short.
std::optional<std::string_view> section_table(std::string_view image) {
    if (image.size() < dos_header_size || !is_windows_image(image)) return std::nullopt;
    const std::uint64_t pe = *read_le(image, pe_offset_field, 4);
    if (read_le(image, pe, 4) != std::optional<std::uint64_t>(0x4550)) return std::nullopt;  // "PE\0\0"
    const std::uint64_t coff = pe + 4;
    const std::optional<std::uint64_t> count = read_le(image, coff + section_count_field, 2);
    const std::optional<std::uint64_t> optional_size = read_le(image, coff + optional_size_field, 2);
    if (!count || !optional_size) return std::nullopt;
    const std::uint64_t table = coff + coff_header_size + *optional_size;
    const std::uint64_t table_size = *count * section_entry_size;
    if (table > image.size() || image.size() - table < table_size) return std::nullopt;
    return image.substr(static_cast<std::size_t>(table), static_cast<std::size_t>(table_size));
}

bool is_named(const Section& section, std::string_view name) {
    const std::string_view padded = section.name.substr(name.size());
    return section.name.substr(0, name.size()) == name &&
           std::all_of(padded.begin(), padded.end(), [](char c) { return c == '\0'; });
}

// The payload's place in the file, when the RVA and size lie inside one section's file data.
std::optional<PayloadPlace> file_place(std::string_view image, std::string_view table, std::uint64_t rva,
                                       std::uint64_t size) {
    for (std::size_t at = 0; at < table.size(); at += section_entry_size) {
        const Section section = section_at(table.substr(at, section_entry_size));
        if (rva < section.rva || rva - section.rva > section.file_size()) continue;
        if (section.file_size() - (rva - section.rva) < size) continue;
        const std::uint64_t offset = section.raw_offset + (rva - section.rva);
        if (offset > image.size() || image.size() - offset < size) return std::nullopt;
        return PayloadPlace{offset, size};
    }
    return std::nullopt;
}

}  // namespace

bool is_windows_image(std::string_view bytes) { return bytes.substr(0, 2) == "MZ"; }

LocatorResult locate_payload(std::string_view image) {
    const std::optional<std::string_view> table = section_table(image);
    if (!table) return LocatorError{LocatorFailure::bad_headers};
    std::optional<Section> locator;
    for (std::size_t at = 0; at < table->size() && !locator; at += section_entry_size) {
        const Section section = section_at(table->substr(at, section_entry_size));
        if (is_named(section, locator_section_name)) locator = section;
    }
    if (!locator) return LocatorError{LocatorFailure::no_locator};

    if (locator->file_size() < locator_record_size || locator->raw_offset > image.size() ||
        image.size() - locator->raw_offset < locator_record_size)
        return LocatorError{LocatorFailure::bad_locator};
    const std::string_view record = image.substr(static_cast<std::size_t>(locator->raw_offset), locator_record_size);
    if (record.substr(0, locator_magic.size()) != locator_magic) return LocatorError{LocatorFailure::bad_locator};
    const auto version = static_cast<std::uint32_t>(*read_le(record, 8, 4));
    if (version != locator_version) return LocatorError{LocatorFailure::unknown_version, version};

    const std::optional<PayloadPlace> place =
        file_place(image, *table, *read_le(record, 12, 4), *read_le(record, 16, 8));
    if (!place) return LocatorError{LocatorFailure::payload_outside};
    return *place;
}

std::string describe(const LocatorError& error) {
    switch (error.failure) {
        case LocatorFailure::bad_headers:
            return "starts as a Windows program does, but its headers are damaged or cut short";
        case LocatorFailure::no_locator:
            return "a Windows program without a Tarven Help payload (it has no .tvnpay section)";
        case LocatorFailure::bad_locator:
            return "the payload locator in its .tvnpay section is damaged";
        case LocatorFailure::unknown_version:
            return "the payload locator has version " + std::to_string(error.version) + ", this tool reads version " +
                   std::to_string(locator_version);
        case LocatorFailure::payload_outside:
            return "the payload locator places the payload outside the file's data";
    }
    return "unknown locator failure";
}

}  // namespace tarven::payload_tool
