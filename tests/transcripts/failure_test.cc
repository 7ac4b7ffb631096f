// The failure report of the real programs: where its addresses point,
// what happens when even the report cannot be written, processor faults,
// and seeding from the tick count.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>

#include "tests/transcripts/process.h"
#include "tests/transcripts/simulated_quintrel.h"
#include "tests/transcripts/transcript_test.h"

namespace transcripts {
namespace {

// The eight-digit offsets of the report's back-trace lines, in order.
std::vector<std::string> back_trace(const std::string& output) {
  std::vector<std::string> offsets;
  const std::regex line("\r\n  0x([0-9A-F]{8})(?=\r\n)");
  for (auto it = std::sregex_iterator(output.begin(), output.end(), line);
       it != std::sregex_iterator(); ++it)
    offsets.push_back((*it)[1]);
  return offsets;
}

// The address at which `program` is linked to load: the image base of a
// Windows executable, 0 for a position-independent ELF one.
unsigned long link_base(const std::string& program) {
  std::ifstream file(program, std::ios::binary);
  unsigned char header[0x200] = {};
  file.read(reinterpret_cast<char*>(header), sizeof header);
  auto number = [&](std::size_t at, int bytes) {
    unsigned long value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | header[at + i];
    return value;
  };
  if (header[0] != 'M' || header[1] != 'Z') return 0;
  const std::size_t pe = number(0x3C, 4);
  // "PE\0\0", the file header (20 bytes), then the optional header of a
  // 64-bit image, whose base is at its offset 24.
  if (pe + 24 + 32 > sizeof header || number(pe, 4) != 0x4550 ||
      number(pe + 24, 2) != 0x20B)
    return 0;
  return number(pe + 24 + 24, 8);
}

// The source file of the routine that holds an offset into `program`:
// the outermost entry of addr2line's inline chain.  Offsets are return
// addresses, so the byte before names the call.
std::string source_of(const std::string& program, const std::string& offset) {
  char before[32];
  std::snprintf(before, sizeof before, "0x%lx",
                link_base(program) + std::stoul(offset, nullptr, 16) - 1);
  const std::string command =
      "addr2line -i -e '" + program + "' " + before + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"),
                                             pclose);
  std::string where;
  char buffer[512];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) where = buffer;
  where = where.substr(0, where.rfind(':'));
  return where.substr(where.rfind('/') + 1);
}

bool have_addr2line() {
  return std::system("addr2line --version >/dev/null 2>&1") == 0;
}

TEST(FailureReport, AddressesNameTheFailingStatementAndItsCallers) {
  if (!have_addr2line()) GTEST_SKIP() << "addr2line is not installed";
  struct Row {
    const char* program;
    const char* input;
    std::vector<std::string> sources;
  } rows[] = {
      // Improper first answer: the dialog, the driver, the start-up code.
      {"quintrel",
       "x\n",
       {"parameter_dialog.cc", "drivers.cc", "run_time_error.cc"}},
      {"tolvaric",
       "12abc\n",
       {"parameter_dialog.cc", "drivers.cc", "run_time_error.cc"}},
      // Improper restart answer: the driver itself, then the start-up code.
      {"tolvaric", "3\n3\n1\nyes\n", {"drivers.cc", "run_time_error.cc"}},
  };
  for (const Row& row : rows) {
    if (skipped(row.program)) continue;
    SCOPED_TRACE(std::string(row.program) + " with " + row.input);
    // quintrel reads its answers from a console: the simulated one.
    const bool on_console = std::string(row.program) == "quintrel";
    const std::string binary =
        on_console ? test_program("quintrel_simulated") : shipped(row.program);
    const Outcome outcome =
        on_console ? run_simulated_quintrel("80x25", row.input).process
                   : run_process(binary, {}, {}, row.input);
    EXPECT_EQ(outcome.exit_code, 217);
    EXPECT_NE(outcome.output.find("\r\nInvalid input\r\n"), std::string::npos);
    const std::vector<std::string> offsets = back_trace(outcome.output);
    ASSERT_EQ(offsets.size(), row.sources.size()) << outcome.output;
    for (std::size_t i = 0; i < offsets.size(); ++i)
      EXPECT_EQ(source_of(binary, offsets[i]), row.sources[i])
          << "line " << i + 1;
    // The first line names the same location as the back-trace's first.
    EXPECT_NE(outcome.output.find("occurred at 0x" + offsets[0] + " :"),
              std::string::npos);
  }
}

TEST(FailureReport, UnwritableOutputStillEndsWith217) {
  // Standard output a pipe nobody reads, or a full disk: tolvaric cannot
  // write its introduction, quintrel (which draws on the console) the
  // report of its improper answer; neither can write the report.
  for (OutputTo target : {OutputTo::kClosedPipe, OutputTo::kDevFull}) {
    for (const char* program : {"quintrel", "tolvaric"}) {
      if (skipped(program)) continue;
      SCOPED_TRACE(program);
      const Outcome failed =
          std::string(program) == "quintrel"
              ? run_simulated_quintrel("80x25", "x\n", {}, target).process
              : run_process(shipped(program), {}, {}, "16\n", target);
      EXPECT_EQ(failed.signal, 0);
      EXPECT_EQ(failed.exit_code, 217);
      EXPECT_EQ(failed.errors, "");
    }
  }
}

