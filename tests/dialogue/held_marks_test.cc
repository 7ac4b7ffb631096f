// tolvaric's progress marks, held back while the tick count stands still:
// the same bytes as a write per mark, in far fewer writes, and nothing
// left behind at the end of a run.
#include <gtest/gtest.h>

#include <string>

#include "dialogue/experiment.h"
#include "runtime/text_channel.h"
#include "tests/fakes/fake_platform.h"

namespace dialogue {
namespace {

std::string marks(int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += ". ";
  return text;
}

// `tuples` tuples in batches of 256 as the tolvaric driver counts them,
// the tick count moving by `tick_step` after each batch, then the end of
// the run.  The bytes written and the number of writes.
std::pair<std::string, int> run(int tuples, std::uint32_t tick_step) {
  fake::reset();
  runtime::bind_standard_channels();
  experiment = Experiment{};
  while (experiment.tested < tuples) {
    experiment.tested += next_batch(tuples, 256);
    hold_progress_mark();
    fake::state.tick_count += tick_step;
  }
  release_marks();
  return {fake::state.written[fake::kOutput],
          fake::state.write_calls[fake::kOutput]};
}

TEST(HeldMarks, SameBytesInFewerWrites) {
  const struct {
    const char* name;
    int tuples;
    std::uint32_t tick_step;
    int fewest_writes;
    int most_writes;
  } rows[] = {
      // A clock that stands still: everything at the end, 128 marks to the
      // channel's buffer of 256 bytes.
      {"still clock", 256 * 300, 0, 3, 4},
      {"a tick every batch", 256 * 300, 1, 299, 300},
      {"one batch", 256, 0, 1, 1},
      {"no mark", 255, 0, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto [bytes, writes] = run(row.tuples, row.tick_step);
    EXPECT_EQ(bytes, marks(row.tuples / 256));
    EXPECT_GE(writes, row.fewest_writes);
    EXPECT_LE(writes, row.most_writes);
  }
}

}  // namespace
}  // namespace dialogue
