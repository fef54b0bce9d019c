#include "tests/cli/cli_harness.h"

#include <sstream>

#include "cli/program.h"
#include "platform/simulated/simulated_config.h"

namespace magcfg::test {

CliRun RunCli(const std::vector<std::string>& args, int readers, const FleetSetup& setup, bool attached) {
  CliRun run;
  run.fleet = std::make_shared<cli::SimulatedFleet>(readers, sim::Pacing::Virtual);
  if (setup) setup(*run.fleet);
  cli::HidSystems systems;
  systems.system = cli::kLinux;  // the whole command line
  systems.simulated = [&run](int count) -> std::shared_ptr<reader::HidSystem> {
    ++run.systemsMade;
    // A test that asks for another count gets a fresh fleet, which it cannot
    // have set up: its golden output shows the difference.
    if (static_cast<std::size_t>(count) != run.fleet->Size()) {
      run.fleet = std::make_shared<cli::SimulatedFleet>(count, sim::Pacing::Virtual);
    }
    return run.fleet;
  };
  if (attached) {
    systems.platform = [&run]() -> std::shared_ptr<reader::HidSystem> {
      ++run.systemsMade;
      return run.fleet;
    };
  }
  std::ostringstream out, err;
  run.exit = cli::RunProgram(args, systems, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

bool FleetUntouched(cli::SimulatedFleet& fleet) {
  for (std::size_t i = 0; i < fleet.Size(); ++i) {
    const sim::Observations& seen = fleet.Member(i).Seen();
    if (!seen.writes.empty() || !seen.opened.empty() || seen.Reads() != 0) return false;
  }
  return true;
}

void ReaderSilent(cli::SimulatedFleet& fleet, std::size_t reader) { fleet.Member(reader).Config().reader.replies = false; }

void ReaderAnswers(cli::SimulatedFleet& fleet, std::size_t reader, std::vector<std::uint8_t> afterReportId) {
  afterReportId.insert(afterReportId.begin(), 0x00);
  fleet.Member(reader).Config().reader.scriptedReply = {afterReportId};
}

void NoReaderAttached(cli::SimulatedFleet& fleet) {
  for (std::size_t i = 0; i < fleet.Size(); ++i) {
    auto& interfaces = fleet.Member(i).Config().interfaces;
    std::erase_if(interfaces, [](const sim::SimulatedInterface& interface) { return interface.isReader; });
  }
}

}  // namespace magcfg::test
