#include "payload/piece_sinks.h"

#include <system_error>

namespace tarven {

DirectSink::DirectSink(PieceWrite write, std::size_t piece_size)
    : write_(std::move(write)), size_(piece_size), buffer_(std::make_unique<char[]>(piece_size)) {}

WriteBehindSink::WriteBehindSink(PieceWrite write, std::size_t piece_size, std::size_t depth)
    : write_(std::move(write)), piece_size_(piece_size), sizes_(depth) {
    for (std::size_t i = 0; i < depth; ++i) buffers_.push_back(std::make_unique<char[]>(piece_size));
    try {
        thread_ = std::thread([this] { write_pieces(); });
    } catch (const std::system_error&) {
        // No thread: filled() writes each piece itself.
    }
}

WriteBehindSink::~WriteBehindSink() { finish(); }

std::span<char> WriteBehindSink::room() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return queued_ < buffers_.size(); });
    return {buffers_[(head_ + queued_) % buffers_.size()].get(), piece_size_};
}

bool WriteBehindSink::filled(std::size_t size) {
    std::unique_lock lock(mutex_);
    const std::size_t slot = (head_ + queued_) % buffers_.size();
    if (!thread_.joinable()) {
        lock.unlock();
        return write_({buffers_[slot].get(), size});
    }
    sizes_[slot] = size;
    ++queued_;
    changed_.notify_all();
    return !refused_;
}

void WriteBehindSink::finish() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void WriteBehindSink::write_pieces() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return queued_ > 0 || finishing_; });
        if (queued_ == 0) return;
        const std::string_view piece(buffers_[head_].get(), sizes_[head_]);
        const bool wanted = !refused_;
        lock.unlock();
        const bool still_wanted = wanted && write_(piece);
        lock.lock();
        if (!still_wanted) refused_ = true;
        head_ = (head_ + 1) % buffers_.size();
        --queued_;
        changed_.notify_all();
    }
}

}  // namespace tarven
