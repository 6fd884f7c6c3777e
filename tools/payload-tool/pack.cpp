#include "pack.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <optional>
#include <map>
#include <system_error>

#include "base/utf8.h"
#include "block_deflate.h"
#include "strict_names.h"
#include "payload/entry_name.h"

namespace tarven::payload_tool {
namespace fs = std::filesystem;
namespace {

std::string as_text(const std::u8string& text) { return {text.begin(), text.end()}; }

Result<PackInput> input_of(const fs::path& path) {
    try {
        return PackInput{as_text(path.filename().u8string()), path};
    } catch (const std::exception&) {
        // A Windows name that does not convert to UTF-8 (an unpaired surrogate).
        return fail(display(path) + ": the file's name is not text");
    }
}

void append_le(std::string& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i, value >>= 8) out.push_back(static_cast<char>(value & 0xFF));
}

Status write_record(std::ofstream& out, const PackInput& input, const PackOptions& options, PackProgress& progress) {
    Result<std::string> content = read_file(input.path);
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

// Two records that would be one file on Windows: the same name, or the same in another case.
std::string used_twice(const std::string& first, const std::string& again) {
    if (first == again) return "the name " + quote_entry_name(again) + " is used twice";
    return "the names " + quote_entry_name(first) + " and " + quote_entry_name(again) + " are one file on Windows";
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
        const fs::path& path = it->path();
        if (it->is_directory(error))
            return fail(display(path) + ": a sub-folder cannot be packed (the launcher writes one level only)");
        if (!it->is_regular_file(error)) return fail(display(path) + ": not a regular file");
        Result<PackInput> input = input_of(path);
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
        std::error_code error;
        if (!fs::is_regular_file(path, error)) return fail(display(path) + ": not a regular file");
        Result<PackInput> input = input_of(path);
        if (!input) return fail(input.error());
        inputs.push_back(std::move(input).value());
    }
    return inputs;
}

std::vector<std::string> refused_names(const std::vector<PackInput>& inputs) {
    std::vector<std::string> refusals;
    std::map<std::u32string, std::string> seen;  // each Windows file name, with its first spelling
    for (const PackInput& input : inputs) {
        const std::string where = display(input.path) + ": ";
        if (!is_valid_utf8(input.name)) {
            refusals.push_back(where + "the name " + quote_entry_name(decode_utf8_lossy(input.name)) + " is not UTF-8");
        } else if (std::optional<std::string> refusal = name_refusal(input.name)) {
            refusals.push_back(where + *refusal);
        } else if (const auto [first, added] = seen.try_emplace(windows_name_key(input.name), input.name); !added) {
            refusals.push_back(where + used_twice(first->second, input.name));
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

Result<std::string> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return fail(display(path) + ": cannot open the file");
    const std::streamoff size = in.tellg();
    if (size < 0) return fail(display(path) + ": cannot read the file");
    std::string content(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(content.data(), static_cast<std::streamsize>(size));
    if (!in || in.gcount() != size) return fail(display(path) + ": cannot read the file");
    return content;
}

}  // namespace tarven::payload_tool
