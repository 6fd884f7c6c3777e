#pragma once
#include <cstddef>
#include <functional>

namespace tarven {

// One worker per processor.
unsigned default_worker_count();

// Runs job(0) … job(count - 1) on up to `workers` threads, the calling thread among them, taking
// the jobs in order. Returns once every job has run. Jobs must not throw.
void run_jobs(std::size_t count, unsigned workers, const std::function<void(std::size_t)>& job);

}  // namespace tarven
