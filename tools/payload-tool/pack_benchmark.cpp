// Prints what compressing in blocks costs in size and gains in time: every file of a folder
// compressed whole (one block) and in blocks of several sizes, on 1 and on 2 threads.
//
//   pack-benchmark FOLDER [BLOCK_MIB...]
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "block_deflate.h"
#include "pack.h"

namespace {

using namespace tarven::payload_tool;

struct Figures {
    std::uint64_t size = 0;
    double seconds = 0;      // elapsed
    double cpu_seconds = 0;  // of all threads: on a busy machine, what the work itself took
};

Figures compress_all(const std::vector<std::string>& files, std::size_t block_size, unsigned threads) {
    Figures figures;
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu_start = std::clock();
    for (const std::string& file : files) {
        const tarven::Result<std::string> stream = deflate_in_blocks(file, threads, block_size);
        if (!stream) {
            std::fprintf(stderr, "pack-benchmark: %s\n", stream.error().c_str());
            std::exit(1);
        }
        figures.size += stream.value().size();
    }
    figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    figures.cpu_seconds = static_cast<double>(std::clock() - cpu_start) / CLOCKS_PER_SEC;
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: pack-benchmark FOLDER [BLOCK_MIB...]\n");
        return 2;
    }
    const tarven::Result<std::vector<PackInput>> inputs = inputs_of_folder(argv[1]);
    if (!inputs) {
        std::fprintf(stderr, "pack-benchmark: %s\n", inputs.error().c_str());
        return 1;
    }
    std::vector<std::string> files;
    std::uint64_t total = 0;
    for (const PackInput& input : inputs.value()) {
        tarven::Result<std::string> content = read_content(input);
        if (!content) return 1;
        total += content.value().size();
        files.push_back(std::move(content).value());
    }
    std::vector<std::size_t> block_sizes = {std::numeric_limits<std::size_t>::max()};
    for (int i = 2; i < argc; ++i) block_sizes.push_back(std::strtoull(argv[i], nullptr, 10) << 20);
    if (argc == 2)
        block_sizes.insert(block_sizes.end(), {std::size_t{1} << 20, std::size_t{4} << 20, std::size_t{16} << 20});

    std::printf("%zu files, %llu bytes\n", files.size(), static_cast<unsigned long long>(total));
    std::printf("%-10s %14s %9s %21s %21s\n", "block", "compressed", "cost", "1 thread (cpu)", "2 threads (cpu)");
    std::uint64_t whole = 0;
    for (const std::size_t block_size : block_sizes) {
        const Figures one = compress_all(files, block_size, 1);
        const Figures two = compress_all(files, block_size, 2);
        if (whole == 0) whole = one.size;
        const std::string label =
            block_size == block_sizes.front() ? "whole" : std::to_string(block_size >> 20) + " MiB";
        std::printf("%-10s %14llu %8.3f%% %10.1fs (%6.1fs) %10.1fs (%6.1fs)\n", label.c_str(),
                    static_cast<unsigned long long>(one.size),
                    100.0 * (static_cast<double>(one.size) / static_cast<double>(whole) - 1), one.seconds,
                    one.cpu_seconds, two.seconds, two.cpu_seconds);
        std::fflush(stdout);
    }
    return 0;
}
