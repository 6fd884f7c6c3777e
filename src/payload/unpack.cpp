#include "payload/unpack.h"

#include <variant>

#include "payload/entry_name.h"
#include "payload/inflate.h"

namespace tarven {

namespace unpack_messages {

std::string damaged(std::string_view name, std::string_view detail) {
    std::string message(name);
    message += " in Tarven Help is damaged: ";
    message += detail;
    return message;
}

std::string wrong_size(std::string_view name) {
    std::string message(name);
    message += " in Tarven Help is the wrong size";
    return message;
}

std::string not_unpacked(std::string_view name, std::string_view error) {
    std::string message = "couldn't unpack ";
    message += name;
    message += ": ";
    message += error;
    return message;
}

std::string unreadable(const RecordError& error) {
    switch (error.failure) {
        case RecordFailure::not_text:
            return std::string(not_text);
        case RecordFailure::bad_name:
            return std::string(refused_name) + quote_entry_name(error.name);
        case RecordFailure::cut_short:
            break;
    }
    return std::string(cut_short);
}

}  // namespace unpack_messages

namespace {

// Inflates, checks and writes one record; the inflated file lives only for this call.
Status unpack_entry(const PayloadEntry& entry, EntryWriter& writer) {
    const Result<std::string> content = inflate_entry(entry);
    if (!content) return fail(unpack_messages::damaged(entry.name, content.error()));
    // The inflater never gives more than the unpacked size, so this is a stream that ended early.
    if (content.value().size() != entry.unpacked_size) return fail(unpack_messages::wrong_size(entry.name));
    const Status written = writer.write(entry.name, content.value());
    if (!written) return fail(unpack_messages::not_unpacked(entry.name, written.error()));
    return {};
}

}  // namespace

Result<UnpackEnd> unpack_payload(const Payload& payload, EntryWriter& writer) {
    std::uint64_t offset = 0;
    while (offset < payload.size) {
        if (writer.stop_requested()) return UnpackEnd::stopped;
        const RecordResult record = next_record(payload, offset);
        if (const auto* error = std::get_if<RecordError>(&record)) return fail(unpack_messages::unreadable(*error));
        const auto& entry = std::get<PayloadEntry>(record);
        if (const Status unpacked = unpack_entry(entry, writer); !unpacked) return fail(unpacked.error());
        offset = entry.next_offset;
    }
    return UnpackEnd::done;
}

}  // namespace tarven
