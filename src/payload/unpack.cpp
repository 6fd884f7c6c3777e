#include "payload/unpack.h"

#include <algorithm>
#include <new>
#include <optional>
#include <variant>
#include <vector>

#include "payload/entry_name.h"
#include "payload/inflate.h"
#include "payload/piece_sinks.h"
#include "payload/worker_pool.h"
#include "words/user_words.h"

namespace tarven {

std::string unreadable_record_message(const RecordError& error) {
    switch (error.failure) {
        case RecordFailure::not_text:
            return std::string(words::name_not_text);
        case RecordFailure::bad_name:
            return words::refused_name(quote_entry_name(error.name));
        case RecordFailure::cut_short:
            break;
    }
    return std::string(words::files_cut_short);
}

namespace {

// Every record's header, read in payload order up to the first that cannot be read.
struct Records {
    std::vector<PayloadEntry> entries;
    std::optional<RecordError> unreadable;  // of the record after the last entry
};

Records read_records(const Payload& payload) {
    Records records;
    for (std::uint64_t offset = 0; offset < payload.size;) {
        RecordResult record = next_record(payload, offset);
        if (auto* error = std::get_if<RecordError>(&record)) {
            records.unreadable = *error;
            break;
        }
        records.entries.push_back(std::get<PayloadEntry>(record));
        offset = records.entries.back().next_offset;
    }
    return records;
}

// Marks each record whose file an earlier record already wrote: names that compare equal.
std::vector<bool> replacing_records(const std::vector<PayloadEntry>& entries, const EntryWriter& writer) {
    std::vector<std::size_t> order(entries.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    const auto name_less = [&](std::size_t a, std::size_t b) {
        return writer.compare_names(entries[a].name, entries[b].name) < 0;
    };
    // Stable: among equal names the first in payload order stays first.
    std::stable_sort(order.begin(), order.end(), name_less);
    std::vector<bool> replacing(entries.size(), false);
    for (std::size_t i = 1; i < order.size(); ++i)
        if (!name_less(order[i - 1], order[i])) replacing[order[i]] = true;
    return replacing;
}

class Unpacking {
public:
    Unpacking(std::vector<PayloadEntry> entries, EntryWriter& writer, const UnpackOptions& options)
        : entries_(std::move(entries)), writer_(writer), options_(options) {}

    // Every record that writes a new file, in parallel; then, one after another in payload order,
    // those that replace a file, each once everything before it is settled, as a walk in payload
    // order would have it: records of one file are never written at the same time, the later
    // content wins, and a failure before a replacing record leaves the earlier file whole.
    void run(const std::vector<bool>& replacing, unsigned workers) {
        std::vector<std::size_t> first_writers;
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (!replacing[i]) first_writers.push_back(i);
        run_jobs(first_writers.size(), workers, [&](std::size_t job) { unpack_guarded(first_writers[job], false); });
        for (std::size_t i = 0; i < entries_.size(); ++i)
            if (replacing[i]) unpack_guarded(i, true);
    }

    EarliestOutcome& outcome() { return outcome_; }

private:
    // Whether the work on record `index` is no longer wanted: the writer is stopping, or an
    // earlier record already decided the outcome.
    bool abandoned(std::size_t index) { return outcome_.decided_before(index) || writer_.stop_requested(); }

    std::string shown_name(std::size_t index) const {
        const std::string_view name = entries_[index].name;
        return options_.shown_name != nullptr ? options_.shown_name(name) : std::string(name);
    }

    // Nothing may leave a worker thread; buffers are what can run out.
    void unpack_guarded(std::size_t index, bool replaces_a_file) noexcept {
        try {
            unpack_record(index, replaces_a_file);
        } catch (const std::bad_alloc&) {
            outcome_.failed(index, words::damaged(shown_name(index), "out of memory"));
        } catch (const std::exception&) {
            outcome_.failed(index, words::damaged(shown_name(index), "inflater error"));
        }
    }

    void unpack_record(std::size_t index, bool replaces_a_file) {
        const PayloadEntry& entry = entries_[index];
        if (outcome_.decided_before(index)) return;
        if (writer_.stop_requested()) return outcome_.stopped(index);
        // The earlier record's file stays whole unless this record's stream is good.
        if (replaces_a_file && !check_stream(index)) return;

        auto created = replaces_a_file ? writer_.replace(entry.name) : writer_.create(entry.name);
        if (created && created.value().end == UnpackEnd::stopped) return outcome_.stopped(index);
        EntryFile* file = created ? created.value().file.get() : nullptr;
        std::optional<std::string> write_error;
        // After a failed create or write the stream is still inflated to its end: a damaged
        // stream is reported ahead of the file that could not be written.
        const PieceWrite write = [&](std::string_view piece) {
            if (abandoned(index)) return false;
            if (file == nullptr || write_error) return true;
            auto written = file->write(piece);
            if (!written) write_error = written.error();
            return !written || written.value() == UnpackEnd::done;
        };
        const auto inflated = inflate_into(entry, write, options_.write_behind);
        if (!inflated || inflated.value().end == UnpackEnd::stopped) {
            if (file != nullptr && !inflated) file->discard();
            return settle_inflating(index, inflated);
        }
        if (inflated.value().size != entry.unpacked_size) {
            if (file != nullptr) file->discard();
            return outcome_.failed(index, words::wrong_size(shown_name(index)));
        }
        if (!created) return outcome_.failed(index, words::not_unpacked(shown_name(index), created.error()));
        if (write_error) return outcome_.failed(index, words::not_unpacked(shown_name(index), *write_error));
    }

    // Inflates the record without writing it; false when that settled its outcome.
    bool check_stream(std::size_t index) {
        const PayloadEntry& entry = entries_[index];
        const auto inflated = inflate_into(
            entry, [&](std::string_view) { return !abandoned(index); }, 0);
        if (!inflated || inflated.value().end == UnpackEnd::stopped) {
            settle_inflating(index, inflated);
            return false;
        }
        if (inflated.value().size != entry.unpacked_size) {
            outcome_.failed(index, words::wrong_size(shown_name(index)));
            return false;
        }
        return true;
    }

    void settle_inflating(std::size_t index, const Result<Inflated>& inflated) {
        if (!inflated) return outcome_.failed(index, words::damaged(shown_name(index), inflated.error()));
        outcome_.stopped(index);
    }

    // A file of more than one piece is written by a thread of its own while its next pieces are
    // inflated, `depth` pieces ahead at most.
    Result<Inflated> inflate_into(const PayloadEntry& entry, const PieceWrite& write, std::size_t depth) {
        const std::size_t piece = std::max<std::size_t>(options_.piece_size, 1);
        if (depth > 0 && entry.unpacked_size > piece) {
            WriteBehindSink sink(write, piece, depth);
            auto inflated = inflate_entry(entry, sink);
            sink.finish();
            return inflated;
        }
        DirectSink sink(write, static_cast<std::size_t>(std::clamp<std::uint64_t>(entry.unpacked_size, 1, piece)));
        return inflate_entry(entry, sink);
    }

    std::vector<PayloadEntry> entries_;
    EntryWriter& writer_;
    const UnpackOptions& options_;
    EarliestOutcome outcome_;
};

class CountedFile final : public EntryFile {
public:
    explicit CountedFile(std::atomic<std::uint64_t>& bytes) : bytes_(bytes) {}
    Result<UnpackEnd> write(std::string_view piece) override {
        bytes_ += piece.size();
        return UnpackEnd::done;
    }
    // Nothing was kept to take away, and the damaged record fails the verification anyway.
    void discard() override {}

private:
    std::atomic<std::uint64_t>& bytes_;
};

}  // namespace

Result<CreatedFile> CountingWriter::create(std::string_view) {
    ++files;
    return CreatedFile{UnpackEnd::done, std::make_unique<CountedFile>(bytes)};
}

Result<UnpackEnd> unpack_payload(const Payload& payload, EntryWriter& writer, const UnpackOptions& options) {
    Records records = read_records(payload);
    const std::size_t readable = records.entries.size();
    const std::vector<bool> replacing = replacing_records(records.entries, writer);
    Unpacking unpacking(std::move(records.entries), writer, options);
    unpacking.run(replacing, options.workers > 0 ? options.workers : default_worker_count());

    // The record that could not be read comes after every readable one.
    if (records.unreadable && !unpacking.outcome().decided_before(readable)) {
        if (writer.stop_requested()) return UnpackEnd::stopped;
        return fail(unreadable_record_message(*records.unreadable));
    }
    return unpacking.outcome().result();
}

}  // namespace tarven
