// Whole runs as the drivers make them, engine against plain operations on
// every path: the same generating counts and the same random state after
// every run, across re-seeding between runs (to a new seed and to the
// seed the last run left), and when plain draws come in between.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/flag_engine.h"
#include "core/engine/packed_engine.h"
#include "core/engine/tuple_runs.h"
#include "core/flag_tuple.h"
#include "core/packed_tuple.h"
#include "core/parameters.h"
#include "runtime/random_source.h"
#include "tests/core/engine/engine_paths.h"
#include "tests/fakes/fake_platform.h"

namespace core::engine {
namespace {

struct RunShape {
  bool packed;
  int n;
  int k;
  int tests;
};

void set_shape(const RunShape& run) {
  parameters.n = run.n;
  parameters.k = run.k;
  parameters.byte_count = run.n / 8;
}

int plain_run(const RunShape& run) {
  set_shape(run);
  int generating = 0;
  for (int t = 0; t < run.tests; ++t) {
    if (run.packed) {
      core::packed::fill_tuple();
      generating += core::packed::test_tuple_packed();
    } else {
      core::flags::fill_tuple();
      if (core::flags::test_tuple_flags()) ++generating;
    }
  }
  return generating;
}

// The engine's run in batches as a driver makes them: sizes that cross
// the series drawn ahead at every place, single tuples, and whole marks.
int engine_run(const RunShape& run) {
  set_shape(run);
  static constexpr int kBatches[] = {1, 1, 2, 3, 256, 5, 1000, 64, 1025, 7};
  int generating = 0;
  int tested = 0;
  for (int b = 0; tested < run.tests; ++b) {
    int batch = kBatches[b % std::size(kBatches)];
    if (batch > run.tests - tested) batch = run.tests - tested;
    generating +=
        run.packed ? packed::run_tuples(batch) : flags::run_tuples(batch);
    tested += batch;
  }
  return generating;
}

bool same_state(const runtime::RandomState& a, const runtime::RandomState& b) {
  return a.seed == b.seed && a.last_seed == b.last_seed &&
         a.reinit_pending == b.reinit_pending && a.stream2 == b.stream2 &&
         a.stream3 == b.stream3;
}

// What happens between runs: the next run's seeding, or plain draws.
enum class Between { kNewSeed, kSameSeed, kPlainDraws };

// The counts of a session's runs and the random state after each.
struct Session {
  std::vector<int> generating;
  std::vector<runtime::RandomState> states;
};

// A program's session: runs one after another, with `between` before
// each, by the plain operations or by the engine.
Session run_session(const std::vector<RunShape>& runs, std::uint32_t seed,
                    Between between, bool engine) {
  fake::reset();
  runtime::random_state = runtime::RandomState{};
  std::uint32_t ticks = seed;
  Session session;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (i == 0 || between == Between::kNewSeed) {
      fake::state.tick_count = ticks;
      runtime::seed_from_ticks();
    } else if (between == Between::kSameSeed) {
      // A tick count that happens to equal the last seed: no
      // re-initialisation, the streams go on.
      fake::state.tick_count = runtime::random_state.last_seed;
      runtime::seed_from_ticks();
    } else {
      for (int d = 0; d < 7; ++d) runtime::random_below(256);
    }
    session.generating.push_back(engine ? engine_run(runs[i])
                                        : plain_run(runs[i]));
    // The drivers end each run so; every other run here, so that runs
    // both carry on from a pause and from the tuples tested ahead.
    if (engine && i % 2 == 0) end_run();
    session.states.push_back(runtime::random_state);
    ticks = ticks * 2654435761u + 12345;
  }
  return session;
}

// The engine's counts and states must be the plain ones on every path,
// with one thread and with workers: 1 to 8 threads on the best path
// (more than this machine's processors too), 1 and 3 on the others.
void expect_same_session(const std::vector<RunShape>& runs, std::uint32_t seed,
                         Between between) {
  const Session plain = run_session(runs, seed, between, false);
  const Path before = selected_path();

  for (Path path : supported_paths()) {
    select_path(path);
    for (int threads = 1; threads <= 8; ++threads) {
      if (path != best_path() && threads != 1 && threads != 3) continue;
      SCOPED_TRACE(testing::Message()
                   << path_name(path) << ", " << threads << " threads");
      set_engine_threads(threads);
      const Session engine = run_session(runs, seed, between, true);
      for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "run " << i);
        EXPECT_EQ(engine.generating[i], plain.generating[i]);
        EXPECT_TRUE(same_state(engine.states[i], plain.states[i]));
      }
    }
  }
  select_path(before);
  set_engine_threads(0);
}

TEST(WholeRuns, SameCountsAndStatesAsPlainOperations) {
  struct Row {
    const char* name;
    std::vector<RunShape> runs;
    std::uint32_t seed;
  };
  const Row rows[] = {
      {"packed 16 8, 16 2", {{true, 16, 8, 3000}, {true, 16, 2, 500}}, 12345},
      {"packed 24 10", {{true, 24, 10, 2000}}, 1234567},
      // Shapes drawn lazily (on every path the second).
      {"packed 24 8 and 64 8",
       {{true, 24, 8, 2000}, {true, 64, 8, 700}},
       31337},
      {"packed 64 16 and 64 22",
       {{true, 64, 16, 700}, {true, 64, 22, 700}},
       4294967295u},
      {"packed 2000 120", {{true, 2000, 120, 2}}, 1000003},
      // Runs stopped after any number of tuples, as Alt-R stops them: the
      // next run carries on from exactly there.
      // (n=16, k=16: about one tuple in six generates.)
      {"packed 16 16 stopped anywhere",
       {{true, 16, 16, 1},
        {true, 16, 16, 257},
        {true, 16, 16, 4099},
        {true, 16, 16, 77},
        {true, 16, 16, 30001}},
       777},
      {"flags 20 20 and 3 3", {{false, 20, 20, 1500}, {false, 3, 3, 1000}}, 0},
      {"flags 57 17", {{false, 57, 17, 300}}, 999999},
      {"flags 200 24", {{false, 200, 24, 40}}, 2147483648u},
      {"packed then flags", {{true, 8, 8, 500}, {false, 20, 20, 500}}, 1},
  };
  for (Between between :
       {Between::kNewSeed, Between::kSameSeed, Between::kPlainDraws}) {
    for (const Row& row : rows) {
      SCOPED_TRACE(testing::Message() << row.name << ", between runs "
                                      << static_cast<int>(between));
      expect_same_session(row.runs, row.seed, between);
    }
  }
}

}  // namespace
}  // namespace core::engine
