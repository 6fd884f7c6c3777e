// tarven-payload: packs files into the payload that the launcher carries, and lists or verifies
// a payload with the launcher's own reader.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "pack.h"
#include "payload/entry_name.h"
#include "payload/payload.h"
#include "payload/unpack.h"

namespace {

namespace fs = std::filesystem;
using namespace tarven;
using namespace tarven::payload_tool;

constexpr int exit_failure = 1;
constexpr int exit_usage = 2;

constexpr std::string_view usage =
    "usage:\n"
    "  tarven-payload pack --output OUT --dir FOLDER\n"
    "  tarven-payload pack --output OUT FILE...\n"
    "  tarven-payload list PAYLOAD\n"
    "  tarven-payload verify PAYLOAD\n"
    "\n"
    "pack    writes one record per file, named by the file's name. With --dir, the folder's\n"
    "        files in the order of their names' bytes (no sub-folders). Names the launcher\n"
    "        would refuse are reported and nothing is written.\n"
    "list    prints each record: name, unpacked size, compressed size, offset.\n"
    "verify  unpacks every record in memory as the launcher would, and prints its message\n"
    "        for the first damaged one.\n";

void print_line(std::FILE* to, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), to);
    std::fputc('\n', to);
}

int error(std::string_view text) {
    print_line(stderr, "tarven-payload: " + std::string(text));
    return exit_failure;
}

int usage_error(std::string_view text) {
    print_line(stderr, "tarven-payload: " + std::string(text));
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return exit_usage;
}

// A name as it appears in a listing: itself, or its quoted form when it holds anything that
// would not show plainly.
std::string listed_name(std::string_view name) {
    const std::string quoted = quote_entry_name(name);
    return quoted.size() == name.size() + 2 ? std::string(name) : quoted;
}

// Arguments come in the system's own encoding, which is what a path made from bytes expects.
fs::path native_path(std::string_view arg) { return fs::path(std::string(arg)); }

Payload payload_of(const std::string& bytes) {
    return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()};
}

int pack(const std::vector<std::string_view>& args) {
    fs::path output, folder;
    std::vector<fs::path> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--output" || args[i] == "--dir") {
            if (i + 1 == args.size()) return usage_error(std::string(args[i]) + " needs a value");
            (args[i] == "--output" ? output : folder) = native_path(args[i + 1]);
            ++i;
        } else {
            files.push_back(native_path(args[i]));
        }
    }
    if (output.empty()) return usage_error("pack needs --output");
    if (folder.empty() == files.empty()) return usage_error("pack takes either --dir FOLDER or files");

    const Result<std::vector<PackInput>> inputs = folder.empty() ? inputs_of_files(files) : inputs_of_folder(folder);
    if (!inputs) return error(inputs.error());
    const std::vector<std::string> refusals = refused_names(inputs.value());
    for (const std::string& refusal : refusals) error(refusal);
    if (!refusals.empty()) return error("nothing written");

    const Status written = write_payload(inputs.value(), output);
    if (!written) return error(written.error());
    return 0;
}

int list(const std::string& bytes) {
    const Payload payload = payload_of(bytes);
    for (std::uint64_t offset = 0; offset < payload.size;) {
        const RecordResult record = next_record(payload, offset);
        if (const auto* failure = std::get_if<RecordError>(&record)) {
            print_line(stderr, unpack_messages::unreadable(*failure));
            return exit_failure;
        }
        const auto& entry = std::get<PayloadEntry>(record);
        print_line(stdout, listed_name(entry.name) + "\t" + std::to_string(entry.unpacked_size) + "\t" +
                               std::to_string(entry.stream.size()) + "\t" + std::to_string(offset));
        offset = entry.next_offset;
    }
    return 0;
}

int verify(const std::string& bytes) {
    CountingWriter writer;
    const Result<UnpackEnd> result = unpack_payload(payload_of(bytes), writer);
    if (!result) {
        print_line(stderr, result.error());
        return exit_failure;
    }
    print_line(stdout, "ok: " + std::to_string(writer.files.load()) + " files, " + std::to_string(writer.bytes.load()) +
                           " bytes unpacked");
    return 0;
}

int run(const std::vector<std::string_view>& args) {
    if (args.empty()) return usage_error("no command given");
    const std::string_view command = args.front();
    if (command == "--help" || command == "-h" || command == "help") {
        std::fwrite(usage.data(), 1, usage.size(), stdout);
        return 0;
    }
    const std::vector<std::string_view> rest(args.begin() + 1, args.end());
    if (command == "pack") return pack(rest);
    if (command != "list" && command != "verify") return usage_error("unknown command " + std::string(command));
    if (rest.size() != 1) return usage_error(std::string(command) + " takes one payload file");

    const Result<std::string> bytes = read_file(native_path(rest.front()));
    if (!bytes) return error(bytes.error());
    return command == "list" ? list(bytes.value()) : verify(bytes.value());
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        return error(e.what());
    }
}
