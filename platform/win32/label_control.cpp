#include "platform/win32/label_control.h"

#include <commctrl.h>
#include <uxtheme.h>

#include <cwchar>

#include "platform/win32/text_convert.h"

namespace magcfg::win32 {
namespace {

constexpr UINT_PTR kSubclassId = 0x4C42;  // "LB"

bool IsButtonClass(HWND hwnd) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  return _wcsicmp(name, L"Button") == 0;
}

}  // namespace

LOGFONTW LabelFontDescription(const LOGFONTW& defaults, const LabelStyle& style, UINT dpi) {
  LOGFONTW desc = defaults;
  if (style.faceName) {
    const std::wstring face = Utf8ToWide(*style.faceName);
    // LF_FACESIZE holds 31 characters and the terminating zero.
    wmemset(desc.lfFaceName, L'\0', LF_FACESIZE);
    wcsncpy(desc.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  }
  if (style.height) desc.lfHeight = MulDiv(*style.height, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
  if (style.weight) desc.lfWeight = *style.weight;
  return desc;
}

LabelControl::LabelControl(HWND control, UINT dpi)
    : control_(control),
      dpi_(dpi),
      defaultTextColour_(GetSysColor(COLOR_WINDOWTEXT)),
      textColour_(defaultTextColour_),
      brush_(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(defaultFont_), &defaultFont_);
  fontDesc_ = defaultFont_;
  font_ = CreateFontIndirectW(&fontDesc_);
  ++fontBuilds_;
  if (control_ != nullptr) {
    subclassed_ = SetWindowSubclass(control_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
    // A themed group box draws its caption in the theme's colour whatever
    // the colour request says; unthemed, it uses the colour it is given.
    if (IsButtonClass(control_)) SetWindowTheme(control_, L"", L"");
  }
}

LabelControl::~LabelControl() {
  Detach();
  if (font_ != nullptr) DeleteObject(font_);
  if (brush_ != nullptr) DeleteObject(brush_);
}

void LabelControl::Detach() {
  if (subclassed_) {
    RemoveWindowSubclass(control_, SubclassProc, kSubclassId);
    subclassed_ = false;
  }
}

void LabelControl::SetDpi(UINT dpi) {
  dpi_ = dpi;
  Apply(style_);
}

void LabelControl::Apply(const LabelStyle& style) {
  style_ = style;
  textColour_ = style.textColour.value_or(defaultTextColour_);
  const LOGFONTW desc = LabelFontDescription(defaultFont_, style, dpi_);
  if (memcmp(&desc, &fontDesc_, sizeof desc) != 0 || font_ == nullptr) {
    fontDesc_ = desc;
    if (font_ != nullptr) DeleteObject(font_);
    font_ = CreateFontIndirectW(&fontDesc_);
    ++fontBuilds_;
  }
  if (control_ != nullptr) RedrawWindow(control_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

HBRUSH LabelControl::OnColourRequest(UINT kind, HDC dc) const {
  if (kind == WM_CTLCOLORSTATIC) {
    // Without a font the selection changes nothing and the control keeps its own.
    if (font_ != nullptr) SelectObject(dc, font_);
    SetTextColor(dc, textColour_);
    SetBkMode(dc, TRANSPARENT);
  }
  return brush_;
}

LRESULT CALLBACK LabelControl::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR self) {
  auto* label = reinterpret_cast<LabelControl*>(self);
  if (message >= kReflectedBase + WM_CTLCOLORMSGBOX && message <= kReflectedBase + WM_CTLCOLORSTATIC) {
    return reinterpret_cast<LRESULT>(label->OnColourRequest(message - kReflectedBase, reinterpret_cast<HDC>(wParam)));
  }
  if (message == WM_NCDESTROY) label->Detach();
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace magcfg::win32
