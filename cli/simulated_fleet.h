// Several simulated readers behind one HID system, for --simulate=N: each
// reader is a simulated system of its own (own reader, clock and record of
// calls), so readers served from different threads share nothing. The first
// one is the demo reader with a keyboard and a mouse before it; the others
// follow it in enumeration order, each at a path of its own.
#pragma once

#include <memory>
#include <vector>

#include "platform/simulated/simulated_hid.h"
#include "reader/hid_port.h"

namespace magcfg::cli {

class SimulatedFleet final : public reader::HidSystem {
 public:
  // Every reader holds the demo swipe and answers as the demo reader does.
  SimulatedFleet(int readers, sim::Pacing pacing);

  // The members' interfaces one member after the other. A member whose list
  // cannot be had fails the whole walk, as a platform failing would; one
  // whose walk stops on a detail stops it there.
  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override;
  reader::OpenResult Open(const std::string& path) override;
  void Pause(int milliseconds) override;
  std::optional<reader::HidAttributes> IdentityWithoutOpening(const std::string& path) override;

  std::size_t Size() const { return members_.size(); }
  // The i-th reader's system: its reader, configuration and observations.
  sim::SimulatedHidSystem& Member(std::size_t i) { return *members_.at(i); }
  // The path of the i-th reader.
  std::string ReaderPath(std::size_t i) const;

 private:
  sim::SimulatedHidSystem* MemberWith(const std::string& path) const;

  std::vector<std::shared_ptr<sim::SimulatedHidSystem>> members_;
};

}  // namespace magcfg::cli
