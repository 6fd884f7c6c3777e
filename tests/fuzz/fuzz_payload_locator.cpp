// Reads arbitrary bytes as a built launcher: every read must stay inside them, and a payload
// found must lie inside them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "payload_locator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view image(reinterpret_cast<const char*>(data), size);
    const tarven::payload_tool::LocatorResult result = tarven::payload_tool::locate_payload(image);
    if (const auto* place = std::get_if<tarven::payload_tool::PayloadPlace>(&result)) {
        if (place->offset > size || size - place->offset < place->size) std::abort();
    } else if (tarven::payload_tool::describe(std::get<tarven::payload_tool::LocatorError>(result)).empty()) {
        std::abort();
    }
    return 0;
}
