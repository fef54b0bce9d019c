#include "cli/simulated_fleet.h"

#include "platform/simulated/demo_reader.h"
#include "reader/card_swipe.h"

namespace magcfg::cli {
namespace {

using reader::EnumerationEntry;
using reader::EnumerationStatus;

// The members' lists one after the other.
class FleetList final : public reader::HidInterfaceList {
 public:
  FleetList(std::vector<std::shared_ptr<sim::SimulatedHidSystem>> members,
            std::vector<std::unique_ptr<reader::HidInterfaceList>> lists)
      : members_(std::move(members)), lists_(std::move(lists)) {}

  EnumerationEntry At(std::uint32_t index) override {
    std::uint64_t local = index;
    for (std::size_t m = 0; m < lists_.size(); ++m) {
      const std::size_t count = members_[m]->Config().interfaces.size();
      if (local < count) return lists_[m]->At(static_cast<std::uint32_t>(local));
      local -= count;
    }
    return {EnumerationStatus::NoMoreItems, {}};
  }

 private:
  std::vector<std::shared_ptr<sim::SimulatedHidSystem>> members_;
  std::vector<std::unique_ptr<reader::HidInterfaceList>> lists_;
};

}  // namespace

SimulatedFleet::SimulatedFleet(int readers, sim::Pacing pacing) {
  for (int i = 0; i < readers; ++i) {
    sim::SimulatedReaderConfig config = sim::DemoReaderConfig();
    config.pacing = pacing;
    if (i > 0) {
      // Paths go on numbering the interfaces: the demo reader is the third.
      config.interfaces = {sim::ReaderInterface("sim:hid/" + std::to_string(sim::kSaneReaderIndex + i) + "-magstripe")};
    }
    auto member = std::make_shared<sim::SimulatedHidSystem>(std::move(config));
    member->Reader().Swipe(reader::SampleSwipe());
    members_.push_back(std::move(member));
  }
}

std::unique_ptr<reader::HidInterfaceList> SimulatedFleet::ListInterfaces() {
  std::vector<std::unique_ptr<reader::HidInterfaceList>> lists;
  for (const auto& member : members_) {
    std::unique_ptr<reader::HidInterfaceList> list = member->ListInterfaces();
    if (!list) return nullptr;
    lists.push_back(std::move(list));
  }
  return std::make_unique<FleetList>(members_, std::move(lists));
}

sim::SimulatedHidSystem* SimulatedFleet::MemberWith(const std::string& path) const {
  for (const auto& member : members_) {
    for (const sim::SimulatedInterface& interface : member->Config().interfaces) {
      if (interface.path == path) return member.get();
    }
  }
  return nullptr;
}

std::unique_ptr<reader::HidDevice> SimulatedFleet::Open(const std::string& path) {
  sim::SimulatedHidSystem* member = MemberWith(path);
  std::unique_ptr<reader::HidDevice> device = member != nullptr ? member->Open(path) : nullptr;
  if (!device) lastOpenFailure_ = member != nullptr ? member->LastOpenFailure() : reader::OpenFailure::Other;
  return device;
}

std::optional<reader::HidAttributes> SimulatedFleet::IdentityWithoutOpening(const std::string& path) {
  sim::SimulatedHidSystem* member = MemberWith(path);
  return member != nullptr ? member->IdentityWithoutOpening(path) : std::nullopt;
}

void SimulatedFleet::Pause(int milliseconds) {
  if (!members_.empty()) members_.front()->Pause(milliseconds);
}

std::string SimulatedFleet::ReaderPath(std::size_t i) const {
  for (const sim::SimulatedInterface& interface : members_.at(i)->Config().interfaces) {
    if (interface.isReader) return interface.path;
  }
  return {};
}

}  // namespace magcfg::cli
