// tarven-payload: packs files into the payload that the launcher carries, and lists, verifies
// or extracts a payload (a payload file, or a built launcher) with the launcher's own reader.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <variant>
#include <vector>

#include "extract.h"
#include "pack.h"
#include "pack_progress.h"
#include "payload/payload.h"
#include "payload/unpack.h"
#include "payload_locator.h"

namespace {

namespace fs = std::filesystem;
using namespace tarven;
using namespace tarven::payload_tool;

// Exit codes: 0 success, 1 a bad or damaged payload or input (or output that cannot be written),
// 2 a usage error.
constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

constexpr std::string_view overview =
    "usage: tarven-payload COMMAND [OPTIONS] ...\n"
    "\n"
    "commands:\n"
    "  pack     pack files into a payload\n"
    "  list     list the records of a payload or a built launcher\n"
    "  verify   unpack every record in memory as the launcher would\n"
    "  extract  write the files of a payload or a built launcher into a folder\n"
    "\n"
    "tarven-payload COMMAND --help describes a command; --version prints the version.\n"
    "Exit codes: 0 success, 1 a bad or damaged payload or input, 2 a usage error.\n";

const std::map<std::string_view, std::string_view> command_help = {
    {"pack",
     "usage: tarven-payload pack [--quiet] [--threads N] --output OUT (--dir FOLDER | FILE...)\n"
     "\n"
     "Writes one record per file, named by the file's name. With --dir, the folder's files in\n"
     "the order of their names' bytes (no sub-folders). Each file is opened once, never through\n"
     "a symbolic link, and must be a regular file: links, FIFOs and devices are refused, and the\n"
     "file is read to its end whatever size it claims. Names the launcher or Windows would\n"
     "refuse, device names, names shaped like Windows' short aliases (FOO~1.TXT), names of the\n"
     "launcher's own (tmp, port, webview) and names used twice, in any case, are reported and\n"
     "nothing is written. Each file is compressed at zlib's level 9 in blocks of 4 MiB on N\n"
     "threads (default: all cores); the output is the same for any N. On a terminal, progress\n"
     "shows on standard error unless --quiet is given.\n"},
    {"list",
     "usage: tarven-payload list PAYLOAD\n"
     "\n"
     "Prints each record: name, unpacked size, compressed size, offset in the payload.\n"
     "PAYLOAD is a payload file or a built \"Tarven Help.exe\".\n"},
    {"verify",
     "usage: tarven-payload verify PAYLOAD\n"
     "\n"
     "Unpacks every record in memory as the launcher would, and prints the launcher's message\n"
     "for the first damaged one. PAYLOAD is a payload file or a built \"Tarven Help.exe\".\n"},
    {"extract",
     "usage: tarven-payload extract [--max-bytes N] --output DIR PAYLOAD\n"
     "\n"
     "Writes the payload's files into DIR (made when missing) as the launcher would: a later\n"
     "record of a name replaces an earlier one. Nothing is written unless every record is\n"
     "sound, every name passes the rules of pack (names that are one file on Windows too), the\n"
     "records declare at most N bytes unpacked in all (default: 16 GiB), and none of the names\n"
     "exists in DIR yet. Each file is written piece by piece as it is inflated.\n"
     "PAYLOAD is a payload file or a built \"Tarven Help.exe\".\n"},
};

void print(std::FILE* to, std::string_view text) { std::fwrite(text.data(), 1, text.size(), to); }

void print_line(std::FILE* to, std::string_view text) {
    print(to, text);
    std::fputc('\n', to);
}

// Every line of the message, each with the tool's name in front.
int error(std::string_view message) {
    for (std::size_t start = 0; start <= message.size();) {
        const std::size_t end = std::min(message.find('\n', start), message.size());
        print_line(stderr, "tarven-payload: " + std::string(message.substr(start, end - start)));
        start = end + 1;
    }
    return exit_failure;
}

int usage_error(std::string_view command, std::string_view text) {
    print_line(stderr, "tarven-payload: " + std::string(text));
    print_line(stderr,
               "Try 'tarven-payload " + std::string(command.empty() ? "" : std::string(command) + " ") + "--help'.");
    return exit_usage;
}

// Arguments come in the system's own encoding, which is what a path made from bytes expects.
fs::path native_path(std::string_view arg) { return fs::path(std::string(arg)); }

// The payload of a payload file or of a built launcher, as a view into the file's bytes.
struct Input {
    std::string bytes;
    Payload payload;
};

Result<Input> read_input(const fs::path& path) {
    Result<std::string> bytes = read_file(path);
    if (!bytes) return fail(bytes.error());
    Input input{std::move(bytes).value(), {}};
    PayloadPlace place{0, input.bytes.size()};
    if (is_windows_image(input.bytes)) {
        const LocatorResult located = locate_payload(input.bytes);
        if (const auto* failure = std::get_if<LocatorError>(&located))
            return fail(display(path) + ": " + describe(*failure));
        place = std::get<PayloadPlace>(located);
    }
    input.payload = {reinterpret_cast<const std::uint8_t*>(input.bytes.data()) + place.offset, place.size};
    return input;
}

std::optional<std::uint64_t> byte_count(std::string_view text) {
    std::uint64_t count = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (failure != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return count;
}

std::optional<unsigned> thread_count(std::string_view text) {
    unsigned count = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (failure != std::errc() || end != text.data() + text.size() || count == 0 || count > 1024) return std::nullopt;
    return count;
}

// Every input stays open from its listing to its record: a descriptor per file. Best effort; an
// open past the limit still fails with a message naming its file.
void allow_a_descriptor_per_input() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max) return;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
}

