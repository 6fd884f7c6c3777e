#pragma once
// Walking the payload record by record: name rules, inflating, the size check, and handing each
// file to a writer. The launcher's writer puts files into the work folder; the payload tool's
// verifier only counts them.
#include <string>
#include <string_view>

#include "base/result.h"
#include "payload/payload.h"

namespace tarven {

namespace unpack_messages {
inline constexpr std::string_view cut_short = "Tarven Help's files are cut short";
inline constexpr std::string_view not_text = "a file name in Tarven Help isn't text";
inline constexpr std::string_view refused_name = "Tarven Help carries a file it mustn't write: ";
std::string damaged(std::string_view name, std::string_view detail);
std::string wrong_size(std::string_view name);
std::string not_unpacked(std::string_view name, std::string_view error);
// The message for a record that could not be read at all.
std::string unreadable(const RecordError& error);
}  // namespace unpack_messages

class EntryWriter {
public:
    virtual ~EntryWriter() = default;
    // Checked before each record: true ends the walk early, without a failure.
    virtual bool stop_requested() = 0;
    // Writes one whole file. The failure's text is the OS error as the launcher renders it.
    virtual Status write(std::string_view name, std::string_view content) = 0;
};

enum class UnpackEnd { done, stopped };

// Success (every record written, or stopped on request) or the first failure's message.
Result<UnpackEnd> unpack_payload(const Payload& payload, EntryWriter& writer);

}  // namespace tarven
