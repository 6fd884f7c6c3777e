#include "block_deflate.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace tarven::payload_tool {
namespace {

// Level 9, default window and memory: the header zlib writes for these is 78 DA.
constexpr char zlib_header[] = {'\x78', '\xDA'};

struct Block {
    std::string deflated;  // raw deflate data, ending byte-aligned
    uLong adler = 0;
    bool failed = false;
};

// Compresses one block with a fresh compressor: a full flush ends every block but the last,
// which is finished.
Block deflate_block(std::string_view input, bool last) {
    Block block;
    block.adler = adler32_z(adler32_z(0, nullptr, 0), reinterpret_cast<const Bytef*>(input.data()), input.size());
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        block.failed = true;
        return block;
    }
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
    z.avail_in = static_cast<uInt>(input.size());
    const int flush = last ? Z_FINISH : Z_FULL_FLUSH;
    char buffer[1 << 16];
    int status = Z_OK;
    do {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        status = deflate(&z, flush);
        block.deflated.append(buffer, sizeof buffer - z.avail_out);
    } while (status == Z_OK && (z.avail_out == 0 || (last && status != Z_STREAM_END)));
    block.failed = last ? status != Z_STREAM_END : status != Z_OK;
    deflateEnd(&z);
    return block;
}

// Blocks compressed by a few threads, handed back in order as each becomes ready.
class BlockQueue {
public:
    // zlib takes at most 4 GiB in one call, which bounds a block.
    BlockQueue(std::string_view data, std::size_t block_size)
        : data_(data),
          block_size_(std::clamp<std::size_t>(block_size, 1, std::numeric_limits<uInt>::max())),
          blocks_(data.empty() ? 1 : 1 + (data.size() - 1) / block_size_) {}

    std::size_t count() const { return blocks_.size(); }
    std::string_view input(std::size_t i) const { return data_.substr(i * block_size_, block_size_); }

    // A thread's whole life: nothing thrown leaves it, a failure is the block's.
    void work() noexcept {
        for (std::size_t i = next_++; i < blocks_.size(); i = next_++) {
            Block block;
            try {
                block = deflate_block(input(i), i + 1 == blocks_.size());
            } catch (const std::exception&) {
                block = Block{{}, 0, true};
            }
            const std::lock_guard lock(mutex_);
            blocks_[i] = std::move(block);
            ready_.notify_all();
        }
    }

    Block take(std::size_t i) {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [&] { return blocks_[i].has_value(); });
        Block block = std::move(*blocks_[i]);
        blocks_[i].reset();
        return block;
    }

private:
    std::string_view data_;
    std::size_t block_size_;
    std::atomic<std::size_t> next_{0};
    std::mutex mutex_;
    std::condition_variable ready_;
    std::vector<std::optional<Block>> blocks_;
};

// Joins the workers however the caller leaves, so that no thread outlives the queue.
struct JoinAll {
    std::vector<std::thread>& threads;
    ~JoinAll() {
        for (std::thread& thread : threads)
            if (thread.joinable()) thread.join();
    }
};

void append_big_endian(std::string& out, uLong value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

}  // namespace

Result<std::string> deflate_in_blocks(std::string_view data, unsigned threads, std::size_t block_size,
                                      const BlockDone& done) {
    BlockQueue queue(data, block_size);
    std::vector<std::thread> workers;
    const JoinAll join_all{workers};
    const std::size_t worker_count = std::clamp<std::size_t>(threads, 1, queue.count());
    for (std::size_t i = 0; i < worker_count; ++i) workers.emplace_back([&queue] { queue.work(); });

    std::string out(zlib_header, sizeof zlib_header);
    uLong adler = adler32_z(0, nullptr, 0);
    bool failed = false;
    for (std::size_t i = 0; i < queue.count(); ++i) {
        const Block block = queue.take(i);
        failed = failed || block.failed;
        out += block.deflated;
        const std::size_t length = queue.input(i).size();
        adler = adler32_combine(adler, block.adler, static_cast<z_off_t>(length));
        if (done) done(length);
    }
    if (failed) return fail("zlib failed to compress");
    append_big_endian(out, adler);
    return out;
}

}  // namespace tarven::payload_tool
