#pragma once
#include "payload/payload.h"

namespace tarven {

// The payload linked into this executable's read-only data.
Payload embedded_payload();

}  // namespace tarven