TEST(FailureReport, OutputPastTheFileSizeLimitEndsWith217) {
  // The write that crosses the limit takes what fits; the next one fails
  // (EFBIG, disk full) instead of killing the program, and the report,
  // which no longer fits either, is abandoned.  The file holds exactly the
  // first bytes of the same session without a limit: tolvaric's
  // introduction, quintrel's report of its improper answer.
  if (std::getenv("TRANSCRIPT_LAUNCHER") != nullptr)
    GTEST_SKIP() << "a file-size limit is a POSIX process's";
  for (const char* program : {"quintrel", "tolvaric"}) {
    SCOPED_TRACE(program);
    const bool on_console = std::string(program) == "quintrel";
    const auto run = [&](OutputTo target) {
      return on_console
                 ? run_simulated_quintrel("80x25", "x\n", {}, target).process
                 : run_process(scripted(program), {}, {}, "16\n8\n", target);
    };
    const Outcome whole = run(OutputTo::kPipe);
    const Outcome limited = run(OutputTo::kSizeLimitedFile);
    ASSERT_GT(whole.output.size(), kOutputFileLimit);
    EXPECT_EQ(limited.signal, 0);
    EXPECT_EQ(limited.exit_code, 217);
    EXPECT_EQ(limited.errors, "");
    EXPECT_EQ(limited.output, whole.output.substr(0, kOutputFileLimit));
  }
}

TEST(FailureReport, StandardInputFailuresNameTheirCause) {
  // errno values through their Windows numbers to the report's message,
  // for failures a standard input can have.
  if (std::getenv("TRANSCRIPT_LAUNCHER") != nullptr)
    GTEST_SKIP() << "these are failures of POSIX descriptors";
  struct Row {
    InputFrom input;
    const char* cause;
    const char* message;
  } rows[] = {
      {InputFrom::kClosed, "EBADF", "Invalid file handle"},
      {InputFrom::kDirectory, "EISDIR", "Access denied"},
      {InputFrom::kEmptyNonBlockingPipe, "EAGAIN",
       "Unknown Run-Time error : 232"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.cause);
    const Outcome outcome = run_process(shipped("tolvaric"), {}, {}, "",
                                        OutputTo::kPipe, row.input);
    EXPECT_EQ(outcome.exit_code, 217);
    const std::size_t report = outcome.output.find("Enter n in [2...2000] :");
    ASSERT_NE(report, std::string::npos) << outcome.output;
    EXPECT_TRUE(
        same_bytes(std::string("Enter n in [2...2000] :An unhandled "
                               "exception occurred at 0x???????? :\r\n") +
                       row.message +
                       "\r\n  0x????????\r\n  0x????????\r\n  "
                       "0x????????\r\n\r\n",
                   outcome.output.substr(report)));
  }
}

TEST(FailureReport, ProcessorFaultsBecomeRunTimeErrors) {
  struct Row {
    const char* fault;
    const char* message;
  } rows[] = {
      {"divide", "Division by zero"},
      {"float-divide", "Division by zero"},
      {"x87-divide", "Division by zero"},
      {"invalid", "Invalid floating point operation"},
      {"overflow", "Floating point overflow"},
      {"access", "Access violation"},
  };
  const std::string probe = test_program("fault_probe");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fault);
    const Outcome outcome = run_process(probe, {row.fault}, {}, "");
    EXPECT_EQ(outcome.exit_code, 217);
    EXPECT_TRUE(same_bytes(std::string("An unhandled exception occurred at "
                                       "0x???????? :\r\n") +
                               row.message +
                               "\r\n  0x????????\r\n  0x????????\r\n\r\n",
                           outcome.output));
    if (have_addr2line()) {
      const std::vector<std::string> offsets = back_trace(outcome.output);
      ASSERT_EQ(offsets.size(), 2u);
      EXPECT_EQ(source_of(probe, offsets[0]), "fault_probe.cc");
      EXPECT_EQ(source_of(probe, offsets[1]), "run_time_error.cc");
    }
  }
}

TEST(FailureReport, ErrorBeforeStartUpEndsWithThePlainReport) {
  const std::string probe = test_program("fault_probe");
  const Outcome outcome = run_process(probe, {"early"}, {}, "");
  EXPECT_EQ(outcome.exit_code, 102);
  // The location, then the callers outwards: main and the C library's
  // start-up, which the walk passes since run_program never ran.
  const std::regex form(
      "Runtime error 102 at 0x[0-9A-F]{8}\r\n"
      "(  0x[0-9A-F]{8}\r\n){3,}\r\n");
  EXPECT_TRUE(std::regex_match(outcome.output, form)) << outcome.output;
  const std::vector<std::string> offsets = back_trace(outcome.output);
  ASSERT_FALSE(offsets.empty());
  EXPECT_EQ(outcome.output.substr(23, 8), offsets[0]);
}

// The Generating count of a flag run of n=20, k=20 and 2000 tuples.
std::string generating_count(const std::string& ticks) {
  const Outcome outcome =
      run_process(scripted("tolvaric"), {}, {"TEST_TICK_COUNT=" + ticks},
                  "20\n20\n2000\n0\n\n");
  std::smatch match;
  std::regex_search(outcome.output, match, std::regex("Generating:(\\d+)"));
  return match.size() > 1 ? match[1].str() : "";
}

TEST(Seeding, TwoTickCountsGiveTwoCounts) {
  const std::string first = generating_count("1");
  const std::string second = generating_count("2");
  ASSERT_NE(first, "");
  EXPECT_NE(first, second);
  EXPECT_EQ(first, generating_count("1"));  // and the same one again
}

}  // namespace
}  // namespace transcripts
