// Whole sessions of both programs as processes over pipes: each stored
// session (cases.txt) gives the answers typed, the clock and tick count,
// and the exact bytes and exit code expected.
#include "tests/transcripts/transcript_test.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/transcripts/process.h"

namespace transcripts {

namespace {

std::string from_environment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : fallback;
}

// A program of the build under test, whose folder holds the shipped
// programs and, in tests/, the test builds.
std::string program_path(const std::string& folder, const std::string& name) {
  return folder + "/" + name + from_environment("TRANSCRIPT_SUFFIX", "");
}

}  // namespace

std::string test_program(const std::string& name) {
  const char* build = std::getenv("TRANSCRIPT_BUILD");
  return program_path(
      build != nullptr ? std::string(build) + "/tests" : PROGRAM_DIR, name);
}

std::string scripted(const std::string& program) {
  return test_program(program + "_scripted");
}

std::string shipped(const std::string& program) {
  return program_path(from_environment("TRANSCRIPT_BUILD", SHIPPED_DIR),
                      program);
}

bool skipped(const std::string& program) {
  std::istringstream names(from_environment("TRANSCRIPT_SKIP", ""));
  for (std::string name; names >> name;)
    if (name == program) return true;
  return false;
}

std::string read_stored(const std::string& name) {
  std::ifstream file(std::string(TRANSCRIPT_DIR) + "/" + name,
                     std::ios::binary);
  if (!file) throw std::runtime_error("missing " + name);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

namespace {

// Makes line ends and other control bytes visible in a failure message.
std::string visible(const std::string& bytes) {
  std::string shown;
  for (char c : bytes) {
    if (c == '\r')
      shown += "\\r";
    else if (c == '\n')
      shown += "\\n\n";
    else
      shown += c;
  }
  return shown;
}

bool matches(char expected, char actual) {
  if (expected != '?') return expected == actual;
  return (actual >= '0' && actual <= '9') || (actual >= 'A' && actual <= 'F');
}

}  // namespace

::testing::AssertionResult same_bytes(const std::string& expected,
                                      const std::string& actual) {
  std::size_t i = 0;
  while (i < expected.size() && i < actual.size() &&
         matches(expected[i], actual[i]))
    ++i;
  if (i == expected.size() && i == actual.size())
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "first difference at byte " << i << "\n--- expected\n"
         << visible(expected) << "\n--- actual\n"
         << visible(actual);
}

namespace {

struct Session {
  std::string name, program, ticks, time, step;
  int exit_code;
};

std::vector<Session> stored_sessions() {
  std::istringstream manifest(read_stored("cases.txt"));
  std::vector<Session> sessions;
  for (std::string line; std::getline(manifest, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    Session s;
    fields >> s.name >> s.program >> s.ticks >> s.time >> s.step >> s.exit_code;
    sessions.push_back(s);
  }
  return sessions;
}

void PrintTo(const Session& s, std::ostream* out) {
  *out << s.program << "/" << s.name;
}

class StoredSession : public ::testing::TestWithParam<Session> {};

TEST_P(StoredSession, ProducesExactBytesAndExitCode) {
  const Session& s = GetParam();
  if (skipped(s.program)) GTEST_SKIP() << s.program << " is left out";
  const Outcome outcome =
      run_process(scripted(s.program), {},
                  {"TEST_TICK_COUNT=" + s.ticks, "TEST_LOCAL_TIME=" + s.time,
                   "TEST_CLOCK_STEP=" + s.step},
                  read_stored(s.program + "/" + s.name + ".in"));
  EXPECT_TRUE(same_bytes(read_stored(s.program + "/" + s.name + ".out"),
                         outcome.output));
  EXPECT_EQ(outcome.errors, "");
  EXPECT_EQ(outcome.exit_code, s.exit_code);
}

INSTANTIATE_TEST_SUITE_P(Transcripts, StoredSession,
                         ::testing::ValuesIn(stored_sessions()),
                         [](const ::testing::TestParamInfo<Session>& info) {
                           return info.param.program + "_" + info.param.name;
                         });

}  // namespace
}  // namespace transcripts
