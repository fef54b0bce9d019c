// magcfg-cli as a function: the command line in, the printed output and the
// exit status out. main() hands it the real streams and HID services; tests
// hand it string streams and simulated readers.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>

#include "reader/hid_port.h"

namespace magcfg::cli {

struct HidSystems {
  // The platform's HID services; empty when this build has none.
  std::function<std::shared_ptr<reader::HidSystem>()> platform;
  // N simulated readers, for --simulate=N.
  std::function<std::shared_ptr<reader::HidSystem>(int readers)> simulated;
};

// args excludes the program name. Nothing reaches a reader before the whole
// command line, profile included, has been checked.
int RunProgram(std::span<const std::string> args, const HidSystems& systems, std::ostream& out, std::ostream& err);

std::string HelpText();

}  // namespace magcfg::cli
