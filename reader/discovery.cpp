#include "reader/discovery.h"

#include "reader/reader_identity.h"

namespace magcfg::reader {
namespace {

bool IsReader(const HidAttributes& attributes) {
  return attributes.vendorId == kReaderVendorId && attributes.productId == kReaderProductId;
}

// Walks the list, calling onReader for each matching interface until it
// returns false.
template <typename OnReader>
FindOutcome Walk(HidSystem& system, OnReader&& onReader) {
  const std::unique_ptr<HidInterfaceList> list = system.ListInterfaces();
  if (!list) return FindOutcome::ListFailed;
  bool found = false;
  for (std::uint32_t index = 0;; ++index) {
    EnumerationEntry entry = list->At(index);
    if (entry.status == EnumerationStatus::NoMoreItems || entry.status == EnumerationStatus::Failed) break;
    if (entry.status == EnumerationStatus::DetailFailed) return FindOutcome::DetailFailed;
    std::unique_ptr<HidDevice> device = system.Open(entry.path);
    if (!device) continue;
    const std::optional<HidAttributes> attributes = device->GetAttributes();
    if (!attributes || !IsReader(*attributes)) continue;  // closed as it goes out of scope
    found = true;
    if (!onReader(std::move(device), entry.path, attributes->versionNumber)) break;
  }
  return found ? FindOutcome::Found : FindOutcome::NotFound;
}

}  // namespace

FindResult FindFirstReader(HidSystem& system) {
  FindResult result;
  result.outcome = Walk(system, [&](std::unique_ptr<HidDevice> device, const std::string& path, std::uint16_t version) {
    result.device = std::move(device);
    result.path = path;
    result.versionNumber = version;
    return false;
  });
  return result;
}

std::vector<ReaderInfo> ListReaders(HidSystem& system, FindOutcome* outcome) {
  std::vector<ReaderInfo> readers;
  const FindOutcome walked = Walk(system, [&](std::unique_ptr<HidDevice>, const std::string& path, std::uint16_t version) {
    readers.push_back({path, version});
    return true;
  });
  if (outcome != nullptr) *outcome = walked;
  return readers;
}

}  // namespace magcfg::reader
