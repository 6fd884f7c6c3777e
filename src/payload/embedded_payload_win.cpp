#include "payload/embedded_payload.h"

#include <cstdint>

// Defined by the assembler file that includes the payload's bytes.
extern "C" const std::uint8_t tarven_payload_begin[];
extern "C" const std::uint8_t tarven_payload_end[];

namespace tarven {

Payload embedded_payload() {
    return Payload{tarven_payload_begin, static_cast<std::uint64_t>(tarven_payload_end - tarven_payload_begin)};
}

}  // namespace tarven
