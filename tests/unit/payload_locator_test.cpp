#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "payload_builder.h"
#include "payload_locator.h"

namespace tarven::payload_tool {
namespace {

using test::little_endian;

// A small PE image: headers, a section table of `.rdata` (holding a 32-byte payload at RVA
// 0x2010) and `.tvnpay` (holding the locator), and the sections' file data.
struct Image {
    static constexpr std::size_t coff = 0x44;
    static constexpr std::size_t table = coff + 20 + 0xF0;
    std::string bytes = std::string(0x800, '\0');

    Image() {
        put(0, "MZ");
        put(0x3C, little_endian(0x40, 4));
        put(0x40, std::string("PE\0\0", 4));
        put(coff, little_endian(0x8664, 2) + little_endian(2, 2));
        put(coff + 16, little_endian(0xF0, 2));
        section(0, ".rdata", 0x2000, 0x100, 0x400, 0x200);
        section(1, ".tvnpay", 0x3000, 24, 0x600, 0x200);
        put(0x600, "TVNPAYLD" + little_endian(1, 4) + little_endian(0x2010, 4) + little_endian(0x20, 8));
    }

    void put(std::size_t offset, const std::string& data) { bytes.replace(offset, data.size(), data); }
    void section(int index, std::string name, std::uint32_t rva, std::uint32_t virtual_size, std::uint32_t raw_offset,
                 std::uint32_t raw_size) {
        name.resize(8, '\0');
        put(table + 40 * static_cast<std::size_t>(index), name + little_endian(virtual_size, 4) +
                                                              little_endian(rva, 4) + little_endian(raw_size, 4) +
                                                              little_endian(raw_offset, 4));
    }
    void locator_field(std::size_t at, std::uint64_t value, int width) { put(0x600 + at, little_endian(value, width)); }
};

struct Row {
    const char* what;
    std::function<void(Image&)> change;
    std::variant<PayloadPlace, LocatorFailure> expected;
};

TEST(PayloadLocator, FindsThePayloadThroughTheSectionTableAndRefusesEveryDamage) {
    using enum LocatorFailure;
    const std::vector<Row> rows = {
        {"the launcher's layout", [](Image&) {}, PayloadPlace{0x410, 0x20}},
        {"an empty payload at a section's end",
         [](Image& i) { i.locator_field(12, 0x2100, 4), i.locator_field(16, 0, 8); }, PayloadPlace{0x500, 0}},
        {"no .tvnpay section", [](Image& i) { i.section(1, ".data", 0x3000, 24, 0x600, 0x200); }, no_locator},
        {"a longer name that starts alike", [](Image& i) { i.section(1, ".tvnpayX", 0x3000, 24, 0x600, 0x200); },
         no_locator},
        {"cut inside the DOS header", [](Image& i) { i.bytes.resize(0x30); }, bad_headers},
        {"PE header offset past the end", [](Image& i) { i.put(0x3C, little_endian(0xFFFFFFF0, 4)); }, bad_headers},
        {"no PE signature", [](Image& i) { i.put(0x40, "NE"); }, bad_headers},
        {"section table past the end", [](Image& i) { i.put(Image::coff + 2, little_endian(0xFFFF, 2)); }, bad_headers},
        {"optional header past the end", [](Image& i) { i.put(Image::coff + 16, little_endian(0xFFFF, 2)); },
         bad_headers},
        {"cut inside the section table", [](Image& i) { i.bytes.resize(Image::table + 60); }, bad_headers},
        {"locator data past the end", [](Image& i) { i.section(1, ".tvnpay", 0x3000, 24, 0xFFFFFFF0, 0x200); },
         bad_locator},
        {"locator section too short", [](Image& i) { i.section(1, ".tvnpay", 0x3000, 23, 0x600, 0x200); }, bad_locator},
        {"wrong magic", [](Image& i) { i.put(0x600, "TVNPAYLX"); }, bad_locator},
        {"a later version", [](Image& i) { i.locator_field(8, 2, 4); }, unknown_version},
        {"RVA in no section", [](Image& i) { i.locator_field(12, 0x9000, 4); }, payload_outside},
        {"size past the section's data", [](Image& i) { i.locator_field(16, 0xF1, 8); }, payload_outside},
        {"size that wraps around", [](Image& i) { i.locator_field(16, ~std::uint64_t{0}, 8); }, payload_outside},
        {"section data past the end", [](Image& i) { i.section(0, ".rdata", 0x2000, 0x100, 0x7F0, 0x200); },
         payload_outside},
    };
    for (const Row& row : rows) {
        Image image;
        row.change(image);
        const LocatorResult result = locate_payload(image.bytes);
        if (const auto* place = std::get_if<PayloadPlace>(&row.expected)) {
            ASSERT_TRUE(std::holds_alternative<PayloadPlace>(result)) << row.what;
            EXPECT_EQ(std::get<PayloadPlace>(result).offset, place->offset) << row.what;
            EXPECT_EQ(std::get<PayloadPlace>(result).size, place->size) << row.what;
        } else {
            ASSERT_TRUE(std::holds_alternative<LocatorError>(result)) << row.what;
            EXPECT_EQ(std::get<LocatorError>(result).failure, std::get<LocatorFailure>(row.expected)) << row.what;
        }
    }
}

}  // namespace
}  // namespace tarven::payload_tool
