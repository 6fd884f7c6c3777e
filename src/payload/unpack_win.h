#pragma once
#include <memory>

#include "base/result.h"
#include "payload/payload.h"
#include "payload/unpack.h"
#include "payload/work_folder_win.h"

namespace tarven {

class StarterGate;

// The writer that unpacking into the folder uses, for a caller that wraps it.
std::unique_ptr<EntryWriter> make_folder_writer(const WorkFolder& folder, StarterGate& gate);

// Unpacks every record into the folder, each file under its literal name. Every file is created
// and every piece written while holding the gate, and the unpacking ends early once the gate has
// been closed.
Result<UnpackEnd> unpack_payload(const Payload& payload, const WorkFolder& folder, StarterGate& gate,
                                 const UnpackOptions& options = {});

}  // namespace tarven
