// Measures the launcher's unpacking against the compute floor of one core, and its memory.
//
//   bench-unpack <payload file> [--rounds N] [--piece KIB] [--workers N] [--behind N]
//
// Prints one table of medians. Each round runs, in turn: (a) the launcher's unpacking into a
// fresh work folder, (b) a single-threaded zlib inflate of the same streams through one reused
// 1 MiB buffer, output discarded, (e) (a) with one worker, and (d) the rise of the peak working
// set during the unpacking, in a fresh process of this program. Asserts nothing about timing.
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "base/unique_resource_win.h"
#include "base/wide_win.h"
#include "payload/unpack_win.h"
#include "base/starter_gate.h"

namespace tarven {
namespace {

using Clock = std::chrono::steady_clock;

// The child's exit code when it could not measure.
constexpr DWORD measuring_failed = 0xFFFFFFFFu;

struct Settings {
    std::wstring payload_path;
    int rounds = 5;
    UnpackOptions options;
    bool memory_child = false;
};

std::optional<std::string> read_whole(const std::wstring& path) {
    const unique_hfile file(
        ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.get(), &size)) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr) || read == 0) return std::nullopt;
        done += read;
    }
    return bytes;
}

Payload view(const std::string& bytes) { return {reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}; }

std::vector<PayloadEntry> entries_of(const Payload& payload) {
    std::vector<PayloadEntry> entries;
    for (std::uint64_t offset = 0; offset < payload.size;) {
        const RecordResult record = next_record(payload, offset);
        if (!std::holds_alternative<PayloadEntry>(record)) break;
        entries.push_back(std::get<PayloadEntry>(record));
        offset = entries.back().next_offset;
    }
    return entries;
}

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// (a) and (e): the starter's own call, timed without making and removing the folder.
double unpack_seconds(const Payload& payload, const UnpackOptions& options) {
    const auto folder = make_work_folder();
    if (!folder) {
        std::fprintf(stderr, "bench-unpack: %s\n", folder.error().c_str());
        std::exit(1);
    }
    StarterGate gate;
    const auto start = Clock::now();
    const auto unpacked = unpack_payload(payload, folder.value(), gate, options);
    const double took = seconds_since(start);
    remove_work_folder(folder.value());
    if (!unpacked) {
        std::fprintf(stderr, "bench-unpack: %s\n", unpacked.error().c_str());
        std::exit(1);
    }
    return took;
}

// (b): the compute floor of one core.
double inflate_floor_seconds(const std::vector<PayloadEntry>& entries) {
    std::vector<Bytef> buffer(1u << 20);
    const auto start = Clock::now();
    for (const PayloadEntry& entry : entries) {
        z_stream z{};
        inflateInit(&z);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(entry.stream.data()));
        z.avail_in = static_cast<uInt>(entry.stream.size());
        int status = Z_OK;
        while (status == Z_OK) {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            status = inflate(&z, Z_NO_FLUSH);
        }
        inflateEnd(&z);
        if (status != Z_STREAM_END) {
            std::fprintf(stderr, "bench-unpack: a stream does not inflate\n");
            std::exit(1);
        }
    }
    return seconds_since(start);
}

std::uint64_t peak_working_set() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

// (d), in the child: the payload is read (so its pages count before), then unpacked. The rise in
// KiB is the exit code.
DWORD measure_memory(const Settings& settings) {
    const auto bytes = read_whole(settings.payload_path);
    if (!bytes) return measuring_failed;
    const auto folder = make_work_folder();
    if (!folder) return measuring_failed;
    StarterGate gate;
    const std::uint64_t before = peak_working_set();
    const auto unpacked = unpack_payload(view(*bytes), folder.value(), gate, settings.options);
    const std::uint64_t after = peak_working_set();
    remove_work_folder(folder.value());
    if (!unpacked || before == 0) return measuring_failed;
    return static_cast<DWORD>((after - before) / 1024);
}

