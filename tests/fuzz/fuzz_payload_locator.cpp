// Reads arbitrary bytes as a built launcher: every read must stay inside them, and a payload
// found must lie inside them.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "fuzz_check.h"
#include "payload_locator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarven::payload_tool;
    const LocatorResult result = locate_payload(std::string_view(reinterpret_cast<const char*>(data), size));
    if (const auto* place = std::get_if<PayloadPlace>(&result))
        tarven::fuzz::require(place->offset <= size && size - place->offset >= place->size);
    else
        tarven::fuzz::require(!describe(std::get<LocatorError>(result)).empty());
    return 0;
}
