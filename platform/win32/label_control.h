// A text label on a static control (or group box) of the dialog: the control
// is subclassed and answers the colour request that the dialog reflects to
// it with its own font, text colour, a transparent text background and the
// button-face brush. A font height in pixels is meant for 96 DPI and is
// scaled to the DPI of the window's monitor.
#pragma once

#include <windows.h>

#include "ui/widgets/label_style.h"

namespace magcfg::win32 {

// The dialog forwards a control's WM_CTLCOLOR* to the control as this base
// plus the message, the way the common dialog frameworks reflect it.
inline constexpr UINT kReflectedBase = WM_USER + 0x1C00;

class LabelControl {
 public:
  // Subclasses control; the default GUI font, the system window-text colour
  // and the button-face brush are taken now, once.
  explicit LabelControl(HWND control, UINT dpi = USER_DEFAULT_SCREEN_DPI);
  ~LabelControl();
  LabelControl(const LabelControl&) = delete;
  LabelControl& operator=(const LabelControl&) = delete;

  // Takes the style's font and colour (fields left unset keep the defaults)
  // and redraws the control at once. The font is made again only when its
  // description changed.
  void Apply(const LabelStyle& style);

  // Makes the font again for the window's new DPI, and redraws.
  void SetDpi(UINT dpi);

  // The answer to a colour request of the given WM_CTLCOLOR* kind.
  HBRUSH OnColourRequest(UINT kind, HDC dc) const;

  HWND Control() const { return control_; }
  HFONT Font() const { return font_; }
  HBRUSH Brush() const { return brush_; }
  COLORREF TextColour() const { return textColour_; }
  int FontBuilds() const { return fontBuilds_; }

 private:
  static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  void Detach();

  HWND control_;
  bool subclassed_ = false;
  LOGFONTW defaultFont_{};
  LOGFONTW fontDesc_{};
  HFONT font_ = nullptr;
  int fontBuilds_ = 0;
  UINT dpi_;
  LabelStyle style_;
  COLORREF defaultTextColour_;
  COLORREF textColour_;
  HBRUSH brush_;
};

// Builds the font description of a style over the default one, with the
// style's height scaled from 96 DPI to dpi.
LOGFONTW LabelFontDescription(const LOGFONTW& defaults, const LabelStyle& style, UINT dpi = USER_DEFAULT_SCREEN_DPI);

}  // namespace magcfg::win32
