#pragma once
// Unpacking the payload: every record's header is read first, in payload order; then the files
// are inflated in pieces and written by a small pool, each piece as it comes. What the caller
// sees is what a walk of one record after another would give: the first record in payload order
// that fails decides the message. The launcher's writer puts files into the work folder; the
// payload tool's verifier only counts them.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/result.h"
#include "payload/earliest_outcome.h"
#include "payload/payload.h"

namespace tarven {

// The message for a record that could not be read at all.
std::string unreadable_record_message(const RecordError& error);

// One file being written.
class EntryFile {
public:
    virtual ~EntryFile() = default;
    // Appends one piece (done), or nothing once the writer is stopping (stopped). The failure's
    // text is the OS error as the launcher renders it.
    virtual Result<UnpackEnd> write(std::string_view piece) = 0;
    // Takes the file away again: its record turned out damaged.
    virtual void discard() = 0;
};

// The file made for a record; none when the writer was stopping.
struct CreatedFile {
    UnpackEnd end = UnpackEnd::done;
    std::unique_ptr<EntryFile> file;  // when done
};

// Where the files go. Used from several threads at once, never for two records of one file.
class EntryWriter {
public:
    virtual ~EntryWriter() = default;
    // Checked before each record and each piece: true ends the unpacking early, without a failure.
    virtual bool stop_requested() = 0;
    // Creates the file; nothing once the writer is stopping.
    virtual Result<CreatedFile> create(std::string_view name) = 0;
    // Empties the file that an earlier record of the name created, for a later record's content.
    virtual Result<CreatedFile> replace(std::string_view name) { return create(name); }
    // Orders names; names of one and the same file compare equal.
    virtual int compare_names(std::string_view a, std::string_view b) const { return a.compare(b); }
};

// Takes every file and keeps only the count: what verifying a payload needs.
class CountingWriter final : public EntryWriter {
public:
    bool stop_requested() override { return false; }
    Result<CreatedFile> create(std::string_view name) override;

    std::atomic<std::uint64_t> files{0};
    std::atomic<std::uint64_t> bytes{0};
};

struct UnpackOptions {
    unsigned workers = 0;                           // 0: one per processor; never more than files
    std::size_t piece_size = std::size_t{1} << 20;  // inflated bytes per write
    std::size_t write_behind = 3;                   // pieces of a large file queued for its writer thread; 0: none
    // How the messages show a record's name; none: as it is. The payload tool quotes names, so
    // that one holding terminal escapes prints harmlessly.
    std::string (*shown_name)(std::string_view name) = nullptr;
};

// Success (every record written, or stopped on request) or the first failure's message.
Result<UnpackEnd> unpack_payload(const Payload& payload, EntryWriter& writer, const UnpackOptions& options = {});

}  // namespace tarven
