#include "ui/widgets/text_label.h"

#include <algorithm>
#include <string>

#include "res/control_ids.h"

namespace magcfg {

void TextLabel::Attach(WindowPort& window, int control) {
  window_ = &window;
  control_ = control;
}

TextLabel& TextLabel::SetForeColor(Colour colour) {
  style_.textColour = colour;
  Redraw();
  return *this;
}

TextLabel& TextLabel::SetBold(bool bold) {
  style_.weight = bold ? kWeightBold : kWeightNormal;
  Redraw();
  return *this;
}

TextLabel& TextLabel::SetCharHeight(int pixels) {
  style_.height = -pixels;
  Redraw();
  return *this;
}

TextLabel& TextLabel::SetFaceName(std::string_view face) {
  std::size_t length = std::min(face.size(), kMaxFaceNameLength);
  // Do not split a UTF-8 sequence: back up over continuation bytes.
  while (length > 0 && length < face.size() &&
         (static_cast<unsigned char>(face[length]) & 0xC0) == 0x80) {
    --length;
  }
  style_.faceName = std::string(face.substr(0, length));
  Redraw();
  return *this;
}

void TextLabel::Redraw() {
  if (window_ != nullptr) window_->ApplyLabelStyle(control_, style_);
}

void SetUpMainWindowLabels(WindowPort& window, TextLabel (&labels)[5]) {
  constexpr Colour kRed = Rgb(255, 0, 0);
  constexpr std::string_view kFace = "Microsoft Sans Serif";

  labels[0].Attach(window, ctl::kStatusLine);
  labels[0].SetCharHeight(12).SetBold(true).SetForeColor(kRed);

  labels[1].Attach(window, ctl::kInstructionsFrame);
  labels[1].SetCharHeight(12).SetBold(true).SetForeColor(kRed);

  const int plainLines[] = {ctl::kInstruction1, ctl::kInstruction2, ctl::kNoticeLine};
  for (int i = 0; i < 3; ++i) {
    TextLabel& label = labels[2 + i];
    label.Attach(window, plainLines[i]);
    label.SetFaceName(kFace).SetCharHeight(12).SetForeColor(kRed);
  }
}

}  // namespace magcfg
