#pragma once
#include <string>

#include "base/result.h"
#include "payload/payload.h"

namespace tarven {

// Inflates the entry's zlib stream (header and Adler-32 trailer checked) into at most
// `unpacked_size` bytes. The failure's text says what went wrong with the stream. Bytes after
// the stream's end are ignored.
Result<std::string> inflate_entry(const PayloadEntry& entry);

}  // namespace tarven
