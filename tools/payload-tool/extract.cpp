#include "extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <variant>
#include <vector>

#include "pack.h"
#include "payload/entry_name.h"
#include "payload/unpack.h"
#include "posix_file.h"
#include "words/user_words.h"

namespace tarven::payload_tool {
namespace fs = std::filesystem;
namespace {

std::string joined_lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

// How the tool runs the launcher's unpacking: names in messages are quoted.
UnpackOptions unpack_options() {
    UnpackOptions options;
    options.shown_name = quote_entry_name;
    return options;
}

// The payload's files, each name once, and the unpacked bytes its records declare in all.
struct Walked {
    std::set<std::string_view> names;
    std::uint64_t declared_bytes = 0;  // stops at the largest count rather than wrapping around
};

Result<Walked> walk(const Payload& payload, std::string_view source) {
    Walked walked;
    WindowsFiles files;
    std::vector<std::string> refusals;
    for (std::uint64_t offset = 0; offset < payload.size;) {
        const RecordResult record = next_record(payload, offset);
        if (const auto* error = std::get_if<RecordError>(&record))
            return fail(std::string(source) + ": " + unreadable_record_message(*error));
        const auto& entry = std::get<PayloadEntry>(record);
        if (std::optional<std::string> refusal = name_refusal(entry.name))
            refusals.push_back(std::string(source) + ": " + *refusal);
        else if (std::optional<std::string> clash = files.clash(entry.name, true))
            refusals.push_back(std::string(source) + ": " + *clash);
        walked.names.insert(entry.name);
        const std::uint64_t room = std::numeric_limits<std::uint64_t>::max() - walked.declared_bytes;
        walked.declared_bytes += std::min(entry.unpacked_size, room);
        offset = entry.next_offset;
    }
    if (!refusals.empty()) return fail(joined_lines(refusals));
    return walked;
}

// Every name the extraction would write that the folder already holds as anything at all, or
// that cannot be looked up.
std::vector<std::string> names_already_there(int folder, const fs::path& path, const Walked& walked) {
    std::vector<std::string> found;
    for (const std::string_view name : walked.names) {
        struct stat status {};
        const std::string where = display(path / std::string(name)) + ": ";
        if (::fstatat(folder, std::string(name).c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
            found.push_back(where + "already there; extract writes new files only");
        else if (errno != ENOENT)
            found.push_back(where + os_error(errno));
    }
    return found;
}

class FolderFile final : public EntryFile {
public:
    FolderFile(int folder, std::string name, UniqueFd file)
        : folder_(folder), name_(std::move(name)), file_(std::move(file)) {}

    Result<UnpackEnd> write(std::string_view piece) override {
        while (!piece.empty()) {
            const ssize_t written = ::write(file_.get(), piece.data(), piece.size());
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return fail(written < 0 ? os_error(errno) : std::string(words::write_took_nothing));
            piece.remove_prefix(static_cast<std::size_t>(written));
        }
        return UnpackEnd::done;
    }

    void discard() override {
        file_.reset();
        ::unlinkat(folder_, name_.c_str(), 0);
    }

private:
    int folder_;
    std::string name_;
    UniqueFd file_;
};

// Writes the files into a folder that held none of their names.
class FolderWriter final : public EntryWriter {
public:
    explicit FolderWriter(int folder) : folder_(folder) {}

    bool stop_requested() override { return false; }

    // The first record of a name creates its file new (never through a link, never over anything);
    // a later record of the name empties the file the first one made. The unpacking never
    // writes two records of one file at once.
    Result<CreatedFile> create(std::string_view name) override {
        std::string file_name(name);
        bool made_before = false;
        {
            const std::lock_guard lock(mutex_);
            made_before = !made_.insert(file_name).second;
        }
        const int flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | (made_before ? O_TRUNC : O_CREAT | O_EXCL);
        UniqueFd file(::openat(folder_, file_name.c_str(), flags, 0666));
        if (file.get() < 0) {
            const int error = errno;
            if (!made_before) forget(file_name);
            return fail(os_error(error));
        }
        return CreatedFile{UnpackEnd::done,
                           std::make_unique<FolderFile>(folder_, std::move(file_name), std::move(file))};
    }

    // Takes away every file this writer made: an extraction that failed leaves none behind.
    void remove_made() {
        const std::lock_guard lock(mutex_);
        for (const std::string& name : made_) ::unlinkat(folder_, name.c_str(), 0);
        made_.clear();
    }

private:
    void forget(const std::string& name) {
        const std::lock_guard lock(mutex_);
        made_.erase(name);
    }

    int folder_;
    std::mutex mutex_;
    std::set<std::string> made_;
};

Status write_files(const Payload& payload, const Walked& walked, const fs::path& path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error) return fail(display(path) + ": " + error.message());
    const UniqueFd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return fail(display(path) + ": " + os_error(errno));
    if (const std::vector<std::string> found = names_already_there(folder.get(), path, walked); !found.empty())
        return fail(joined_lines(found));

    FolderWriter writer(folder.get());
    const Result<UnpackEnd> written = unpack_payload(payload, writer, unpack_options());
    if (written) return {};
    writer.remove_made();
    return fail(display(path) + ": " + written.error());
}

}  // namespace

Result<UnpackedTotals> verify_payload(const Payload& payload) {
    CountingWriter writer;
    const Result<UnpackEnd> result = unpack_payload(payload, writer, unpack_options());
    if (!result) return fail(result.error());
    return UnpackedTotals{writer.files.load(), writer.bytes.load()};
}

Status extract_payload(const Payload& payload, std::string_view source, const fs::path& folder,
                       std::uint64_t max_bytes) {
    const Result<Walked> walked = walk(payload, source);
    if (!walked) return fail(walked.error());
    if (walked.value().declared_bytes > max_bytes)
        return fail(std::string(source) + ": " + words::unpacks_past_limit(max_bytes));
    // Every stream is inflated once before the first file is made, so that a damaged record
    // leaves the folder as it was.
    if (const Result<UnpackedTotals> verified = verify_payload(payload); !verified)
        return fail(std::string(source) + ": " + verified.error());
    return write_files(payload, walked.value(), folder);
}

}  // namespace tarven::payload_tool
