#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "block_deflate.h"
#include "payload/inflate.h"
#include "payload_builder.h"

namespace tarven::payload_tool {
namespace {

std::string sample(std::size_t size) {
    std::string text;
    for (std::size_t i = 0; text.size() < size; ++i) text += std::to_string(i * i % 977) + (i % 7 ? " " : "\n");
    return text.substr(0, size);
}

TEST(BlockDeflate, OneStreamWhateverTheThreadsAndWhereverTheBlocksEnd) {
    constexpr std::size_t block = 1000;
    for (const std::size_t size : {0U, 1U, 999U, 1000U, 1001U, 2000U, 5500U}) {
        const std::string data = sample(size);
        const Result<std::string> one = deflate_in_blocks(data, 1, block);
        ASSERT_TRUE(one) << size;
        for (const unsigned threads : {2U, 7U}) EXPECT_EQ(deflate_in_blocks(data, threads, block).value(), one.value());
        // The launcher's inflater reads it as any zlib stream, trailer included.
        const Result<std::string> inflated = inflate_whole({"file", size, one.value(), 0});
        ASSERT_TRUE(inflated) << size << ": " << inflated.error();
        EXPECT_EQ(inflated.value(), data) << size;
        // A single block is what zlib makes in one call.
        EXPECT_EQ(deflate_in_blocks(data, 2, size + 1).value(), test::zlib_stream(data)) << size;
    }
}

TEST(BlockDeflate, ReportsEachBlockInOrder) {
    std::vector<std::size_t> done;
    const Result<std::string> stream =
        deflate_in_blocks(sample(2500), 3, 1000, [&](std::size_t n) { done.push_back(n); });
    ASSERT_TRUE(stream);
    EXPECT_EQ(done, (std::vector<std::size_t>{1000, 1000, 500}));
}

}  // namespace
}  // namespace tarven::payload_tool
