#include "dialogue/stop_request.h"

#include "dialogue/experiment.h"
#include "tests/terminal/terminal_fixture.h"

namespace dialogue {
namespace {

class StopRequest : public terminal::TerminalTest {
 protected:
  void SetUp() override {
    start();
    connect_stop_keys(terminal::key_waiting, terminal::read_key);
    experiment = Experiment{};
    start_stop_polling();
    asks_before = fake::console.counts;  // the layer's start looked once
  }
  void TearDown() override {
    connect_stop_keys(nullptr, nullptr);
    TerminalTest::TearDown();
  }
  // How often the poll has asked the console for keys.
  int asks() const { return fake::console.counts - asks_before; }
  int asks_before = 0;

  // One pass of the run loop's counting and poll.
  static void tuple(std::uint32_t milliseconds = 0) {
    fake::state.tick_count += milliseconds;
    ++experiment.tested;
    poll_stop_request();
  }
};

TEST_F(StopRequest, OnlyAltRStops) {
  struct Row {
    const char* keys;
    bool stops;
  } rows[] = {
      {"{alt-r}", true},   {"r", false},         {"R", false},
      {"{ctrl-s}", false}, {"{altgr-r}", false}, {"{alt-x}", false},
      {"{f3}", false},     {"{alt-s}", false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.keys);
    SetUp();
    fake::type(r.keys);
    tuple();
    EXPECT_EQ(experiment.stop_requested, r.stops);
    EXPECT_TRUE(fake::console.queue.empty());  // consumed either way
    EXPECT_FALSE(terminal::key_waiting());
    EXPECT_EQ(row(1),
              r.stops ? " Entering into stop mode ..., please wait" : "");
    EXPECT_EQ(cursor(), r.stops ? "1,2" : "1,1");
  }
}

TEST_F(StopRequest, TakesOneKeyPerPoll) {
  fake::type("r{alt-x}{alt-r}z");
  tuple(1);
  EXPECT_FALSE(experiment.stop_requested);
  EXPECT_EQ(fake::console.queue.size(), 3u);
  tuple(1);
  EXPECT_FALSE(experiment.stop_requested);
  tuple(1);
  EXPECT_TRUE(experiment.stop_requested);
  EXPECT_EQ(fake::console.queue.size(), 1u);  // 'z' waits for the dialog
}

TEST_F(StopRequest, AsksTheConsoleAtMostOncePerTick) {
  struct Row {
    const char* name;
    int tuples;
    int tuples_per_tick;  // 0: the tick count stands still
    int fewest_asks;
    int most_asks;
  } rows[] = {
      {"tick standing still", 300000, 0, 1, 6},
      {"100 tuples a tick", 100000, 100, 300, 1001},
      {"7 tuples a tick", 7000, 7, 300, 1001},
      {"one tuple a tick", 1000, 1, 1000, 1000},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    SetUp();
    for (int i = 1; i <= r.tuples; ++i)
      tuple(r.tuples_per_tick != 0 && i % r.tuples_per_tick == 0 ? 1 : 0);
    EXPECT_GE(asks(), r.fewest_asks);
    EXPECT_LE(asks(), r.most_asks);
  }
}

TEST_F(StopRequest, SlowTuplesAreAskedAfterEachAndNewRunsAtOnce) {
  // A fast run teaches a long stride ...
  for (int i = 0; i < 100000; ++i) tuple();
  // ... which a new run of slow tuples forgets at its first tuple.
  experiment.tested = 0;
  start_stop_polling();
  const int before = asks();
  for (int i = 0; i < 10; ++i) tuple(20);
  EXPECT_EQ(asks(), before + 10);
  fake::type("{alt-r}");
  tuple(20);
  EXPECT_TRUE(experiment.stop_requested);
}

TEST_F(StopRequest, WithoutKeysNothingIsAsked) {
  connect_stop_keys(nullptr, nullptr);
  fake::type("{alt-r}");
  for (int i = 0; i < 1000; ++i) tuple(5);
  EXPECT_FALSE(experiment.stop_requested);
  EXPECT_EQ(asks(), 0);
}

}  // namespace
}  // namespace dialogue
