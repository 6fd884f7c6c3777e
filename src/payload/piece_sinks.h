#pragma once
// Where the inflater's pieces go: straight to a function, or to a writer thread that writes one
// piece while the next is being inflated.
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "payload/inflate.h"

namespace tarven {

// Takes one piece; false when no more are wanted.
using PieceWrite = std::function<bool(std::string_view piece)>;

// One buffer; each piece is written before the inflater goes on.
class DirectSink final : public PieceSink {
public:
    DirectSink(PieceWrite write, std::size_t piece_size);
    std::span<char> room() override { return {buffer_.get(), size_}; }
    bool filled(std::size_t size) override { return write_({buffer_.get(), size}); }

private:
    PieceWrite write_;
    std::size_t size_;
    std::unique_ptr<char[]> buffer_;
};

// `depth` buffers in a ring: the inflater fills one while a thread of its own writes the others,
// in order. The inflater waits only when every buffer is waiting to be written.
class WriteBehindSink final : public PieceSink {
public:
    WriteBehindSink(PieceWrite write, std::size_t piece_size, std::size_t depth);
    ~WriteBehindSink() override;
    WriteBehindSink(const WriteBehindSink&) = delete;
    WriteBehindSink& operator=(const WriteBehindSink&) = delete;

    std::span<char> room() override;
    bool filled(std::size_t size) override;
    // Returns once every piece handed over has been written (or refused).
    void finish();

private:
    void write_pieces();

    PieceWrite write_;
    std::size_t piece_size_;
    std::vector<std::unique_ptr<char[]>> buffers_;
    std::vector<std::size_t> sizes_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t head_ = 0;    // the oldest piece not yet written
    std::size_t queued_ = 0;  // pieces handed over and not yet written
    bool refused_ = false;    // the writer wants no more pieces
    bool finishing_ = false;
    std::thread thread_;
};

}  // namespace tarven
