// Runs the benchmarks with repetitions, reports each median with its spread,
// then judges every goal: ratios to floors measured in this run. Exits 1
// when a goal is broken, after all have run.
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "bench/goals.h"
#include "bench/verdict.h"

namespace {

using magcfg::bench::Figure;


class FigureReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.error_occurred) continue;
      // Benchmarks that wait on a clock are registered with UseRealTime and
      // judged on wall time. The others are work for the processor, judged on
      // its time: on this shared machine, with others' builds running, Find
      // Device over 256 interfaces took 285 ms of wall time for 15 ms of
      // processor time, and the wall time of the floor beside it varied by 20%.
      const bool wallTime = !run.run_name.time_type.empty();
      const double ns = (wallTime ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime()) * 1e9 /
                        benchmark::GetTimeUnitMultiplier(run.time_unit);
      Figure& f = figures[run.run_name.str()];
      if (run.aggregate_name == "median") f.median = ns;
      if (run.aggregate_name == "stddev") f.spread = ns;
    }
  }
  // The figures of a benchmark by its registered name; the run's name may
  // go on with "/real_time" and the like.
  const Figure* Find(std::string_view name) const {
    for (const auto& [runName, f] : figures) {
      if (runName == name || runName.starts_with(std::string(name) + "/")) return &f;
    }
    return nullptr;
  }
  std::map<std::string, Figure> figures;
};

}  // namespace

int main(int argc, char** argv) {
  std::vector<char*> args(argv, argv + argc);
  std::string repetitions = "--benchmark_repetitions=10";
  std::string aggregatesOnly = "--benchmark_report_aggregates_only=true";
  bool repetitionsGiven = false;
  bool filtered = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    repetitionsGiven = repetitionsGiven || arg.rfind("--benchmark_repetitions", 0) == 0;
    filtered = filtered || arg.rfind("--benchmark_filter", 0) == 0;
  }
  if (!repetitionsGiven) {
    args.push_back(repetitions.data());
    args.push_back(aggregatesOnly.data());
  }
  // The repetitions of all benchmarks in a shuffled order rather than each
  // benchmark's ten in a row: a build that starts beside the run then slows
  // a goal and its floor alike instead of one of them.
  std::string interleaved = "--benchmark_enable_random_interleaving=true";
  args.push_back(interleaved.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  FigureReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  using magcfg::bench::Unit;
  magcfg::bench::Verdicts verdicts("magcfg_bench");
  // With a filter, only the goals whose benchmarks ran are judged.
  for (const magcfg::bench::RatioGoal& goal : magcfg::bench::kRatioGoals) {
    const Figure* measured = reporter.Find(goal.benchmark);
    const Figure* floor = reporter.Find(goal.floor);
    if (measured && floor) {
      verdicts.Ratio(goal.what, *measured, *floor, goal.maxRatio, Unit::Nanoseconds);
    } else if (!filtered) {
      verdicts.NotRun(goal.what);
    }
  }
  return verdicts.Finish();
}