int pack(const std::vector<std::string_view>& args) {
    fs::path output, folder;
    std::vector<fs::path> files;
    bool quiet = false;
    PackOptions options{std::max(1U, std::thread::hardware_concurrency()), {}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--quiet") {
            quiet = true;
        } else if (args[i] == "--output" || args[i] == "--dir" || args[i] == "--threads") {
            if (i + 1 == args.size()) return usage_error("pack", std::string(args[i]) + " needs a value");
            const std::string_view value = args[++i];
            if (args[i - 1] == "--output") output = native_path(value);
            if (args[i - 1] == "--dir") folder = native_path(value);
            if (args[i - 1] == "--threads") {
                const std::optional<unsigned> threads = thread_count(value);
                if (!threads) return usage_error("pack", "--threads takes a number from 1 to 1024");
                options.threads = *threads;
            }
        } else if (args[i].starts_with("--")) {
            return usage_error("pack", "unknown option " + std::string(args[i]));
        } else {
            files.push_back(native_path(args[i]));
        }
    }
    if (output.empty()) return usage_error("pack", "pack needs --output");
    if (folder.empty() == files.empty()) return usage_error("pack", "pack takes either --dir FOLDER or files");

    allow_a_descriptor_per_input();
    const Result<std::vector<PackInput>> inputs = folder.empty() ? inputs_of_files(files) : inputs_of_folder(folder);
    if (!inputs) return error(inputs.error());
    const std::vector<std::string> refusals = refused_names(inputs.value());
    for (const std::string& refusal : refusals) error(refusal);
    if (!refusals.empty()) return error(display(output) + ": nothing written");

    TerminalProgress progress(display(output), inputs.value(), !quiet && ::isatty(STDERR_FILENO));
    options.progress = [&progress](const PackProgress& done) { progress.show(done); };
    const Status written = write_payload(inputs.value(), output, options);
    progress.finish();
    if (!written) return error(written.error());
    return 0;
}

int list(const Input& input, const std::string& source) {
    for (std::uint64_t offset = 0; offset < input.payload.size;) {
        const RecordResult record = next_record(input.payload, offset);
        if (const auto* failure = std::get_if<RecordError>(&record))
            return error(source + ": " + unreadable_record_message(*failure));
        const auto& entry = std::get<PayloadEntry>(record);
        print_line(stdout, plain_or_quoted(entry.name) + "\t" + std::to_string(entry.unpacked_size) + "\t" +
                               std::to_string(entry.stream.size()) + "\t" + std::to_string(offset));
        offset = entry.next_offset;
    }
    return 0;
}

int verify(const Input& input, const std::string& source) {
    const Result<UnpackedTotals> totals = verify_payload(input.payload);
    if (!totals) return error(source + ": " + totals.error());
    print_line(stdout, "ok: " + std::to_string(totals.value().files) + " files, " +
                           std::to_string(totals.value().bytes) + " bytes unpacked");
    return 0;
}

// list, verify and extract: one payload file, and for extract the folder to write into.
int read_command(std::string_view command, const std::vector<std::string_view>& args) {
    fs::path folder;
    std::uint64_t max_bytes = default_max_extract_bytes;
    std::vector<std::string_view> operands;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (command == "extract" && (args[i] == "--output" || args[i] == "--max-bytes")) {
            if (i + 1 == args.size()) return usage_error(command, std::string(args[i]) + " needs a value");
            const std::string_view value = args[++i];
            if (args[i - 1] == "--output") {
                folder = native_path(value);
            } else if (const std::optional<std::uint64_t> bytes = byte_count(value)) {
                max_bytes = *bytes;
            } else {
                return usage_error(command, "--max-bytes takes a number of bytes");
            }
        } else if (args[i].starts_with("--")) {
            return usage_error(command, "unknown option " + std::string(args[i]));
        } else {
            operands.push_back(args[i]);
        }
    }
    if (operands.size() != 1) return usage_error(command, std::string(command) + " takes one payload file");
    if (command == "extract" && folder.empty()) return usage_error(command, "extract needs --output DIR");

    const fs::path path = native_path(operands.front());
    const Result<Input> input = read_input(path);
    if (!input) return error(input.error());
    const std::string source = display(path);
    if (command == "list") return list(input.value(), source);
    if (command == "verify") return verify(input.value(), source);
    const Status extracted = extract_payload(input.value().payload, source, folder, max_bytes);
    return extracted ? 0 : error(extracted.error());
}

bool asks_for_help(const std::vector<std::string_view>& args) {
    return std::any_of(args.begin(), args.end(), [](std::string_view arg) { return arg == "--help" || arg == "-h"; });
}

int run(const std::vector<std::string_view>& args) {
    if (args.empty()) return usage_error("", "no command given");
    const std::string_view command = args.front();
    const std::vector<std::string_view> rest(args.begin() + 1, args.end());
    if (command == "--version") {
        print_line(stdout, "tarven-payload " TARVEN_VERSION);
        return 0;
    }
    if (command == "--help" || command == "-h" || command == "help") {
        const auto about = rest.empty() ? command_help.end() : command_help.find(rest.front());
        print(stdout, about == command_help.end() ? overview : about->second);
        return 0;
    }
    const auto help = command_help.find(command);
    if (help == command_help.end()) return usage_error("", "unknown command " + std::string(command));
    if (asks_for_help(rest)) {
        print(stdout, help->second);
        return 0;
    }
    return command == "pack" ? pack(rest) : read_command(command, rest);
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        return error(e.what());
    }
}
