#include "reader/discovery.h"

#include "reader/reader_identity.h"

namespace magcfg::reader {

bool IsRefusedReader(HidSystem& system, const std::string& path, OpenFailure failure) {
  if (failure != OpenFailure::PermissionDenied) return false;
  const std::optional<HidAttributes> identity = system.IdentityWithoutOpening(path);
  return identity && IsReader(*identity);
}

namespace {

// Walks the interfaces, calling onReader for each matching one until it
// returns false. `refused` gets the first reader refused for permission.
template <typename OnReader>
FindOutcome Walk(HidSystem& system, std::string& refused, OnReader&& onReader) {
  bool found = false;
  const WalkEnd end = system.WalkInterfaces([&](const std::string& path) {
    OpenResult opened = system.Open(path);
    if (!opened.device) {
      if (refused.empty() && IsRefusedReader(system, path, opened.failure)) refused = path;
      return true;
    }
    const std::optional<HidAttributes> attributes = opened.device->GetAttributes();
    if (!attributes || !IsReader(*attributes)) return true;  // closed as it goes out of scope
    found = true;
    return onReader(std::move(opened.device), path, attributes->versionNumber);
  });
  if (end == WalkEnd::ListFailed) return FindOutcome::ListFailed;
  if (end == WalkEnd::DetailFailed) return FindOutcome::DetailFailed;
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
