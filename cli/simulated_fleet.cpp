#include "cli/simulated_fleet.h"

#include <algorithm>

#include "platform/simulated/demo_reader.h"
#include "reader/card_swipe.h"

namespace magcfg::cli {

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

reader::WalkEnd SimulatedFleet::WalkInterfaces(const std::function<bool(const std::string& path)>& visit) {
  // Every member's list is had before any interface is visited, as one
  // platform list is.
  for (const auto& member : members_) {
    if (!member->Config().listObtainable) return reader::WalkEnd::ListFailed;
  }
  for (const auto& member : members_) {
    bool stopped = false;
    const reader::WalkEnd end = member->WalkInterfaces([&](const std::string& path) {
      stopped = !visit(path);
      return !stopped;
    });
    if (end != reader::WalkEnd::Completed || stopped) return end;
    // A member's walk that met an enumeration failure ended there: so does
    // the fleet's, as one platform's would.
    const auto& interfaces = member->Config().interfaces;
    if (std::any_of(interfaces.begin(), interfaces.end(), [](const sim::SimulatedInterface& interface) {
          return interface.listing == sim::Listing::EnumerationFails;
        })) {
      break;
    }
  }
  return reader::WalkEnd::Completed;
}

sim::SimulatedHidSystem* SimulatedFleet::MemberWith(const std::string& path) const {
  for (const auto& member : members_) {
    for (const sim::SimulatedInterface& interface : member->Config().interfaces) {
      if (interface.path == path) return member.get();
    }
  }
  return nullptr;
}

reader::OpenResult SimulatedFleet::Open(const std::string& path) {
  sim::SimulatedHidSystem* member = MemberWith(path);
  if (member == nullptr) return {nullptr, reader::OpenFailure::NotFound};
  return member->Open(path);
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
