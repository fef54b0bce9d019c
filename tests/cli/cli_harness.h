// Runs magcfg-cli as a function against simulated readers on a virtual
// clock, so no test waits in real time, and keeps the readers for the test
// to look at afterwards.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cli/simulated_fleet.h"

namespace magcfg::test {

struct CliRun {
  int exit = -1;
  std::string out;
  std::string err;
  std::shared_ptr<cli::SimulatedFleet> fleet;  // the readers --simulate=N got
  int systemsMade = 0;                          // how often the program asked for HID services
};

using FleetSetup = std::function<void(cli::SimulatedFleet&)>;

// The fleet of `readers` readers is made before the run and set up by setup,
// whether or not the program asks for it. With `attached`, the fleet also
// stands for the platform's readers, for a line without --simulate.
CliRun RunCli(const std::vector<std::string>& args, int readers = 1, const FleetSetup& setup = {},
              bool attached = false);

// Nothing was opened or written on any reader of the fleet.
bool FleetUntouched(cli::SimulatedFleet& fleet);

// Common set-ups.
void ReaderSilent(cli::SimulatedFleet& fleet, std::size_t reader);
void ReaderAnswers(cli::SimulatedFleet& fleet, std::size_t reader, std::vector<std::uint8_t> afterReportId);
void NoReaderAttached(cli::SimulatedFleet& fleet);

}  // namespace magcfg::test
