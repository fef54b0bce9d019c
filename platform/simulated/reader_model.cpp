#include "platform/simulated/reader_model.h"

#include <algorithm>

#include "reader/track_selection.h"
#include "reader/typed_swipe.h"

namespace magcfg::sim {
namespace {

constexpr std::uint8_t kStx = 0x02;
constexpr std::uint8_t kEtx = 0x03;
constexpr std::uint8_t kYes = 'Y';
constexpr std::uint8_t kNo = 'N';
// A track length travels as a signed byte.
constexpr std::size_t kLongestTrack = 127;

// Requests without payload end with ETX at byte 3, the card read at byte 4.
bool EtxAt(std::span<const std::uint8_t> request, std::size_t index) {
  return request.size() > index && request[index] == kEtx;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> ReaderModel::Answer(std::span<const std::uint8_t> request) {
  if (request.size() < 4 || request[1] != kStx) return std::nullopt;
  const std::uint8_t command = request[2];
  switch (command) {
    case 0x30:
      return AnswerFormat(request);
    case 0x05: {
      if (!EtxAt(request, 3)) return std::nullopt;
      std::vector<std::uint8_t> reply = {kStx, command};
      reply.insert(reply.end(), versionText_.begin(), versionText_.end());
      reply.push_back(kEtx);
      return reply;
    }
    case 0x06:
    case 0x07:
      if (!EtxAt(request, 3)) return std::nullopt;
      mode_ = command == 0x07 ? UploadMode::Active : UploadMode::Passive;
      Changed();
      return std::vector<std::uint8_t>{kStx, command, kYes, kEtx};
    case 0x09: {
      if (!EtxAt(request, 3)) return std::nullopt;
      const auto code = static_cast<std::uint8_t>(lastSwipe_.kind == reader::CardSwipe::Kind::None     ? 0
                                                  : lastSwipe_.kind == reader::CardSwipe::Kind::Failed ? 1
                                                                                                       : 2);
      return std::vector<std::uint8_t>{kStx, command, kYes, code, kEtx};
    }
    case 0x08:
      if (!EtxAt(request, 4) || !reader::TracksSelected(request[3])) return std::nullopt;
      return AnswerReadCard(request[3]);
    default:
      return std::nullopt;
  }
}

std::vector<std::uint8_t> ReaderModel::AnswerFormat(std::span<const std::uint8_t> request) {
  const std::optional<reader::ReaderFormat> format = reader::FormatFromRequest(request);
  if (format) {
    format_ = *format;
    Changed();
  }
  return {kStx, 0x30, format ? kYes : kNo, kEtx};
}

std::vector<std::uint8_t> ReaderModel::AnswerReadCard(std::uint8_t trackSelection) const {
  switch (lastSwipe_.kind) {
    case reader::CardSwipe::Kind::None:
      return {kStx, 0x08, kNo, 0x00};
    case reader::CardSwipe::Kind::Failed:
      return {kStx, 0x08, kNo, 0x01};
    case reader::CardSwipe::Kind::Good:
      break;
  }
  const std::array<bool, 3> selected = *reader::TracksSelected(trackSelection);
  std::vector<std::uint8_t> reply = {kStx, 0x08, kYes};
  for (int i = 0; i < 3; ++i) {
    // A track not asked for goes out blank.
    const std::string& track = lastSwipe_.tracks[i];
    const std::size_t length = selected[i] ? std::min(track.size(), kLongestTrack) : 0;
    reply.push_back(static_cast<std::uint8_t>(length));
    reply.insert(reply.end(), track.begin(), track.begin() + static_cast<std::ptrdiff_t>(length));
  }
  return reply;
}

std::string ReaderModel::TypedForLastSwipe() const {
  return mode_ == UploadMode::Active ? reader::TypedSwipe(format_, lastSwipe_) : std::string();
}

}  // namespace magcfg::sim
