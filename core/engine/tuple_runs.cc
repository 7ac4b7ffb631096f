// Batches of tuples through series drawn ahead; see tuple_runs.h.
#include "core/engine/tuple_runs.h"

#include <cstdint>

#include "core/engine/draw_streams.h"
#include "core/engine/tuple_series.h"
#include "runtime/random_source.h"

namespace core::engine {
namespace {

// Where a run stands: its shape, the offsets after the last tuple handed
// out (and the states they give, where the source must still stand), the
// offsets after the last tuple tested, and the verdicts tested but not yet
// handed out.
struct Run {
  TupleShape shape;
  StreamOffsets handed{};
  StreamStates expected{};
  StreamOffsets tested{};
  int next = 0;   // the next verdict to hand out
  int ready = 0;  // verdicts tested
  // a^((i + 1) * draws per tuple) for each stream: takes an offset i + 1
  // tuples ahead.
  std::uint32_t multipliers[kStreams][kMaxSeries];
  std::uint8_t verdicts[kMaxSeries + 4];
};

Run run;
Workspace workspace;

void prepare_multipliers(const TupleShape& shape) {
  StreamOffsets step{};
  for (int i = 0; i < kStreams; ++i) {
    step.offset[i] = runtime::stream_power(i, shape.draws());
  }
  StreamOffsets power = step;
  for (int t = 0; t < kMaxSeries; ++t) {
    for (int i = 0; i < kStreams; ++i) {
      run.multipliers[i][t] = static_cast<std::uint32_t>(power.offset[i]);
    }
    multiply_streams(power, step);
  }
}

// Starts afresh from where the source stands, which `taken` holds.
[[gnu::noinline]] void restart(const TupleShape& shape,
                               const StreamStates& taken) {
  if (!(shape == run.shape)) prepare_multipliers(shape);
  run.shape = shape;
  run.handed = offsets_of(taken);
  run.tested = run.handed;
  run.next = 0;
  run.ready = 0;
}

[[gnu::noinline]] void test_ahead() {
  const int tuples = series_tuples(run.shape);
  evaluate_tuples(workspace, run.shape, run.tested, tuples, run.verdicts);
  run.next = 0;
  run.ready = tuples;
}

// Moves the handed-out offsets `count` (1..kMaxSeries) tuples on.
void hand_out(int count) {
  const int j = count - 1;
  StreamOffsets factors{};
  for (int i = 0; i < kStreams; ++i) factors.offset[i] = run.multipliers[i][j];
  multiply_streams(run.handed, factors);
}

}  // namespace

std::int32_t run_tuples(const TupleShape& shape, std::int32_t count) {
  const StreamStates taken = runtime::take_streams();
  if (!(shape == run.shape) || !(taken == run.expected) || run.ready == 0) {
    restart(shape, taken);
  }
  std::int32_t generating = 0;
  while (count > 0) {
    if (run.next == run.ready) test_ahead();
    const int available = run.ready - run.next;
    const int take = count < available ? count : available;
    const std::uint8_t* verdicts = run.verdicts + run.next;
    for (int i = 0; i < take; ++i) generating += verdicts[i];
    run.next += take;
    count -= take;
    hand_out(take);
  }
  run.expected = states_at(run.handed);
  runtime::set_streams(run.expected);
  return generating;
}

}  // namespace core::engine
