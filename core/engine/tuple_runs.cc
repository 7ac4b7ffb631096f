// Batches of tuples through series tested ahead, by this thread or by
// worker threads; see tuple_runs.h.
#include "core/engine/tuple_runs.h"

#include <cstdint>
#include <cstring>

#include "core/engine/dispatch.h"
#include "core/engine/draw_streams.h"
#include "core/engine/tuple_series.h"
#include "core/engine/worker_pool.h"
#include "platform/processors.h"
#include "runtime/random_source.h"

namespace core::engine {
namespace {

// Where a run stands: its shape, the offsets after the last tuple handed
// out (and the states they give, where the source must still stand), and
// the verdicts tested but not yet handed out.
struct Run {
  bool started = false;
  TupleShape shape;
  StreamOffsets handed{};
  StreamStates expected{};
  const std::uint8_t* verdicts = nullptr;
  int next = 0;      // the next verdict to hand out
  int ready = 0;     // verdicts tested
  TupleJumps jumps;  // moves the handed-out offsets on
};

Run run;

// Tested by this thread when there are no workers: the offsets after the
// last tuple tested, and the verdicts of one series.
struct OwnTests {
  StreamOffsets tested{};
  std::uint8_t verdicts[kMaxSeries + 4];
  Workspace workspace;
};

OwnTests own;

int threads = 0;  // 0 until the first run asks the processors
WorkerPool* workers = nullptr;

// Starts afresh from where the source stands, which `taken` holds.
[[gnu::noinline]] void restart(const TupleShape& shape,
                               const StreamStates& taken) {
  if (threads == 0) set_engine_threads(0);
  if (threads > 1 && workers == nullptr) workers = start_workers(threads);
  prepare_tuple_jumps(shape.draws(), run.jumps);
  run.started = true;
  run.shape = shape;
  run.handed = offsets_of(taken);
  run.next = 0;
  run.ready = 0;
  if (workers != nullptr) {
    restart_workers(*workers, shape, run.handed, kernels());
  } else {
    own.tested = run.handed;
  }
}

[[gnu::noinline]] void take_tested() {
  run.next = 0;
  if (workers != nullptr) {
    run.verdicts = next_worker_verdicts(*workers, run.ready);
    return;
  }
  run.ready = series_tuples(run.shape);
  evaluate_tuples(own.workspace, run.shape, kernels(), own.tested, run.ready,
                  own.verdicts);
  run.verdicts = own.verdicts;
}

// How many of `count` verdicts (each 0 or 1) are 1: eight at a time, the
// multiplication summing a word's bytes into its top byte.
std::int32_t count_generating(const std::uint8_t* verdicts, int count) {
  std::int32_t sum = 0;
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    std::uint64_t eight;
    std::memcpy(&eight, verdicts + i, sizeof eight);
    sum += static_cast<std::int32_t>((eight * 0x0101010101010101ull) >> 56);
  }
  for (; i < count; ++i) sum += verdicts[i];
  return sum;
}

// Moves the handed-out offsets `count` tuples on.
void hand_out(int count) {
  for (; count > 0; count -= kMaxSeries) {
    jump_tuples(run.jumps, run.handed, count < kMaxSeries ? count : kMaxSeries);
  }
}

}  // namespace

void end_run() {
  run.started = false;
  if (workers != nullptr) stop_workers(workers);
  workers = nullptr;
}

int engine_threads() { return threads; }

void set_engine_threads(int count) {
  end_run();
  threads = count < 1 ? platform::usable_processors() : count;
}

std::int32_t run_tuples(const TupleShape& shape, std::int32_t count) {
  const StreamStates taken = runtime::take_streams();
  if (!run.started || !(shape == run.shape) || !(taken == run.expected)) {
    restart(shape, taken);
  }
  std::int32_t generating = 0;
  while (count > 0) {
    if (run.next == run.ready) take_tested();
    const int available = run.ready - run.next;
    const int take = count < available ? count : available;
    const std::uint8_t* verdicts = run.verdicts + run.next;
    generating += count_generating(verdicts, take);
    run.next += take;
    count -= take;
    hand_out(take);
  }
  run.expected = states_at(run.handed);
  runtime::set_streams(run.expected);
  return generating;
}

}  // namespace core::engine
