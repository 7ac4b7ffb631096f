// The benchmark's measuring tools; see measure.h.
#include "bench/measure.h"

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/engine/fast_draws.h"
#include "core/engine/flag_engine.h"
#include "core/engine/packed_engine.h"
#include "core/flag_tuple.h"
#include "core/packed_tuple.h"
#include "core/parameters.h"
#include "runtime/random_source.h"

namespace bench {
namespace {

double seconds_of(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * now.tv_nsec;
}

void set_shape(const Workload& w) {
  core::parameters.n = w.n;
  core::parameters.k = w.k;
  core::parameters.byte_count = w.n / 8;
}

// Keeps a result alive without a store the compiler could drop.
template <class T>
void keep(const T& value) {
  asm volatile("" : : "g"(&value) : "memory");
}

}  // namespace

double thread_cpu_seconds() { return seconds_of(CLOCK_THREAD_CPUTIME_ID); }
double process_cpu_seconds() { return seconds_of(CLOCK_PROCESS_CPUTIME_ID); }
double wall_seconds() { return seconds_of(CLOCK_MONOTONIC); }

void start_fresh(std::uint32_t seed) {
  runtime::random_state = runtime::RandomState{};
  runtime::random_state.seed = seed;
}

std::int64_t plain_tuples(const Workload& w, std::int64_t count) {
  set_shape(w);
  std::int64_t generating = 0;
  for (std::int64_t t = 0; t < count; ++t) {
    if (w.packed) {
      core::packed::fill_tuple();
      generating += core::packed::test_tuple_packed();
    } else {
      core::flags::fill_tuple();
      generating += core::flags::test_tuple_flags() ? 1 : 0;
    }
  }
  keep(generating);
  return generating;
}

std::int64_t engine_tuples(const Workload& w, std::int64_t count) {
  set_shape(w);
  std::int64_t generating = 0;
  while (count > 0) {
    const auto batch = static_cast<std::int32_t>(count < 256 ? count : 256);
    generating += w.packed ? core::engine::packed::run_tuples(batch)
                           : core::engine::flags::run_tuples(batch);
    count -= batch;
  }
  keep(generating);
  return generating;
}

void plain_draws(int bound, std::int64_t count) {
  std::int32_t sum = 0;
  for (std::int64_t i = 0; i < count; ++i) sum += runtime::random_below(bound);
  keep(sum);
}

void engine_draws(int bound, std::int64_t count) {
  constexpr std::int64_t kBlock = 4096;
  static std::uint8_t bytes[kBlock + 64];
  static std::uint64_t bits[kBlock / 64];
  for (; count > 0; count -= kBlock) {
    const auto n = static_cast<std::size_t>(count < kBlock ? count : kBlock);
    if (bound == 256) {
      core::engine::draw_bytes(bytes, n);
      keep(bytes);
    } else {
      core::engine::draw_bits(bits, n);
      keep(bits);
    }
  }
}

double timed(const std::function<void(std::int64_t)>& work, std::int64_t count,
             double (*clock)()) {
  const double start = clock();
  work(count);
  return clock() - start;
}

std::int64_t calibrate(const std::function<void(std::int64_t)>& work,
                       double (*clock)(), double seconds) {
  std::int64_t count = 1;
  for (;;) {
    const double took = timed(work, count, clock);
    if (took >= seconds / 10 || count >= (std::int64_t{1} << 40)) {
      const double scaled = static_cast<double>(count) * seconds /
                            (took > 0 ? took : seconds / 10);
      return scaled < 1 ? 1 : static_cast<std::int64_t>(scaled);
    }
    count *= 2;
  }
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle]
                                : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace bench