// Runs this program again as the memory child, with the same settings.
std::optional<double> memory_rise_mib() {
    wchar_t self[MAX_PATH];
    if (::GetModuleFileNameW(nullptr, self, MAX_PATH) == 0) return std::nullopt;
    std::wstring command_line = ::GetCommandLineW();
    command_line += L" --memory-child";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(self, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return std::nullopt;
    const unique_handle process(info.hProcess);
    const unique_handle thread(info.hThread);
    ::WaitForSingleObject(process.get(), INFINITE);
    DWORD code = measuring_failed;
    ::GetExitCodeProcess(process.get(), &code);
    if (code == measuring_failed) return std::nullopt;
    return code / 1024.0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

bool parse(int argc, wchar_t** argv, Settings& settings) {
    if (argc < 2) return false;
    settings.payload_path = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::wstring_view arg = argv[i];
        const bool has_value = i + 1 < argc;
        if (arg == L"--memory-child") {
            settings.memory_child = true;
        } else if (arg == L"--rounds" && has_value) {
            settings.rounds = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--piece" && has_value) {
            settings.options.piece_size = static_cast<std::size_t>(std::max(1, _wtoi(argv[++i]))) * 1024;
        } else if (arg == L"--behind" && has_value) {
            settings.options.write_behind = static_cast<std::size_t>(std::max(0, _wtoi(argv[++i])));
        } else if (arg == L"--workers" && has_value) {
            settings.options.workers = static_cast<unsigned>(std::max(1, _wtoi(argv[++i])));
        } else {
            return false;
        }
    }
    return true;
}

int run(int argc, wchar_t** argv) {
    Settings settings;
    if (!parse(argc, argv, settings)) {
        std::fprintf(stderr,
                     "usage: bench-unpack <payload file> [--rounds N] [--piece KIB] [--workers N] [--behind N]\n");
        return 2;
    }
    if (settings.memory_child) return static_cast<int>(measure_memory(settings));

    const auto bytes = read_whole(settings.payload_path);
    if (!bytes) {
        std::fprintf(stderr, "bench-unpack: cannot read the payload\n");
        return 1;
    }
    const Payload payload = view(*bytes);
    const std::vector<PayloadEntry> entries = entries_of(payload);
    std::uint64_t unpacked = 0, compressed = 0;
    for (const PayloadEntry& entry : entries) {
        unpacked += entry.unpacked_size;
        compressed += entry.stream.size();
    }
    UnpackOptions one_worker = settings.options;
    one_worker.workers = 1;

    std::vector<double> to_disk, floor, ratio, memory, serial;
    for (int round = 0; round < settings.rounds; ++round) {
        to_disk.push_back(unpack_seconds(payload, settings.options));
        floor.push_back(inflate_floor_seconds(entries));
        ratio.push_back(to_disk.back() / floor.back());
        serial.push_back(unpack_seconds(payload, one_worker));
        if (const auto rise = memory_rise_mib()) memory.push_back(*rise);
    }

    std::printf("payload: %zu files, %llu bytes from %llu bytes of streams (ratio %.2f)\n", entries.size(),
                static_cast<unsigned long long>(unpacked), static_cast<unsigned long long>(compressed),
                compressed ? static_cast<double>(unpacked) / static_cast<double>(compressed) : 0.0);
    std::printf("processors: %u, rounds: %d, piece: %zu KiB, workers: %s, behind: %zu\n",
                std::thread::hardware_concurrency(), settings.rounds, settings.options.piece_size / 1024,
                settings.options.workers ? std::to_string(settings.options.workers).c_str() : "auto",
                settings.options.write_behind);
    std::printf("%-44s %10s\n", "measure (median)", "value");
    std::printf("%-44s %8.3f s\n", "(a) unpacking into a work folder", median(to_disk));
    std::printf("%-44s %8.3f s\n", "(b) one-core inflate floor", median(floor));
    std::printf("%-44s %10.2f\n", "(c) a / b", median(ratio));
    if (memory.empty())
        std::printf("%-44s %10s\n", "(d) peak working set rise", "n/a");
    else
        std::printf("%-44s %6.1f MiB\n", "(d) peak working set rise", median(memory));
    std::printf("%-44s %8.3f s\n", "(e) unpacking, one worker", median(serial));
    return 0;
}

}  // namespace
}  // namespace tarven

int wmain(int argc, wchar_t** argv) { return tarven::run(argc, argv); }
