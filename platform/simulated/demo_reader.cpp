#include "platform/simulated/demo_reader.h"

namespace magcfg::sim {

CardSwipe DemoSwipe() {
  return CardSwipe::Good("B4111111111111111^DOE/JOHN^2512101", "4111111111111111=2512101",
                         "011234567890123456=00000000000000000");
}

SimulatedReaderConfig DemoReaderConfig() {
  SimulatedReaderConfig config = SaneReaderConfig();
  config.pacing = Pacing::RealTime;
  return config;
}

std::unique_ptr<SimulatedHidSystem> MakeDemoReader() {
  auto system = std::make_unique<SimulatedHidSystem>(DemoReaderConfig());
  system->Reader().Swipe(DemoSwipe());
  return system;
}

std::unique_ptr<reader::HidSystem> MakeDemoHidSystem() { return MakeDemoReader(); }

}  // namespace magcfg::sim
