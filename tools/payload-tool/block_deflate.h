#pragma once
// One zlib stream compressed on several threads: the input is cut into blocks of a fixed size,
// each compressed on its own (no reference to an earlier block) and ended with a full flush, the
// last one finished; the blocks follow one zlib header, and the Adler-32 of the whole input,
// combined from the blocks', ends the stream. Any inflater reads it as one stream, and the bytes
// depend on the block size only, never on the number of threads.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "base/result.h"

namespace tarven::payload_tool {

// A full flush every 4 MiB costs well under 1 % of the size (see the README's figures).
inline constexpr std::size_t deflate_block_size = std::size_t{4} << 20;

// Called on the calling thread, in input order, with the input bytes of each block done.
using BlockDone = std::function<void(std::size_t input_bytes)>;

// Level 9 with zlib's default window and memory (the stream starts with 78 DA). `threads` of 0
// counts as 1. A block size at or above the input's size gives zlib's own single-call output.
Result<std::string> deflate_in_blocks(std::string_view data, unsigned threads,
                                      std::size_t block_size = deflate_block_size, const BlockDone& done = {});

}  // namespace tarven::payload_tool
