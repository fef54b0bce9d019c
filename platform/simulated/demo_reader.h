// A simulated reader for trying the program without one: `magcfg --simulate`.
// Nothing creates it unless asked for by name, so a normal run always talks
// to the platform's HID services.
#pragma once

#include <memory>

#include "platform/simulated/simulated_config.h"
#include "platform/simulated/simulated_hid.h"
#include "reader/hid_port.h"

namespace magcfg::sim {

// The sane reader, paced in real time.
SimulatedReaderConfig DemoReaderConfig();

// A simulated HID system with the demo reader, on which no card has been
// swiped yet. A window that lets a person swipe cards keeps the concrete
// system to reach its reader.
std::unique_ptr<SimulatedHidSystem> MakeDemoReader();
std::unique_ptr<reader::HidSystem> MakeDemoHidSystem();

}  // namespace magcfg::sim
