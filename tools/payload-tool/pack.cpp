#include "pack.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <optional>
#include <map>
#include <system_error>

#include "base/utf8.h"
#include "block_deflate.h"
#include "strict_names.h"
#include "payload/entry_name.h"
#include "words/user_words.h"

namespace tarven::payload_tool {
namespace fs = std::filesystem;
namespace {

std::string as_text(const std::u8string& text) { return {text.begin(), text.end()}; }

// What a file that is not a regular one is, in a message.
std::string_view kind_of(mode_t mode) {
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a FIFO";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    return "something else";
}

// Opens the listed file once; what the descriptor is decides, not what the listing saw.
Result<PackInput> input_of(const fs::path& path, bool in_folder) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    const int open_error = errno;
    PackInput input{{}, path, UniqueFd(fd), 0};
    if (fd < 0) {
        if (open_error == ELOOP) return fail(display(path) + ": " + std::string(words::input_is_link));
        return fail(display(path) + ": " + os_error(open_error));
    }
    struct stat status {};
    if (::fstat(input.file.get(), &status) != 0) return fail(display(path) + ": " + os_error(errno));
    if (in_folder && S_ISDIR(status.st_mode))
        return fail(display(path) + ": a sub-folder cannot be packed (the launcher writes one level only)");
    if (!S_ISREG(status.st_mode)) return fail(display(path) + ": " + words::input_not_regular(kind_of(status.st_mode)));
    input.size_hint = static_cast<std::uint64_t>(status.st_size);
    try {
        input.name = as_text(path.filename().u8string());
    } catch (const std::exception&) {
        // A Windows name that does not convert to UTF-8 (an unpaired surrogate).
        return fail(display(path) + ": the file's name is not text");
    }
    return input;
}

void append_le(std::string& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i, value >>= 8) out.push_back(static_cast<char>(value & 0xFF));
}

Status write_record(std::ofstream& out, const PackInput& input, const PackOptions& options, PackProgress& progress) {
    Result<std::string> content = read_content(input);
    if (!content) return fail(content.error());
    const Result<std::string> stream =
        deflate_in_blocks(content.value(), options.threads, deflate_block_size, [&](std::size_t bytes) {
            progress.bytes += bytes;
            if (options.progress) options.progress(progress);
        });
    if (!stream) return fail(display(input.path) + ": " + stream.error());
    std::string head;
    append_le(head, input.name.size(), 2);
    head += input.name;
    append_le(head, content.value().size(), 8);
    append_le(head, stream.value().size(), 8);
    out.write(head.data(), static_cast<std::streamsize>(head.size()));
    out.write(stream.value().data(), static_cast<std::streamsize>(stream.value().size()));
    ++progress.files;
    if (options.progress) options.progress(progress);
    return {};
}

Status write_records(const std::vector<PackInput>& inputs, const fs::path& output, const PackOptions& options) {
    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out) return fail(display(output) + ": cannot create the file");
    PackProgress progress;
    for (const PackInput& input : inputs)
        if (const Status written = write_record(out, input, options, progress); !written) return written;
    out.close();
    if (!out) return fail(display(output) + ": cannot write the file");
    return {};
}

}  // namespace

std::optional<std::string> name_refusal(std::string_view name) {
    if (!check_entry_name(name))
        return "the launcher refuses the name " + quote_entry_name(name) +
               ": 1 to 128 bytes, not \".\" or \"..\", no NUL, \"/\", \":\" or \"\\\"";
    if (std::optional<std::string> why = strict_name_refusal(name))
        return "the name " + quote_entry_name(name) + " is refused: " + *why;
    return std::nullopt;
}

std::string plain_or_quoted(std::string_view text) {
    std::string quoted = quote_entry_name(text);
    return quoted.size() == text.size() + 2 ? std::string(text) : quoted;
}

std::string display(const fs::path& path) {
    try {
        return plain_or_quoted(decode_utf8_lossy(as_text(path.u8string())));
    } catch (const std::exception&) {
        return plain_or_quoted(decode_utf8_lossy(path.string()));
    }
}

Result<std::vector<PackInput>> inputs_of_folder(const fs::path& folder) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    if (error) return fail(display(folder) + ": " + error.message());
    std::vector<PackInput> inputs;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        Result<PackInput> input = input_of(it->path(), true);
        if (!input) return fail(input.error());
        inputs.push_back(std::move(input).value());
    }
    if (error) return fail(display(folder) + ": " + error.message());
    std::sort(inputs.begin(), inputs.end(), [](const PackInput& a, const PackInput& b) { return a.name < b.name; });
    return inputs;
}

Result<std::vector<PackInput>> inputs_of_files(const std::vector<fs::path>& files) {
    std::vector<PackInput> inputs;
    for (const fs::path& path : files) {
        Result<PackInput> input = input_of(path, false);
        if (!input) return fail(input.error());
        inputs.push_back(std::move(input).value());
    }
    return inputs;
}

std::optional<std::string> WindowsFiles::clash(std::string_view name, bool same_name_replaces) {
    const auto [first, added] = first_spellings_.try_emplace(windows_name_key(name), name);
    if (added || (same_name_replaces && first->second == name)) return std::nullopt;
    if (first->second == name) return "the name " + quote_entry_name(name) + " is used twice";
    return "the names " + quote_entry_name(first->second) + " and " + quote_entry_name(name) +
           " are one file on Windows";
}

std::vector<std::string> refused_names(const std::vector<PackInput>& inputs) {
    std::vector<std::string> refusals;
    WindowsFiles files;
    for (const PackInput& input : inputs) {
        const std::string where = display(input.path) + ": ";
        if (!is_valid_utf8(input.name)) {
            refusals.push_back(where + "the name " + quote_entry_name(decode_utf8_lossy(input.name)) + " is not UTF-8");
        } else if (std::optional<std::string> refusal = name_refusal(input.name)) {
            refusals.push_back(where + *refusal);
        } else if (std::optional<std::string> clash = files.clash(input.name, false)) {
            refusals.push_back(where + *clash);
        }
    }
    return refusals;
}

Status write_payload(const std::vector<PackInput>& inputs, const fs::path& output, const PackOptions& options) {
    const Status written = write_records(inputs, output, options);
    if (!written) {
        std::error_code ignored;
        fs::remove(output, ignored);
    }
    return written;
}

Result<std::string> read_content(const PackInput& input) {
    Result<std::string> content = read_to_end(input.file.get(), static_cast<std::size_t>(input.size_hint));
    if (!content) return fail(display(input.path) + ": " + content.error());
    return content;
}

Result<std::string> read_file(const fs::path& path) {
    const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) return fail(display(path) + ": " + os_error(errno));
    struct stat status {};
    const bool sized = ::fstat(file.get(), &status) == 0 && S_ISREG(status.st_mode);
    Result<std::string> content = read_to_end(file.get(), sized ? static_cast<std::size_t>(status.st_size) : 0);
    if (!content) return fail(display(path) + ": " + content.error());
    return content;
}

}  // namespace tarven::payload_tool
