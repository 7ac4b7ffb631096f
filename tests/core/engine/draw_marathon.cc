// A billion draws of random_below(256) and of random_below(2) (or the count
// given as the argument), spread over the test seeds, every path this
// processor runs against the plain source, draw for draw; then millions of
// whole tuples through the engine's batches and worker threads against
// the plain operations (scaled alike).  Too long for the test run; `make
// marathon` starts it.  Exit code 1 on any difference.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/fast_draws.h"
#include "core/engine/flag_engine.h"
#include "core/engine/packed_engine.h"
#include "core/engine/tuple_runs.h"
#include "core/flag_tuple.h"
#include "core/packed_tuple.h"
#include "core/parameters.h"
#include "runtime/random_source.h"

namespace {

using core::engine::Path;

constexpr std::uint32_t kSeeds[] = {
    0, 1, 12345, 999999, 1000002, 1000003, 1234567, 2147483648u, 4294967295u};
constexpr std::size_t kChunk = 1 << 20;

bool same_state(const runtime::RandomState& a, const runtime::RandomState& b) {
  return a.seed == b.seed && a.last_seed == b.last_seed &&
         a.reinit_pending == b.reinit_pending && a.stream2 == b.stream2 &&
         a.stream3 == b.stream3;
}

// `total` draws of `bound` (256 or 2) from `seed` on every path; returns
// the number of differing draws and states.
std::uint64_t compare(std::uint32_t seed, int bound, std::uint64_t total) {
  std::vector<Path> paths;
  for (Path path : core::engine::kAllPaths) {
    if (core::engine::path_supported(path)) paths.push_back(path);
  }
  runtime::RandomState plain{};
  plain.seed = seed;
  std::vector<runtime::RandomState> states(paths.size(), plain);
  std::vector<std::uint8_t> expected(kChunk);
  std::vector<std::uint8_t> bytes(kChunk + 64);
  std::vector<std::uint64_t> bits(kChunk / 64 + 1);
  std::uint64_t differences = 0;
  for (std::uint64_t done = 0; done < total;) {
    std::size_t count = total - done < kChunk ? total - done : kChunk;
    if (done < total / 2 && done + count > total / 2) {
      count = static_cast<std::size_t>(total / 2 - done);  // seed halfway
    }
    runtime::random_state = plain;
    for (std::size_t i = 0; i < count; ++i) {
      expected[i] = static_cast<std::uint8_t>(runtime::random_below(bound));
    }
    plain = runtime::random_state;
    for (std::size_t p = 0; p < paths.size(); ++p) {
      core::engine::select_path(paths[p]);
      runtime::random_state = states[p];
      if (bound == 256) {
        core::engine::draw_bytes(bytes.data(), count);
      } else {
        core::engine::draw_bits(bits.data(), count);
        for (std::size_t i = 0; i < count; ++i) {
          bytes[i] = static_cast<std::uint8_t>((bits[i / 64] >> (i % 64)) & 1);
        }
      }
      states[p] = runtime::random_state;
      for (std::size_t i = 0; i < count; ++i) {
        differences += bytes[i] != expected[i] ? 1 : 0;
      }
      differences += same_state(states[p], plain) ? 0 : 1;
    }
    done += count;
    if (done == total / 2) {
      plain.seed ^= 0x9E3779B9u;
      for (runtime::RandomState& s : states) s.seed = plain.seed;
    }
  }
  return differences;
}

struct TupleShape {
  bool packed;
  int n;
  int k;
};

void set_shape(const TupleShape& shape) {
  core::parameters.n = shape.n;
  core::parameters.k = shape.k;
  core::parameters.byte_count = shape.n / 8;
}

// `tuples` tuples of `shape` from `seed` in runs of `per_run` (the last
// shorter), each run carrying on from the one before, by the plain
// operations and by the engine in batches of 256 on every path with one
// thread and with one per processor; returns the number of runs whose
// count or end state differs.
std::uint64_t compare_runs(const TupleShape& shape, std::uint32_t seed,
                           std::uint64_t tuples, std::uint64_t per_run) {
  set_shape(shape);
  runtime::RandomState start{};
  start.seed = seed;
  std::vector<std::int64_t> counts;
  std::vector<runtime::RandomState> ends;
  runtime::random_state = start;
  for (std::uint64_t done = 0; done < tuples; done += per_run) {
    const std::uint64_t run = tuples - done < per_run ? tuples - done : per_run;
    std::int64_t generating = 0;
    for (std::uint64_t t = 0; t < run; ++t) {
      if (shape.packed) {
        core::packed::fill_tuple();
        generating += core::packed::test_tuple_packed();
      } else {
        core::flags::fill_tuple();
        generating += core::flags::test_tuple_flags() ? 1 : 0;
      }
    }
    counts.push_back(generating);
    ends.push_back(runtime::random_state);
  }
  std::uint64_t differences = 0;
  for (Path path : core::engine::kAllPaths) {
    if (!core::engine::select_path(path)) continue;
    for (int threads : {1, 0}) {
      core::engine::set_engine_threads(threads);
      runtime::random_state = start;
      std::size_t r = 0;
      for (std::uint64_t done = 0; done < tuples; done += per_run, ++r) {
        std::uint64_t left = tuples - done < per_run ? tuples - done : per_run;
        std::int64_t generating = 0;
        for (; left > 0; left -= left < 256 ? left : 256) {
          const auto batch = static_cast<std::int32_t>(left < 256 ? left : 256);
          generating += shape.packed ? core::engine::packed::run_tuples(batch)
                                     : core::engine::flags::run_tuples(batch);
        }
        differences += generating != counts[r] ? 1 : 0;
        differences += same_state(runtime::random_state, ends[r]) ? 0 : 1;
      }
    }
  }
  return differences;
}

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t per_bound =
      argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000000ull;
  const std::uint64_t per_seed = per_bound / (sizeof kSeeds / sizeof kSeeds[0]);
  std::uint64_t all_differences = 0;
  for (int bound : {256, 2}) {
    std::uint64_t differences = 0;
    for (std::uint32_t seed : kSeeds)
      differences += compare(seed, bound, per_seed);
    std::printf(
        "bound %3d: %llu draws per path (%zu seeds), %llu differences\n", bound,
        static_cast<unsigned long long>(per_seed *
                                        (sizeof kSeeds / sizeof kSeeds[0])),
        sizeof kSeeds / sizeof kSeeds[0],
        static_cast<unsigned long long>(differences));
    all_differences += differences;
  }
  // Whole runs through the batches and the worker threads: small shapes
  // by the ten million, tuples of thousands of draws by the ten thousand,
  // in runs of odd lengths; lazy series of one and two bytes a row first,
  // finished over one to eight octets of rows, and the first rows of
  // likely generating tuples first.
  const struct {
    TupleShape shape;
    std::uint64_t tuples;
  } runs[] = {{{true, 16, 8}, 10000000},  {{true, 16, 16}, 10000000},
              {{true, 64, 16}, 2000000},  {{true, 64, 8}, 2000000},
              {{true, 48, 12}, 2000000},  {{true, 64, 24}, 1000000},
              {{true, 80, 20}, 1000000},  {{true, 2000, 8}, 100000},
              {{false, 20, 20}, 2000000}, {{false, 3, 3}, 10000000},
              {{true, 2000, 120}, 300},   {{false, 600, 30}, 20000},
              {{false, 2000, 120}, 100}};
  for (const auto& run : runs) {
    const std::uint64_t tuples = run.tuples * per_bound / 1000000000ull;
    std::uint64_t differences = 0;
    for (std::uint32_t seed : {12345u, 4294967295u}) {
      differences += compare_runs(run.shape, seed, tuples, tuples / 7 + 1);
    }
    std::printf(
        "%s %d %d: %llu tuples per path and thread count (2 seeds), "
        "%llu differences\n",
        run.shape.packed ? "packed" : "flags", run.shape.n, run.shape.k,
        static_cast<unsigned long long>(2 * tuples),
        static_cast<unsigned long long>(differences));
    all_differences += differences;
  }
  std::printf("paths:");
  for (Path path : core::engine::kAllPaths) {
    if (core::engine::path_supported(path)) {
      std::printf(" %s", core::engine::path_name(path));
    }
  }
  std::printf("\n");
  return all_differences == 0 ? 0 : 1;
}
