// A text label draws an existing control of the window in its own face,
// height, weight and colour. The setters chain and each redraws at once, so
// the label must be attached to its control first.
#pragma once

#include <string_view>

#include "ui/widgets/label_style.h"
#include "ui/window_port.h"

namespace magcfg {

class TextLabel {
 public:
  TextLabel() = default;

  void Attach(WindowPort& window, int control);
  bool IsAttached() const { return window_ != nullptr; }
  int Control() const { return control_; }

  TextLabel& SetForeColor(Colour colour);
  TextLabel& SetBold(bool bold);
  TextLabel& SetCharHeight(int pixels);
  // Keeps at most 31 characters of the name (bytes of its UTF-8 form, cut at
  // a character boundary), as the font description has no room for more.
  TextLabel& SetFaceName(std::string_view face);

  const LabelStyle& Style() const { return style_; }

 private:
  void Redraw();

  WindowPort* window_ = nullptr;
  int control_ = -1;
  LabelStyle style_;
};

// Attaches the window's five labels and gives each its settings, one label
// completely before the next: status line, instructions frame, instruction
// lines 1 and 2, notice line.
void SetUpMainWindowLabels(WindowPort& window, TextLabel (&labels)[5]);

}  // namespace magcfg
