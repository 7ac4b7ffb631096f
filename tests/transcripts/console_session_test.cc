// Whole sessions of quintrel on the simulated console (console_cases.txt):
// keys typed in, the screen at the end, standard output and error, the
// exit code.  And the shipped quintrel where there is no terminal at all.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/transcripts/simulated_quintrel.h"
#include "tests/transcripts/transcript_test.h"

namespace transcripts {

ConsoleOutcome run_simulated_quintrel(
    const std::string& console, const std::string& keys,
    const std::vector<std::string>& environment, OutputTo output_to) {
  static int sessions = 0;
  const std::string screen_file = ::testing::TempDir() + "quintrel_screen_" +
                                  std::to_string(getpid()) + "_" +
                                  std::to_string(++sessions);
  std::remove(screen_file.c_str());
  const bool piped = console.find(",piped") != std::string::npos;
  std::vector<std::string> env = environment;
  env.push_back("TEST_CONSOLE=" + console);
  env.push_back("TEST_SCREEN_OUT=" + screen_file);
  if (!piped) env.push_back("TEST_KEY_SCRIPT=" + keys);
  ConsoleOutcome outcome;
  outcome.process = run_process(test_program("quintrel_simulated"), {}, env,
                                piped ? keys : "", output_to);
  std::ifstream file(screen_file, std::ios::binary);
  std::ostringstream screen;
  screen << file.rdbuf();
  outcome.screen = screen.str();
  std::remove(screen_file.c_str());
  return outcome;
}

namespace {

struct ConsoleSession {
  std::string name, ticks, time, step;
  int exit_code = 0;
  std::string console;
};

std::vector<ConsoleSession> console_sessions() {
  std::istringstream manifest(read_stored("console_cases.txt"));
  std::vector<ConsoleSession> sessions;
  for (std::string line; std::getline(manifest, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    ConsoleSession s;
    fields >> s.name >> s.ticks >> s.time >> s.step >> s.exit_code >> s.console;
    sessions.push_back(s);
  }
  return sessions;
}

// A stored file, or "" when the session has none.
std::string stored_or_empty(const std::string& name) {
  try {
    return read_stored(name);
  } catch (const std::runtime_error&) {
    return "";
  }
}

void PrintTo(const ConsoleSession& s, std::ostream* out) {
  *out << "quintrel/" << s.name;
}

class ConsoleSessionTest : public ::testing::TestWithParam<ConsoleSession> {};

TEST_P(ConsoleSessionTest, ShowsTheStoredScreen) {
  const ConsoleSession& s = GetParam();
  if (skipped("quintrel")) GTEST_SKIP() << "quintrel is left out";
  const std::string base = "quintrel/" + s.name;
  const ConsoleOutcome outcome = run_simulated_quintrel(
      s.console, read_stored(base + ".in"),
      {"TEST_TICK_COUNT=" + s.ticks, "TEST_LOCAL_TIME=" + s.time,
       "TEST_CLOCK_STEP=" + s.step});
  EXPECT_TRUE(same_bytes(stored_or_empty(base + ".screen"), outcome.screen));
  EXPECT_TRUE(
      same_bytes(stored_or_empty(base + ".out"), outcome.process.output));
  EXPECT_EQ(outcome.process.errors, stored_or_empty(base + ".err"));
  EXPECT_EQ(outcome.process.exit_code, s.exit_code);
}

INSTANTIATE_TEST_SUITE_P(
    Console, ConsoleSessionTest, ::testing::ValuesIn(console_sessions()),
    [](const ::testing::TestParamInfo<ConsoleSession>& info) {
      return info.param.name;
    });

TEST(NoTerminal, ShippedQuintrelSaysSoOnStandardErrorAndEndsWith1) {
  if (skipped("quintrel")) GTEST_SKIP() << "quintrel is left out";
  // Pipes all round, in a session without a controlling terminal.
  const Outcome outcome = run_process(shipped("quintrel"), {}, {}, "16\n");
  EXPECT_EQ(outcome.errors, "No way to get the console handle\r\n");
  EXPECT_EQ(outcome.output, "");
  EXPECT_EQ(outcome.exit_code, 1);
}

}  // namespace
}  // namespace transcripts
