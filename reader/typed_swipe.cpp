#include "reader/typed_swipe.h"

namespace magcfg::reader {
namespace {

void AppendSentinel(std::string& typed, std::uint8_t sentinel) {
  if (sentinel != kEmptySentinel) typed.push_back(static_cast<char>(sentinel));
}

}  // namespace

std::string TypedSwipe(const ReaderFormat& format, const CardSwipe& swipe) {
  std::string typed;
  if (swipe.kind != CardSwipe::Kind::Good) return typed;
  for (int track = 1; track <= 3; ++track) {
    if (!format.OutputsTrack(track)) continue;
    AppendSentinel(typed, format.Start(track));
    typed += swipe.tracks[track - 1];
    AppendSentinel(typed, format.End(track));
    if (format.CarriageReturnAfterTrack(track)) typed.push_back(kTypedEnter);
  }
  if (format.CarriageReturnAfterPacket()) typed.push_back(kTypedEnter);
  return typed;
}

}  // namespace magcfg::reader
