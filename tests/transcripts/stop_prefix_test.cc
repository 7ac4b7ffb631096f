// quintrel stopped by Alt-R on the simulated console at looks for keys
// spread over a run (the first, and later ones as the poll's pace grows):
// the report counts the tuples before the stop, and their generating ones
// are the plain operations' on exactly that many tuples.  The restart that
// follows seeds afresh from the same tick count (the streams have moved
// the seed on), and counts as the plain operations from that seed.  With
// all processors (worker threads test ahead of the stop) and with one.
#include <gtest/gtest.h>
#include <sched.h>

#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "core/packed_tuple.h"
#include "core/parameters.h"
#include "runtime/random_source.h"
#include "tests/transcripts/simulated_quintrel.h"
#include "tests/transcripts/transcript_test.h"

namespace transcripts {
namespace {

constexpr std::uint32_t kTicks = 424242;
constexpr int kN = 16;
constexpr int kK = 16;  // about one tuple in eleven generates
constexpr int kRestartTests = 3000;

struct Report {
  std::int64_t tested = -1;
  std::int64_t generating = -1;
};

std::vector<Report> reports(const std::string& screen) {
  static const std::regex kReport("Tested:([0-9]+) Generating:([0-9]+)");
  std::vector<Report> found;
  for (auto it = std::sregex_iterator(screen.begin(), screen.end(), kReport);
       it != std::sregex_iterator(); ++it) {
    found.push_back({std::stoll((*it)[1]), std::stoll((*it)[2])});
  }
  return found;
}

// The plain operations' generating count on the next `tests` tuples.
std::int64_t plain_generating(std::int64_t tests) {
  core::parameters.n = kN;
  core::parameters.k = kK;
  core::parameters.byte_count = kN / 8;
  std::int64_t generating = 0;
  for (std::int64_t t = 0; t < tests; ++t) {
    core::packed::fill_tuple();
    generating += core::packed::test_tuple_packed();
  }
  return generating;
}

// Runs the session with the process (and so its child) on the processors
// of `cpus` (all when empty).
ConsoleOutcome session(const std::string& keys, const std::vector<int>& cpus) {
  cpu_set_t before;
  sched_getaffinity(0, sizeof before, &before);
  if (!cpus.empty()) {
    cpu_set_t only;
    CPU_ZERO(&only);
    for (int cpu : cpus) CPU_SET(cpu, &only);
    sched_setaffinity(0, sizeof only, &only);
  }
  ConsoleOutcome outcome = run_simulated_quintrel(
      "80x60", keys,
      {"TEST_TICK_COUNT=" + std::to_string(kTicks),
       "TEST_LOCAL_TIME=12:00:00.000", "TEST_CLOCK_STEP=3"});
  sched_setaffinity(0, sizeof before, &before);
  return outcome;
}

TEST(StopsOnTheConsole, CountThePlainPrefixAndStartAfresh) {
  if (skipped("quintrel")) GTEST_SKIP() << "quintrel is left out";
  cpu_set_t mine;
  sched_getaffinity(0, sizeof mine, &mine);
  int first_cpu = 0;
  while (!CPU_ISSET(first_cpu, &mine)) ++first_cpu;
  const std::vector<std::vector<int>> processors = {{}, {first_cpu}};
  std::int64_t largest = 0;
  for (const std::vector<int>& cpus : processors) {
    for (int ignored : {0, 1, 4, 9, 13}) {
      SCOPED_TRACE(testing::Message()
                   << (cpus.empty() ? "all processors" : "one processor")
                   << ", stop at look " << ignored + 1);
      std::string keys =
          std::to_string(kN) + "\n" + std::to_string(kK) + "\n0\n";
      // Keys the poll takes and passes over, one a look, then Alt-R.
      for (int i = 0; i < ignored; ++i) keys += "{during-run}x\n";
      keys += "{during-run}{alt-r}\n1\n" + std::to_string(kN) + "\n" +
              std::to_string(kK) + "\n" + std::to_string(kRestartTests) +
              "\n0\n\n";
      const ConsoleOutcome outcome = session(keys, cpus);
      EXPECT_EQ(outcome.process.exit_code, 0);
      const std::vector<Report> found = reports(outcome.screen);
      ASSERT_EQ(found.size(), 2u) << outcome.screen;
      ASSERT_GT(found[0].tested, 0);
      EXPECT_EQ(found[1].tested, kRestartTests);
      // The mark due at the tuple the stop came after follows the stop
      // message, as when every tuple is polled after its test; marks due
      // before it precede it.  Read without spaces and row ends, which
      // fall where the rows wrap.
      std::string flat;
      for (char c : outcome.screen) {
        if (c != ' ' && c != '\n') flat += c;
      }
      const std::string message = "Enteringintostopmode...,pleasewait";
      const std::size_t at = flat.find(message);
      ASSERT_NE(at, std::string::npos);
      ASSERT_GT(at, 0u);
      EXPECT_EQ(flat[at - 1] == '.', found[0].tested > 256);
      EXPECT_EQ(flat[at + message.size()] == '.', found[0].tested % 256 == 0);
      runtime::random_state = runtime::RandomState{};
      runtime::random_state.seed = kTicks;
      EXPECT_EQ(found[0].generating, plain_generating(found[0].tested));
      runtime::random_state.seed = kTicks;
      EXPECT_EQ(found[1].generating, plain_generating(kRestartTests));
      if (found[0].tested > largest) largest = found[0].tested;
    }
  }
  // The later looks stop runs long enough for both counts to mean much.
  EXPECT_GT(largest, 10000);
}

}  // namespace
}  // namespace transcripts
