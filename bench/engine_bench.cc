// The engine against the plain operations, measured in the same run: tuples
// per second of five workloads and draws per second of random_below(256)
// and random_below(2), on every path this processor supports; then whole
// runs of the smallest packed and flag shapes through the real programs.
// Ends with a table of the medians and the ratios; the goals they are
// read against are the README's business, not the benchmark's.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "core/engine/dispatch.h"
#include "core/engine/fast_draws.h"
#include "core/engine/flag_engine.h"
#include "core/engine/packed_engine.h"
#include "core/flag_tuple.h"
#include "core/packed_tuple.h"
#include "core/parameters.h"
#include "runtime/random_source.h"

namespace {

using core::engine::Path;

constexpr std::uint32_t kSeed = 12345;
constexpr int kDrawBatch = 4096;

struct Workload {
  const char* name;  // the variant and its shape, n then k
  bool packed;
  int n;
  int k;
};

constexpr Workload kWorkloads[] = {
    {"packed 16 8", true, 16, 8},         {"packed 64 16", true, 64, 16},
    {"packed 2000 120", true, 2000, 120}, {"flag 20 20", false, 20, 20},
    {"flag 2000 120", false, 2000, 120},
};

struct DrawLoad {
  const char* name;
  int bound;
};

constexpr DrawLoad kDrawLoads[] = {{"draws below 256", 256},
                                   {"draws below 2", 2}};

// A program that has just started and seeded with kSeed.
void start_fresh() {
  runtime::random_state = runtime::RandomState{};
  runtime::random_state.seed = kSeed;
}

void set_shape(const Workload& w) {
  core::parameters.n = w.n;
  core::parameters.k = w.k;
  core::parameters.byte_count = w.n / 8;
}

void plain_tuples(benchmark::State& state, const Workload* w) {
  start_fresh();
  set_shape(*w);
  std::int64_t generating = 0;
  for (auto _ : state) {
    if (w->packed) {
      core::packed::fill_tuple();
      generating += core::packed::test_tuple_packed();
    } else {
      core::flags::fill_tuple();
      generating += core::flags::test_tuple_flags() ? 1 : 0;
    }
  }
  benchmark::DoNotOptimize(generating);
  state.SetItemsProcessed(state.iterations());
}

void engine_tuples(benchmark::State& state, const Workload* w, Path path) {
  core::engine::select_path(path);
  start_fresh();
  set_shape(*w);
  std::int64_t generating = 0;
  // Batches of 256, as the drivers hand them out between progress marks.
  for (auto _ : state) {
    generating += w->packed ? core::engine::packed::run_tuples(256)
                            : core::engine::flags::run_tuples(256);
  }
  benchmark::DoNotOptimize(generating);
  state.SetItemsProcessed(state.iterations() * 256);
}

void plain_draws(benchmark::State& state, int bound) {
  start_fresh();
  static std::int32_t values[kDrawBatch];
  for (auto _ : state) {
    for (std::int32_t& v : values) v = runtime::random_below(bound);
    benchmark::DoNotOptimize(values);
  }
  state.SetItemsProcessed(state.iterations() * kDrawBatch);
}

void engine_draws(benchmark::State& state, int bound, Path path) {
  core::engine::select_path(path);
  start_fresh();
  static std::uint8_t bytes[kDrawBatch + 64];
  static std::uint64_t bits[kDrawBatch / 64];
  for (auto _ : state) {
    if (bound == 256) {
      core::engine::draw_bytes(bytes, kDrawBatch);
      benchmark::DoNotOptimize(bytes);
    } else {
      core::engine::draw_bits(bits, kDrawBatch);
      benchmark::DoNotOptimize(bits);
    }
  }
  state.SetItemsProcessed(state.iterations() * kDrawBatch);
}

// Keeps the median rate of every benchmark while the console reporter
// prints as usual.
class MedianReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median") {
        continue;
      }
      const auto rate = run.counters.find("items_per_second");
      if (rate != run.counters.end()) {
        medians[run.run_name.function_name] = rate->second.value;
      }
    }
  }

  std::map<std::string, double> medians;
};

std::vector<Path> supported_paths() {
  std::vector<Path> paths;
  for (Path path : core::engine::kAllPaths) {
    if (core::engine::path_supported(path)) paths.push_back(path);
  }
  return paths;
}

void register_all() {
  auto tune = [](benchmark::internal::Benchmark* b) { b->MinTime(0.2); };
  for (const Workload& w : kWorkloads) {
    tune(benchmark::RegisterBenchmark((std::string(w.name) + "/plain").c_str(),
                                      plain_tuples, &w));
    for (Path path : supported_paths()) {
      tune(benchmark::RegisterBenchmark(
          (std::string(w.name) + "/" + core::engine::path_name(path)).c_str(),
          engine_tuples, &w, path));
    }
  }
  for (const DrawLoad& d : kDrawLoads) {
    tune(benchmark::RegisterBenchmark((std::string(d.name) + "/plain").c_str(),
                                      plain_draws, d.bound));
    for (Path path : supported_paths()) {
      tune(benchmark::RegisterBenchmark(
          (std::string(d.name) + "/" + core::engine::path_name(path)).c_str(),
          engine_draws, d.bound, path));
    }
  }
}

