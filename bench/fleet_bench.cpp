// magcfg-cli configuring a bench of readers: 64 simulated readers, each
// answering 20 ms after a request in real time, all set by one
// `set-format --all`. Served one after the other they would take more than
// a second; served in parallel the whole run should take little more than
// one reader's own time. The floor is that time, measured in the same run:
// the waits one reader's clock makes during the command, slept through with
// nothing of the program around them. A program of its own, for its wall
// time and threads.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>
#include <vector>

#include "bench/reader_waits.h"
#include "bench/verdict.h"
#include "cli/program.h"
#include "cli/simulated_fleet.h"

namespace {

using magcfg::bench::Figure;

constexpr int kReplyDelayMs = 20;
constexpr int kReaders = 64;
constexpr double kMaxRatio = 1.5;
const std::string kGoalBenchmark = "BM_FleetSetFormatAll/" + std::to_string(kReaders);
const std::string kFloorBenchmark = "BM_ReadersOwnTime";

std::shared_ptr<magcfg::cli::SimulatedFleet> MakeFleet(int readers, magcfg::sim::Pacing pacing) {
  auto fleet = std::make_shared<magcfg::cli::SimulatedFleet>(readers, pacing);
  for (int i = 0; i < readers; ++i) fleet->Member(i).Config().reader.replyDelayMs = kReplyDelayMs;
  return fleet;
}

std::vector<std::string> Arguments(int readers) {
  return {"--simulate=" + std::to_string(readers), "set-format", "--all"};
}

// The waits one reader makes while the command sets it.
std::vector<std::int64_t> OneReadersWaits() {
  const auto fleet = MakeFleet(1, magcfg::sim::Pacing::Virtual);
  auto recorder = std::make_shared<magcfg::bench::WaitRecorder>(*fleet, [&] { return fleet->Member(0).ElapsedMs(); });
  magcfg::cli::HidSystems systems;
  systems.simulated = [&](int) { return recorder; };
  std::ostringstream out, err;
  if (magcfg::cli::RunProgram(Arguments(1), systems, out, err) != 0) return {};
  return recorder->Waits();
}

void BM_FleetSetFormatAll(benchmark::State& state) {
  const int readers = static_cast<int>(state.range(0));
  const auto fleet = MakeFleet(readers, magcfg::sim::Pacing::RealTime);
  magcfg::cli::HidSystems systems;
  systems.simulated = [&](int) { return fleet; };
  const std::vector<std::string> args = Arguments(readers);
  for (auto _ : state) {
    std::ostringstream out, err;
    if (magcfg::cli::RunProgram(args, systems, out, err) != 0) {
      state.SkipWithError(("a reader was not set: " + err.str()).c_str());
      break;
    }
    state.PauseTiming();
    for (int i = 0; i < readers; ++i) fleet->Member(i).ForgetObservations();
    state.ResumeTiming();
  }
  // The floor is fair only if every reader waited as the recorded one did.
  std::int64_t floorMs = 0;
  for (const std::int64_t ms : OneReadersWaits()) floorMs += ms;
  for (int i = 0; i < readers; ++i) {
    if (fleet->Member(i).ElapsedMs() != floorMs * static_cast<std::int64_t>(state.iterations())) {
      state.SkipWithError("a reader waited otherwise than the recorded one");
      break;
    }
  }
  state.counters["readers"] = readers;
}
BENCHMARK(BM_FleetSetFormatAll)
    ->Arg(1)
    ->Arg(kReaders)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(10)
    ->ReportAggregatesOnly(true);

// The floor: one reader's own time, slept through.
void BM_ReadersOwnTime(benchmark::State& state) {
  const std::vector<std::int64_t> waits = OneReadersWaits();
  if (waits.empty()) state.SkipWithError("the reader made no wait");
  for (auto _ : state) magcfg::bench::SleepThrough(waits);
}
BENCHMARK(BM_ReadersOwnTime)->UseRealTime()->Unit(benchmark::kMillisecond)->Repetitions(10)->ReportAggregatesOnly(true);

class FigureReporter : public benchmark::ConsoleReporter {
 public:
  FigureReporter() : ConsoleReporter(OO_Tabular) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Aggregate || run.error_occurred) continue;
      const std::string name = run.run_name.str();
      Figure* figure = name.starts_with(kGoalBenchmark + "/")    ? &measured
                       : name.starts_with(kFloorBenchmark + "/") ? &floor
                                                                 : nullptr;
      if (figure == nullptr) continue;
      const double ns = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
      if (run.aggregate_name == "median") {
        figure->median = ns;
        (figure == &measured ? measuredRan : floorRan) = true;
      }
      if (run.aggregate_name == "stddev") figure->spread = ns;
    }
  }
  Figure measured, floor;
  bool measuredRan = false;
  bool floorRan = false;
};

}  // namespace

int main(int argc, char** argv) {
  bool filtered = false;
  for (int i = 1; i < argc; ++i) filtered = filtered || std::string(argv[i]).rfind("--benchmark_filter", 0) == 0;
  // Each benchmark's repetitions shuffled among the others', so that a load
  // that comes and goes weighs on the goal and its floor alike.
  std::vector<char*> args(argv, argv + argc);
  std::string interleaved = "--benchmark_enable_random_interleaving=true";
  args.push_back(interleaved.data());
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  FigureReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  magcfg::bench::Verdicts verdicts("magcfg_fleet_bench");
  const std::string what = "set-format --all, " + std::to_string(kReaders) + " readers / one reader's own time";
  if (reporter.measuredRan && reporter.floorRan) {
    verdicts.Ratio(what, reporter.measured, reporter.floor, kMaxRatio, magcfg::bench::Unit::Nanoseconds);
  } else if (!filtered) {
    verdicts.NotRun(what);
  }
  return verdicts.Finish();
}
