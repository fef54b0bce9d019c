// Captions fitted to their controls: where a caption is wider or taller than
// its control (in a face wider than the template's, for one), it is drawn in
// a smaller size of the control's font.
#pragma once

class QFont;
class QWidget;

namespace magcfg::qt {

// Set on a push button whose caption breaks into lines.
inline constexpr char kWrapsProperty[] = "wraps";

// Gives the control its own font back, or the largest smaller size of that
// font in which every caption of the control fits.
void FitCaption(QWidget* widget);

// Makes font the control's own font, then fits the caption in it.
void FitCaptionInFont(QWidget* widget, const QFont& font);

}  // namespace magcfg::qt