// Prints one workload's lines of the table: the plain rate, then each
// path's rate and ratio.
void print_rows(const std::map<std::string, double>& medians,
                const std::string& name) {
  const auto plain = medians.find(name + "/plain");
  if (plain == medians.end()) return;
  std::printf("%-20s %-9s %12.4g\n", name.c_str(), "plain", plain->second);
  for (Path path : supported_paths()) {
    const auto rate = medians.find(name + "/" + core::engine::path_name(path));
    if (rate == medians.end()) continue;
    const double ratio = rate->second / plain->second;
    std::printf("%-20s %-9s %12.4g %9.1fx\n", "", core::engine::path_name(path),
                rate->second, ratio);
  }
}

// Runs `program` with `input` on its standard input and a terminal of 80
// by 25 as its console (standard output and error), and returns all it
// wrote there.
std::string run_on_terminal(const std::string& program,
                            const std::string& input) {
  int input_pipe[2];
  if (pipe(input_pipe) != 0) return "";
  winsize size{};
  size.ws_row = 25;
  size.ws_col = 80;
  int terminal = -1;
  const pid_t child = forkpty(&terminal, nullptr, nullptr, &size);
  if (child < 0) return "";
  if (child == 0) {
    dup2(input_pipe[0], STDIN_FILENO);
    close(input_pipe[0]);
    close(input_pipe[1]);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(input_pipe[0]);
  // The answers fit the pipe; a failed write shows as a missing report.
  const ssize_t written = write(input_pipe[1], input.data(), input.size());
  static_cast<void>(written);
  close(input_pipe[1]);
  // Read what has come every 2 ms, as a terminal draws at its own pace,
  // rather than waking up for every progress mark.
  std::string output;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(terminal, buffer, sizeof buffer);
    if (got <= 0) break;  // EIO once the child has closed the terminal
    output.append(buffer, static_cast<std::size_t>(got));
    usleep(2000);
  }
  close(terminal);
  waitpid(child, nullptr, 0);
  return output;
}

// Runs `program` with `input` on a pipe and its output on another.
std::string run_on_pipes(const std::string& program, const std::string& input) {
  const std::string command = "printf '" + input + "' | " + program;
  std::string output;
  FILE* stream = popen(command.c_str(), "r");
  if (stream == nullptr) return "";
  char buffer[65536];
  std::size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, stream)) > 0) {
    output.append(buffer, got);
  }
  pclose(stream);
  return output;
}

// Tuples per second from a program's report: "Tested:N" and the seconds
// of "... used  S seconds.", escape sequences and line breaks removed.
double reported_rate(const std::string& output) {
  const std::string text = std::regex_replace(
      output, std::regex("\x1b\\[[0-9;?]*[A-Za-z]|\r|\n"), "");
  std::smatch tested;
  std::smatch seconds;
  if (!std::regex_search(text, tested, std::regex("Tested:([0-9]+)")) ||
      !std::regex_search(text, seconds,
                         std::regex("used +([0-9.]+) seconds"))) {
    return 0;
  }
  const double s = std::stod(seconds[1]);
  return s > 0 ? std::stod(tested[1]) / s : 0;
}

void print_end_to_end(const std::map<std::string, double>& medians) {
  const std::string best = core::engine::path_name(core::engine::best_path());
  struct Run {
    const char* workload;
    std::string rate_source;
    double rate;
  };
  const std::string dir = PROGRAM_DIR;
  // Whole runs share the machine with whatever else runs: the median of
  // five, like the engine's figures.
  const auto median_of_five = [](auto run_once) {
    std::vector<double> rates;
    for (int i = 0; i < 5; ++i) rates.push_back(reported_rate(run_once()));
    std::sort(rates.begin(), rates.end());
    return rates[2];
  };
  const Run runs[] = {
      {"packed 16 8", "quintrel, 20000000 tuples", median_of_five([&] {
         return run_on_terminal(dir + "/quintrel", "16\n8\n20000000\n0\n\n");
       })},
      {"flag 20 20", "tolvaric, 2000000 tuples", median_of_five([&] {
         return run_on_pipes(dir + "/tolvaric", "20\\n20\\n2000000\\n0\\n\\n");
       })},
  };
  std::printf(
      "\nEnd to end (the program's own report, median of five runs) "
      "against the %s engine:\n",
      best.c_str());
  for (const Run& run : runs) {
    const auto engine = medians.find(std::string(run.workload) + "/" + best);
    const double engine_rate = engine == medians.end() ? 0 : engine->second;
    const double share = engine_rate > 0 ? run.rate / engine_rate : 0;
    std::printf("%-20s %-27s %12.4g  engine %12.4g  %5.2f\n", run.workload,
                run.rate_source.c_str(), run.rate, engine_rate, share);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Five repetitions and their aggregates unless the command line says
  // otherwise; later flags win.
  std::vector<char*> args = {argv[0]};
  std::string repetitions = "--benchmark_repetitions=5";
  std::string aggregates = "--benchmark_report_aggregates_only=true";
  args.push_back(repetitions.data());
  args.push_back(aggregates.data());
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 1;
  register_all();
  MedianReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf(
      "\nMedians, items per second (tuples or draws), seed %u; "
      "best path here: %s\n",
      kSeed, core::engine::path_name(core::engine::best_path()));
  for (const Workload& w : kWorkloads) {
    print_rows(reporter.medians, w.name);
  }
  for (const DrawLoad& d : kDrawLoads) {
    print_rows(reporter.medians, d.name);
  }
  print_end_to_end(reporter.medians);
  return 0;
}
