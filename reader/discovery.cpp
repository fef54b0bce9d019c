#include "reader/discovery.h"

#include "reader/reader_identity.h"

namespace magcfg::reader {
namespace {

bool IsReader(const HidAttributes& attributes) {
  return attributes.vendorId == kReaderVendorId && attributes.productId == kReaderProductId;
}

// A reader that the platform would not let the user open.
bool IsRefusedReader(HidSystem& system, const std::string& path) {
  if (system.LastOpenFailure() != OpenFailure::PermissionDenied) return false;
  const std::optional<HidAttributes> identity = system.IdentityWithoutOpening(path);
  return identity && IsReader(*identity);
}

// Walks the list, calling onReader for each matching interface until it
// returns false. `refused` gets the first reader refused for permission.
template <typename OnReader>
FindOutcome Walk(HidSystem& system, std::string& refused, OnReader&& onReader) {
  const std::unique_ptr<HidInterfaceList> list = system.ListInterfaces();
  if (!list) return FindOutcome::ListFailed;
  bool found = false;
  for (std::uint32_t index = 0;; ++index) {
    EnumerationEntry entry = list->At(index);
    if (entry.status == EnumerationStatus::NoMoreItems || entry.status == EnumerationStatus::Failed) break;
    if (entry.status == EnumerationStatus::DetailFailed) return FindOutcome::DetailFailed;
    std::unique_ptr<HidDevice> device = system.Open(entry.path);
    if (!device) {
      if (refused.empty() && IsRefusedReader(system, entry.path)) refused = entry.path;
      continue;
    }
    const std::optional<HidAttributes> attributes = device->GetAttributes();
    if (!attributes || !IsReader(*attributes)) continue;  // closed as it goes out of scope
    found = true;
    if (!onReader(std::move(device), entry.path, attributes->versionNumber)) break;
  }
  if (found) return FindOutcome::Found;
  return refused.empty() ? FindOutcome::NotFound : FindOutcome::AccessDenied;
}

}  // namespace

FindResult FindFirstReader(HidSystem& system) {
  FindResult result;
  std::string refused;
  result.outcome =
      Walk(system, refused, [&](std::unique_ptr<HidDevice> device, const std::string& path, std::uint16_t version) {
        result.device = std::move(device);
        result.path = path;
        result.versionNumber = version;
        return false;
      });
  if (result.outcome == FindOutcome::AccessDenied) result.path = refused;
  return result;
}

std::vector<ReaderInfo> ListReaders(HidSystem& system, FindOutcome* outcome, std::string* refusedPath) {
  std::vector<ReaderInfo> readers;
  std::string refused;
  const FindOutcome walked =
      Walk(system, refused, [&](std::unique_ptr<HidDevice>, const std::string& path, std::uint16_t version) {
        readers.push_back({path, version});
        return true;
      });
  if (outcome != nullptr) *outcome = walked;
  if (refusedPath != nullptr) *refusedPath = refused;
  return readers;
}

}  // namespace magcfg::reader
