// The simulated HID system: a HID backend like the platform's, whose
// interfaces and reader come from a SimulatedReaderConfig. It records what
// the program did to it, for tests to check.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/simulated/reader_model.h"
#include "platform/simulated/simulated_config.h"
#include "reader/hid_port.h"

namespace magcfg::sim {

// Everything the program did to the simulated system, in order.
struct Observations {
  int walks = 0;
  // The enumeration indices the walks reached, the end of the list included.
  std::vector<std::uint32_t> enumeratedIndices;
  std::vector<std::string> opened;  // paths, one per successful open
  std::vector<std::string> closed;  // paths, one per close
  int reportLengthQueries = 0;
  int usageChecks = 0;
  std::vector<std::vector<std::uint8_t>> writes;  // every output report written
  std::vector<int> readTimeoutsMs;                // one per read started
  int cancelledTransfers = 0;  // transfers that ran out, which the backend cancels itself
  int discardedReports = 0;  // waiting reports dropped before a request
  std::vector<int> pausesMs;

  std::size_t Reads() const { return readTimeoutsMs.size(); }
  // Paths opened and not closed again, in the order they were opened.
  std::vector<std::string> StillOpen() const;
};

class SimulatedHidSystem final : public reader::HidSystem {
 public:
  explicit SimulatedHidSystem(SimulatedReaderConfig config);
  ~SimulatedHidSystem() override;

  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override;
  // An interface that does not open is refused for lack of permission or
  // otherwise, as its configuration says; an unknown path is NotFound.
  reader::OpenResult Open(const std::string& path) override;
  void Pause(int milliseconds) override;
  // The interface's attributes, as Linux keeps them in sysfs for anyone to read.
  std::optional<reader::HidAttributes> IdentityWithoutOpening(const std::string& path) override;

  // The reader behind the interfaces marked isReader: swipe a card, look at
  // its format and mode.
  ReaderModel& Reader();
  // The configuration in force; a test may change behaviour between commands.
  SimulatedReaderConfig& Config();
  const Observations& Seen() const;
  // Forgets what was observed so far (the clock runs on).
  void ForgetObservations();
  std::int64_t ElapsedMs() const;

  struct State;

 private:
  // Shared with the devices, which may outlive the system.
  std::shared_ptr<State> state_;
};

}  // namespace magcfg::sim
