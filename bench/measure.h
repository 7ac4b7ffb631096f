// What the benchmark measures with: clocks, the workloads run by the plain
// operations and by the engine, and medians.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace bench {

// A workload: the variant and its shape, n then k, as its name says.
struct Workload {
  const char* name;
  bool packed;
  int n;
  int k;
};

// CPU time of the calling thread, of the whole process, and wall time, in
// seconds from an arbitrary start.
double thread_cpu_seconds();
double process_cpu_seconds();
double wall_seconds();

// Starts the random source as a program that has just seeded with `seed`.
void start_fresh(std::uint32_t seed);

// `count` tuples of `w` by the plain operations, and by the engine in
// batches of 256 as the drivers hand them out; the generating count.
std::int64_t plain_tuples(const Workload& w, std::int64_t count);
std::int64_t engine_tuples(const Workload& w, std::int64_t count);

// `count` draws below `bound` (256 or 2) by the plain source, and by the
// engine's bulk draws.
void plain_draws(int bound, std::int64_t count);
void engine_draws(int bound, std::int64_t count);

// A count of items for `work` (items -> nothing) that takes about
// `seconds` of the clock `clock`: doubled from 1 until a run takes a
// tenth of that, then scaled.
std::int64_t calibrate(const std::function<void(std::int64_t)>& work,
                       double (*clock)(), double seconds);

// The time `work(count)` takes on `clock`.
double timed(const std::function<void(std::int64_t)>& work, std::int64_t count,
             double (*clock)());

double median(std::vector<double> values);

}  // namespace bench
