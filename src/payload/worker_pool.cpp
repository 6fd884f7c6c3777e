#include "payload/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace tarven {

unsigned default_worker_count() { return std::max(1u, std::thread::hardware_concurrency()); }

void run_jobs(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& job) {
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t index = next++; index < count; index = next++) job(index);
    };
    const std::size_t helpers = std::min<std::size_t>(std::max(workers, 1u), count) - (count > 0 ? 1 : 0);
    std::vector<std::thread> threads;
    threads.reserve(helpers);
    for (std::size_t i = 0; i < helpers; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // fewer helpers; the calling thread still does every job that is left
        }
    }
    work();
    for (std::thread& thread : threads) thread.join();
}

}  // namespace tarven
