// The engine against the plain operations, measured in one process: for
// every workload, rounds that run the plain operations and then each path
// of the engine, each timed in processor time of the one thread that runs
// it; the table gives the median of the rounds' ratios, so that a busy
// moment of the machine weighs on one round rather than on one side.  A
// thread column sets all threads against one (wall time, the same
// tuples), and the end-to-end lines set the real programs' processor time
// against the engine loop's for the same work.  Goals are not the
// program's business: it prints what it measures.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench/measure.h"
#include "bench/program_runs.h"
#include "core/engine/dispatch.h"
#include "core/engine/tuple_runs.h"
#include "platform/processors.h"

namespace {

using bench::Workload;
using core::engine::Path;

constexpr std::uint32_t kSeed = 12345;
constexpr int kRounds = 7;
constexpr double kRoundSeconds = 0.1;  // per side and path

constexpr Workload kWorkloads[] = {
    {"packed 16 8", true, 16, 8},         {"packed 64 16", true, 64, 16},
    {"packed 2000 120", true, 2000, 120}, {"flag 20 20", false, 20, 20},
    {"flag 2000 120", false, 2000, 120},
};

constexpr int kDrawBounds[] = {256, 2};

std::vector<Path> supported_paths() {
  std::vector<Path> paths;
  for (Path path : core::engine::kAllPaths) {
    if (core::engine::path_supported(path)) paths.push_back(path);
  }
  return paths;
}

// One line of the table: the plain operations' rate, each path's median
// ratio, and all threads against one.
struct Line {
  std::string name;
  double plain_rate = 0;
  std::map<Path, double> ratio;
  double threads_ratio = 0;
};

using Work = std::function<void(std::int64_t)>;

// The rounds of one workload: `plain` against `engine` on every path, in
// processor time of this thread, the engine on one thread.
void measure_single(Line& line, const Work& plain, const Work& engine) {
  core::engine::set_engine_threads(1);
  bench::start_fresh(kSeed);
  const std::int64_t plain_count =
      bench::calibrate(plain, bench::thread_cpu_seconds, kRoundSeconds);
  std::map<Path, std::int64_t> counts;
  for (Path path : supported_paths()) {
    core::engine::select_path(path);
    bench::start_fresh(kSeed);
    counts[path] =
        bench::calibrate(engine, bench::thread_cpu_seconds, kRoundSeconds);
  }
  std::vector<double> plain_rates;
  std::map<Path, std::vector<double>> ratios;
  for (int round = 0; round < kRounds; ++round) {
    bench::start_fresh(kSeed + round);
    const double plain_rate =
        plain_count /
        bench::timed(plain, plain_count, bench::thread_cpu_seconds);
    plain_rates.push_back(plain_rate);
    for (Path path : supported_paths()) {
      core::engine::select_path(path);
      bench::start_fresh(kSeed + round);
      const double rate =
          counts[path] /
          bench::timed(engine, counts[path], bench::thread_cpu_seconds);
      ratios[path].push_back(rate / plain_rate);
    }
  }
  line.plain_rate = bench::median(plain_rates);
  for (const auto& [path, values] : ratios) {
    line.ratio[path] = bench::median(values);
  }
}

// All threads against one on the best path: wall time of the same tuples,
// rounds alternating the two.
void measure_threads(Line& line, const Work& engine) {
  core::engine::select_path(core::engine::best_path());
  core::engine::set_engine_threads(1);
  bench::start_fresh(kSeed);
  const std::int64_t count =
      bench::calibrate(engine, bench::wall_seconds, 2 * kRoundSeconds);
  std::vector<double> ratios;
  for (int round = 0; round < kRounds; ++round) {
    core::engine::set_engine_threads(1);
    bench::start_fresh(kSeed + round);
    const double one = bench::timed(engine, count, bench::wall_seconds);
    core::engine::set_engine_threads(0);
    bench::start_fresh(kSeed + round);
    const double all = bench::timed(engine, count, bench::wall_seconds);
    ratios.push_back(one / all);
  }
  line.threads_ratio = bench::median(ratios);
}

void print_table(const std::vector<Line>& lines) {
  const std::vector<Path> paths = supported_paths();
  std::printf(
      "\nRates per second of processor time, one thread; ratios to the plain "
      "operations,\nmedians of %d rounds; threads: all %d against one, wall "
      "time, on %s.\n\n",
      kRounds, platform::usable_processors(),
      core::engine::path_name(core::engine::best_path()));
  std::printf("%-18s %12s", "workload", "plain /s");
  for (Path path : paths) std::printf(" %10s", core::engine::path_name(path));
  std::printf(" %9s\n", "threads");
  for (const Line& line : lines) {
    std::printf("%-18s %12.4g", line.name.c_str(), line.plain_rate);
    for (Path path : paths) std::printf(" %9.1fx", line.ratio.at(path));
    if (line.threads_ratio > 0) {
      std::printf(" %8.2fx\n", line.threads_ratio);
    } else {
      std::printf(" %9s\n", "");
    }
  }
}

// A real program's tuples per second of processor time (median of five
// whole runs) against the engine loop's for as many tuples of the same
// workload, all threads and the best path both.  The runs are long
// enough (about a third of a second) that a program's start-up, some
// 4 ms of processor time, weighs little: the line is about what each
// tuple costs around the engine.
void print_end_to_end() {
  core::engine::select_path(core::engine::best_path());
  core::engine::set_engine_threads(0);
  const std::string dir = PROGRAM_DIR;
  struct Run {
    const Workload& workload;
    const char* program;
    bool terminal;
    std::int64_t tuples;
  };
  const Run runs[] = {{kWorkloads[0], "quintrel", true, 100000000},
                      {kWorkloads[3], "tolvaric", false, 4000000}};
  std::printf(
      "\nEnd to end: tuples per second of processor time, all threads, %s; "
      "medians of five.\n",
      core::engine::path_name(core::engine::best_path()));
  for (const Run& run : runs) {
    const std::string n = std::to_string(run.workload.n);
    const std::string k = std::to_string(run.workload.k);
    const std::string input =
        n + "\n" + k + "\n" + std::to_string(run.tuples) + "\n0\n\n";
    std::vector<double> program_rates;
    std::vector<double> engine_rates;
    for (int i = 0; i < 5; ++i) {
      const bench::ProgramRun whole =
          run.terminal ? bench::run_on_terminal(dir + "/" + run.program, input)
                       : bench::run_on_pipes(dir + "/" + run.program, input);
      const double tested = bench::reported_tested(whole.output);
      program_rates.push_back(whole.cpu_seconds > 0 ? tested / whole.cpu_seconds
                                                    : 0);
      bench::start_fresh(kSeed + i);
      const double engine_cpu = bench::timed(
          [&](std::int64_t count) {
            bench::engine_tuples(run.workload, count);
          },
          run.tuples, bench::process_cpu_seconds);
      engine_rates.push_back(run.tuples / engine_cpu);
    }
    const double program_rate = bench::median(program_rates);
    const double engine_rate = bench::median(engine_rates);
    std::printf("%-18s %s, %lld tuples %12.4g  engine loop %12.4g  %5.2f\n",
                run.workload.name, run.program,
                static_cast<long long>(run.tuples), program_rate, engine_rate,
                engine_rate > 0 ? program_rate / engine_rate : 0);
  }
}

}  // namespace

int main() {
  std::vector<Line> lines;
  for (const Workload& w : kWorkloads) {
    Line line;
    line.name = w.name;
    const Work plain = [&w](std::int64_t count) {
      bench::plain_tuples(w, count);
    };
    const Work engine = [&w](std::int64_t count) {
      bench::engine_tuples(w, count);
    };
    measure_single(line, plain, engine);
    if (platform::usable_processors() > 1) measure_threads(line, engine);
    std::printf("%s done\n", w.name);
    std::fflush(stdout);
    lines.push_back(line);
  }
  for (int bound : kDrawBounds) {
    Line line;
    line.name = "draws below " + std::to_string(bound);
    measure_single(
        line, [bound](std::int64_t count) { bench::plain_draws(bound, count); },
        [bound](std::int64_t count) { bench::engine_draws(bound, count); });
    lines.push_back(line);
  }
  print_table(lines);
  print_end_to_end();
  return 0;
}
