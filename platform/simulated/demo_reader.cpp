#include "platform/simulated/demo_reader.h"

namespace magcfg::sim {

SimulatedReaderConfig DemoReaderConfig() {
  SimulatedReaderConfig config = SaneReaderConfig();
  config.pacing = Pacing::RealTime;
  return config;
}

std::unique_ptr<SimulatedHidSystem> MakeDemoReader() {
  // No card has passed the head yet: the card status is 0 and a read is
  // answered 'N' with reason 0 until a card is swiped.
  return std::make_unique<SimulatedHidSystem>(DemoReaderConfig());
}

std::unique_ptr<reader::HidSystem> MakeDemoHidSystem() { return MakeDemoReader(); }

}  // namespace magcfg::sim
