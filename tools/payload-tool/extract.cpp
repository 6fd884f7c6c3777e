#include "extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <variant>
#include <vector>

#include "pack.h"
#include "payload/entry_name.h"
#include "payload/inflate.h"
#include "payload/unpack.h"
#include "words/user_words.h"

namespace tarven::payload_tool {
namespace fs = std::filesystem;
namespace {

std::string joined_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

// The records in payload order, each with whether it is the last of its name.
struct Walked {
    std::vector<PayloadEntry> entries;
    std::map<std::string_view, std::size_t> last_of_name;
};

Result<Walked> walk(const Payload& payload, std::string_view source) {
    Walked walked;
    std::vector<std::string> refusals;
    for (std::uint64_t offset = 0; offset < payload.size;) {
        const RecordResult record = next_record(payload, offset);
        if (const auto* error = std::get_if<RecordError>(&record))
            return fail(std::string(source) + ": " + unreadable_record_message(*error));
        const auto& entry = std::get<PayloadEntry>(record);
        if (const std::optional<std::string> refusal = name_refusal(entry.name))
            refusals.push_back(std::string(source) + ": " + *refusal);
        walked.last_of_name[entry.name] = walked.entries.size();
        walked.entries.push_back(entry);
        offset = entry.next_offset;
    }
    if (!refusals.empty()) return fail(joined_lines(refusals));
    return walked;
}

// Every name the extraction would write that the folder already holds as anything at all, or
// that cannot be looked up.
std::vector<std::string> names_already_there(int folder, const fs::path& path, const Walked& walked) {
    std::vector<std::string> found;
    for (const auto& [name, index] : walked.last_of_name) {
        struct stat status {};
        const std::string where = display(path / std::string(name)) + ": ";
        if (::fstatat(folder, std::string(name).c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
            found.push_back(where + "already there; extract writes new files only");
        else if (errno != ENOENT)
            found.push_back(where + os_error(errno));
    }
    return found;
}

// Creates the file new (never through a link, never over anything) and writes all of `content`.
Status write_new_file(int folder, std::string_view name, std::string_view content) {
    const UniqueFd file(
        ::openat(folder, std::string(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.get() < 0) return fail(os_error(errno));
    while (!content.empty()) {
        const ssize_t written = ::write(file.get(), content.data(), content.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return fail(written < 0 ? os_error(errno) : std::string(words::write_took_nothing));
        content.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

Status write_files(const Walked& walked, const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) return fail(display(path) + ": " + error.message());
    const UniqueFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return fail(display(path) + ": " + os_error(errno));
    if (const std::vector<std::string> found = names_already_there(folder.get(), path, walked); !found.empty())
        return fail(joined_lines(found));

    for (const auto& [name, index] : walked.last_of_name) {
        const Result<std::string> content = inflate_whole(walked.entries[index]);
        const fs::path file = path / std::string(name);
        if (!content) return fail(display(file) + ": " + content.error());
        if (const Status written = write_new_file(folder.get(), name, content.value()); !written)
            return fail(display(file) + ": " + written.error());
    }
    return {};
}

}  // namespace

Result<UnpackedTotals> verify_payload(const Payload& payload) {
    CountingWriter writer;
    UnpackOptions options;
    options.shown_name = quote_entry_name;
    const Result<UnpackEnd> result = unpack_payload(payload, writer, options);
    if (!result) return fail(result.error());
    return UnpackedTotals{writer.files.load(), writer.bytes.load()};
}

Status extract_payload(const Payload& payload, std::string_view source, const fs::path& folder) {
    const Result<Walked> walked = walk(payload, source);
    if (!walked) return fail(walked.error());
    if (const Result<UnpackedTotals> verified = verify_payload(payload); !verified)
        return fail(std::string(source) + ": " + verified.error());
    return write_files(walked.value(), folder);
}

}  // namespace tarven::payload_tool
