#pragma once
#include "base/result.h"
#include "payload/payload.h"
#include "payload/unpack.h"
#include "payload/work_folder_win.h"

namespace tarven {

class StarterGate;

// Unpacks every record into the folder. Each file is written while holding the gate, and the
// walk ends early once the gate has been closed.
Result<UnpackEnd> unpack_payload(const Payload& payload, const WorkFolder& folder, StarterGate& gate);

}  // namespace tarven
