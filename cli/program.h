// magcfg-cli as a function: the command line in, the printed output and the
// exit status out. main() hands it the real streams and HID services; tests
// hand it string streams and simulated readers.
#pragma once

#include <functional>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "cli/options.h"
#include "reader/device_events.h"
#include "reader/hid_port.h"
#include "reader/keyboard_port.h"

namespace magcfg::cli {

// What the watch command needs: HID services and the events of readers
// plugged in and pulled out; error says why they could not be had, notice
// what the watch makes do without (said once before it starts).
struct WatchServices {
  std::shared_ptr<reader::HidSystem> system;
  std::unique_ptr<reader::DeviceEvents> events;
  std::string error;
  std::string notice;
};

struct HidSystems {
  // Whose commands and options the command line may use.
  unsigned system = kThisSystem;  // the system the line is parsed and the help shown for
  // The platform's HID services; empty when this build has none.
  std::function<std::shared_ptr<reader::HidSystem>()> platform;
  // N simulated readers, for --simulate=N.
  std::function<std::shared_ptr<reader::HidSystem>(int readers)> simulated;
  // For watch; empty when this build has no device events.
  std::function<WatchServices()> watch;
  // The readers' own keyboards; empty when this build cannot read them.
  std::function<std::shared_ptr<reader::KeyboardPort>()> keyboards;
};

// Said after the reader's own "No device connected!" when no reader was
// found: the reader looked for, what to check on that system (SystemBit),
// and how to go on without one.
std::string_view NoReaderHint(unsigned system);

// args excludes the program name. Nothing reaches a reader before the whole
// command line, profile included, has been checked. Card numbers in out and
// err are masked unless --show-card-data is given.
int RunProgram(std::span<const std::string> args, const HidSystems& systems, std::ostream& out, std::ostream& err);

}  // namespace magcfg::cli
