// Walks arbitrary bytes as a payload: every read must stay inside them, and every record read
// must satisfy what the reader promises.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <variant>

#include "base/utf8.h"
#include "fuzz_check.h"
#include "payload/entry_name.h"
#include "payload/payload.h"

using tarven::fuzz::require;

namespace {

bool inside(const tarven::Payload& payload, std::string_view part) {
    const auto* begin = reinterpret_cast<const std::uint8_t*>(part.data());
    return begin >= payload.data && part.size() <= payload.size &&
           static_cast<std::uint64_t>(begin - payload.data) <= payload.size - part.size();
}

void check_quoted(std::string_view name) {
    const std::string quoted = tarven::quote_entry_name(name);
    require(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"');
    require(tarven::is_valid_utf8(quoted));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const tarven::Payload payload{data, size};
    std::uint64_t offset = 0;
    while (offset < payload.size) {
        const tarven::RecordResult record = tarven::next_record(payload, offset);
        if (const auto* error = std::get_if<tarven::RecordError>(&record)) {
            if (error->failure == tarven::RecordFailure::bad_name) {
                require(inside(payload, error->name) && !tarven::check_entry_name(error->name));
                check_quoted(error->name);
            }
            break;
        }
        const auto& entry = std::get<tarven::PayloadEntry>(record);
        require(inside(payload, entry.name) && inside(payload, entry.stream));
        require(tarven::check_entry_name(entry.name));
        require(entry.next_offset > offset && entry.next_offset <= payload.size);
        check_quoted(entry.name);
        offset = entry.next_offset;
    }

    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (tarven::is_valid_utf8(text)) check_quoted(text);
    return 0;
}
