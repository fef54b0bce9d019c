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
#include "reader/keyboard_port.h"

namespace magcfg::cli {

struct HidSystems {
  // The platform's HID services; empty when this build has none.
  std::function<std::shared_ptr<reader::HidSystem>()> platform;
  // N simulated readers, for --simulate=N.
  std::function<std::shared_ptr<reader::HidSystem>(int readers)> simulated;
  // The readers' own keyboards; empty when this build cannot read them.
  std::function<std::shared_ptr<reader::KeyboardPort>()> keyboards;
};

// args excludes the program name. Nothing reaches a reader before the whole
// command line, profile included, has been checked. Card numbers in out and
// err are masked unless --show-card-data is given.
int RunProgram(std::span<const std::string> args, const HidSystems& systems, std::ostream& out, std::ostream& err);

std::string HelpText();

}  // namespace magcfg::cli
