// Runs the benchmarks with repetitions, reports each median with its spread,
// and fails when a median breaks its budget, saying by how much.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/budgets.h"

namespace {

struct Figures {
  double medianNs = 0;
  double stddevNs = 0;
  double units = 1;  // units of work per iteration
};

class BudgetReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate) continue;
      const double ns = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      Figures& f = figures[run.run_name.str()];
      if (const auto units = run.counters.find("units"); units != run.counters.end() && units->second.value > 0) {
        f.units = units->second.value;
      }
      if (run.aggregate_name == "median") f.medianNs = ns;
      if (run.aggregate_name == "stddev") f.stddevNs = ns;
    }
  }
  std::map<std::string, Figures> figures;
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
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  BudgetReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n%-45s %14s %12s %14s  %s\n", "budget", "median", "spread", "limit", "verdict");
  int broken = 0;
  for (const auto& [name, figures] : reporter.figures) {
    for (const magcfg::bench::Budget& budget : magcfg::bench::kBudgets) {
      if (name.rfind(budget.benchmark, 0) != 0) continue;
      const double perUnit = figures.medianNs / figures.units;
      const double spread = figures.stddevNs / figures.units;
      const bool ok = perUnit <= budget.limitNs;
      std::printf("%-45s %11.1f ns %9.1f ns %11.0f ns  %s", name.c_str(), perUnit, spread, budget.limitNs,
                  ok ? "within budget" : "OVER BUDGET");
      if (!ok) {
        std::printf(" by %.1f ns (%.0f%%)", perUnit - budget.limitNs, 100.0 * (perUnit / budget.limitNs - 1.0));
        ++broken;
      }
      std::printf("  per %.*s\n", static_cast<int>(budget.unit.size()), budget.unit.data());
    }
  }
  // A budget whose benchmark did not run would pass unseen.
  if (!filtered) {
    for (const magcfg::bench::Budget& budget : magcfg::bench::kBudgets) {
      bool ran = false;
      for (const auto& entry : reporter.figures) ran = ran || entry.first.rfind(budget.benchmark, 0) == 0;
      if (!ran) {
        std::printf("%-45s NOT RUN\n", std::string(budget.benchmark).c_str());
        ++broken;
      }
    }
  }
  if (broken > 0) std::printf("%d budget(s) broken\n", broken);
  return broken > 0 ? 1 : 0;
}
