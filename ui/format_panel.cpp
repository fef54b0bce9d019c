#include "ui/format_panel.h"

#include "res/control_ids.h"

namespace magcfg {

void LoadSentinelBoxes(WindowPort& window, const reader::SentinelSet& sentinels) {
  for (int box : ctl::kSentinelBoxes) window.SetTextLimit(box, 1);
  for (int i = 0; i < 6; ++i) window.SetText(ctl::kSentinelBoxes[i], sentinels.texts[i]);
}

void ApplyDefaultChecks(WindowPort& window) {
  for (int box : ctl::kOutputTrackBoxes) window.SetChecked(box, true);
  window.SetChecked(ctl::kCrPacket, true);
  for (int box : ctl::kTrackCrBoxes) window.SetChecked(box, false);
  for (int box : ctl::kTrackCrBoxes) window.SetEnabled(box, false);
  window.SetEnabled(ctl::kCrPacket, true);
}

void OnPacketCrClicked(WindowPort& window) {
  const bool packet = window.IsChecked(ctl::kCrPacket);
  if (packet) {
    for (int box : ctl::kTrackCrBoxes) window.SetChecked(box, false);
  }
  for (int box : ctl::kTrackCrBoxes) window.SetEnabled(box, !packet);
}

void OnTrackCrClicked(WindowPort& window, int clickedBox) {
  if (window.IsChecked(clickedBox)) window.SetChecked(ctl::kCrPacket, false);
  bool anyTrackCr = false;
  for (int box : ctl::kTrackCrBoxes) anyTrackCr = anyTrackCr || window.IsChecked(box);
  window.SetEnabled(ctl::kCrPacket, !anyTrackCr);
}

void ApplyFactoryFormat(WindowPort& window) {
  for (int i = 0; i < 6; ++i) window.SetText(ctl::kSentinelBoxes[i], reader::kFactorySentinels.texts[i]);
  ApplyDefaultChecks(window);
}

reader::OutputFormat ReadFormatPanel(const WindowPort& window) {
  reader::OutputFormat panel;
  for (int i = 0; i < 6; ++i) panel.sentinels[i] = window.GetText(ctl::kSentinelBoxes[i]);
  for (int i = 0; i < 3; ++i) panel.outputTrack[i] = window.IsChecked(ctl::kOutputTrackBoxes[i]);
  panel.crAfterPacket = window.IsChecked(ctl::kCrPacket);
  // The track boxes are read only when the packet box is not ticked.
  if (!panel.crAfterPacket) {
    for (int i = 0; i < 3; ++i) panel.crAfterTrack[i] = window.IsChecked(ctl::kTrackCrBoxes[i]);
  }
  return panel;
}

void WriteBackSentinels(const WindowPort& window, reader::SentinelSet& sentinels) {
  for (int i = 0; i < 6; ++i) sentinels.texts[i] = window.GetText(ctl::kSentinelBoxes[i]);
}

bool AnyTrackOutputTicked(const WindowPort& window) {
  for (int box : ctl::kOutputTrackBoxes) {
    if (window.IsChecked(box)) return true;
  }
  return false;
}

}  // namespace magcfg
