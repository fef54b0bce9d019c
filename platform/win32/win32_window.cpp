#include "platform/win32/win32_window.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "platform/win32/text_convert.h"
#include "reader/frames.h"
#include "res/control_ids.h"
#include "res/control_table.h"
#include "res/texts.h"

namespace magcfg::win32 {
namespace {

constexpr WORD kTemplateId = 102;

// A user32 function of a newer Windows, or nullptr where this one lacks it:
// the program also runs where none of the per-monitor DPI functions exist.
template <typename Function>
Function User32Function(const char* name) {
  const HMODULE user32 = GetModuleHandleW(L"user32.dll");
  const FARPROC address = user32 == nullptr ? nullptr : GetProcAddress(user32, name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

// From Windows 10 1703 the dialog manager would scale the dialog itself on a
// DPI change, but not the labels' fonts: the window does it all, the same way
// on every version.
void TakeOverDpiChanges(HWND dialog) {
  using SetBehaviour = BOOL(WINAPI*)(HWND, DIALOG_DPI_CHANGE_BEHAVIORS, DIALOG_DPI_CHANGE_BEHAVIORS);
  static const auto setBehaviour = User32Function<SetBehaviour>("SetDialogDpiChangeBehavior");
  if (setBehaviour != nullptr) setBehaviour(dialog, DDC_DISABLE_ALL, DDC_DISABLE_ALL);
}

}  // namespace

UINT WindowDpi(HWND hwnd) {
  using GetDpi = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpi>("GetDpiForWindow");
  if (getDpiForWindow != nullptr) {
    if (const UINT dpi = getDpiForWindow(hwnd)) return dpi;
  }
  const HDC dc = GetDC(hwnd);
  const int dpi = dc == nullptr ? 0 : GetDeviceCaps(dc, LOGPIXELSY);
  if (dc != nullptr) ReleaseDC(hwnd, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

DialogBaseUnits BaseUnitsOf(HFONT font) {
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  const HDC dc = GetDC(nullptr);
  const HGDIOBJ previous = SelectObject(dc, font);
  SIZE extent{};
  TEXTMETRICW metrics{};
  GetTextExtentPoint32W(dc, kLetters, 52, &extent);
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return BaseUnitsFromFont(extent.cx, metrics.tmHeight);
}

POINT MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return POINT{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

bool TranslateCommand(int control, int code, Notification& notification) {
  const ControlSpec* row = FindControl(control);
  if (row == nullptr) return false;
  switch (row->kind) {
    case ControlKind::PushButton:
    case ControlKind::AutoCheckBox:
    case ControlKind::AutoRadioButton:
      if (code != BN_CLICKED) return false;
      notification = Notification::Clicked;
      return true;
    case ControlKind::Edit:
      switch (code) {
        case EN_CHANGE:
          notification = Notification::Changed;
          return true;
        case EN_SETFOCUS:
          notification = Notification::FocusGained;
          return true;
        case EN_KILLFOCUS:
          notification = Notification::FocusLost;
          return true;
        default:
          return false;
      }
    default:
      return false;
  }
}

Win32Window::Win32Window(HINSTANCE instance) : instance_(instance) {}

Win32Window::~Win32Window() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

INT_PTR Win32Window::RunModal(MainDialog& dialog, HWND owner) {
  dialog_ = &dialog;
  endCode_ = 0;
  return DialogBoxParamW(instance_, MAKEINTRESOURCEW(kTemplateId), owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND Win32Window::CreateModeless(MainDialog& dialog, HWND owner) {
  dialog_ = &dialog;
  endCode_ = 0;
  return CreateDialogParamW(instance_, MAKEINTRESOURCEW(kTemplateId), owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

const LabelControl* Win32Window::Label(int control) const {
  const auto it = labels_.find(control);
  return it == labels_.end() ? nullptr : it->second.get();
}

INT_PTR CALLBACK Win32Window::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Win32Window*>(lParam);
    SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    self->hwnd_ = hwnd;
  }
  // Messages that come before WM_INITDIALOG (WM_SETFONT) get default handling.
  if (self == nullptr) return FALSE;
  return self->OnMessage(message, wParam, lParam);
}

INT_PTR Win32Window::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      dpi_ = WindowDpi(hwnd_);
      TakeOverDpiChanges(hwnd_);
      // True: the dialog manager gives the focus to the first tab stop.
      return dialog_->OnInitDialog() ? TRUE : FALSE;

    case WM_DPICHANGED: {
      RECT suggested{};
      if (lParam != 0) {
        suggested = *reinterpret_cast<const RECT*>(lParam);
      } else {
        GetWindowRect(hwnd_, &suggested);
      }
      OnDpiChanged(HIWORD(wParam), suggested);
      return TRUE;
    }

    case WM_COMMAND:
      return OnCommand(wParam, lParam) ? TRUE : FALSE;

    case WM_CLOSE:
      dialog_->OnClose();
      return TRUE;

    case WM_PAINT:
      return PaintMinimised() ? TRUE : FALSE;

    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);

    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      // A label answers for its own control; other controls get the default.
      const auto child = reinterpret_cast<HWND>(lParam);
      const auto it = labels_.find(GetDlgCtrlID(child));
      if (child == nullptr || it == labels_.end() || it->second->Control() != child) return FALSE;
      return static_cast<INT_PTR>(SendMessageW(child, kReflectedBase + message, wParam, lParam));
    }

    case WM_NCDESTROY:
      // The controls that used the font are gone by now.
      labels_.clear();
      if (dialogFont_ != nullptr) DeleteObject(dialogFont_);
      dialogFont_ = nullptr;
      hwnd_ = nullptr;
      return FALSE;

    default:
      return FALSE;
  }
}

bool Win32Window::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  // The dialog manager raises IDOK for Enter in a control that does not take
  // Enter itself, IDCANCEL for Escape; the template has no such buttons.
  if (id == IDOK && code == BN_CLICKED) {
    dialog_->OnOk();
    return true;
  }
  if (id == IDCANCEL && code == BN_CLICKED) {
    dialog_->OnCancel();
    return true;
  }
  // Menu and accelerator commands carry no control.
  if (lParam == 0) return false;
  const bool sentinelBox = std::find(std::begin(ctl::kSentinelBoxes), std::end(ctl::kSentinelBoxes), id) !=
                           std::end(ctl::kSentinelBoxes);
  if (sentinelBox && code == EN_CHANGE && RefuseSentinelCharacter(reinterpret_cast<HWND>(lParam))) return true;
  Notification notification{};
  if (!TranslateCommand(id, code, notification)) return false;
  return dialog_->OnNotify(id, notification);
}

// A sentinel box takes one character up to U+00FE: the reader takes one
// byte per sentinel, and 0xFF is the byte of an empty box. A character past
// that, typed or pasted, is taken back, and a balloon at the box says why.
bool Win32Window::RefuseSentinelCharacter(HWND box) {
  if (refusing_) return true;
  const int length = GetWindowTextLengthW(box);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  text.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(box, text.data(), length + 1))));
  const auto refused = [](wchar_t c) { return static_cast<char32_t>(c) > reader::kHighestSentinel; };
  if (std::none_of(text.begin(), text.end(), refused)) return false;

  refusing_ = true;
  SendMessageW(box, EM_UNDO, 0, 0);
  // Where there is nothing to undo, the refused characters go.
  std::wstring kept(static_cast<std::size_t>(GetWindowTextLengthW(box)) + 1, L'\0');
  kept.resize(static_cast<std::size_t>(std::max(0, GetWindowTextW(box, kept.data(), static_cast<int>(kept.size())))));
  if (std::any_of(kept.begin(), kept.end(), refused)) {
    std::erase_if(kept, refused);
    SetWindowTextW(box, kept.c_str());
  }
  SendMessageW(box, EM_EMPTYUNDOBUFFER, 0, 0);
  refusing_ = false;

  const UiLanguage language = IsChecked(ctl::kLanguageChinese) ? UiLanguage::Chinese : UiLanguage::English;
  const std::wstring why = Utf8ToWide(kSentinelRangeHint.In(language));
  EDITBALLOONTIP tip{};
  tip.cbStruct = sizeof tip;
  tip.pszTitle = L"";
  tip.pszText = why.c_str();
  tip.ttiIcon = TTI_NONE;
  SendMessageW(box, EM_SHOWBALLOONTIP, 0, reinterpret_cast<LPARAM>(&tip));
  return true;
}

bool Win32Window::PaintMinimised() {
  if (!IsIconic(hwnd_)) return false;
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(hwnd_, &paint);
  SendMessageW(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT client{};
  GetClientRect(hwnd_, &client);
  const POINT at = MinimisedIconOrigin(client.right - client.left, client.bottom - client.top,
                                       GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
  DrawIcon(dc, at.x, at.y, icon_);
  EndPaint(hwnd_, &paint);
  return true;
}

// The layout of the template made again for another DPI, as the dialog
// manager makes it at creation: the template's font at the new size, the
// dialog units of each control converted with that font's base units, the
// client area likewise, and the labels' fonts scaled.
void Win32Window::OnDpiChanged(UINT dpi, const RECT& suggested) {
  if (dpi == 0 || hwnd_ == nullptr) return;
  // Face, weight and character set from the font the dialog manager made
  // from the template; the height from the template's point size.
  LOGFONTW desc{};
  if (GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)), sizeof desc, &desc) == 0) return;
  desc.lfHeight = -MulDiv(MainDialogSpec().fontPointSize, static_cast<int>(dpi), 72);
  const HFONT font = CreateFontIndirectW(&desc);
  if (font == nullptr) return;
  dpi_ = dpi;
  const DialogBaseUnits base = BaseUnitsOf(font);

  // The children are in template order, which is the table's.
  const auto table = MainDialogControls();
  std::size_t row = 0;
  for (HWND child = GetWindow(hwnd_, GW_CHILD); child != nullptr && row < table.size();
       child = GetWindow(child, GW_HWNDNEXT), ++row) {
    const ControlSpec& c = table[row];
    const PixelRect place = DialogUnitsToPixels(c.x, c.y, c.width, c.height, base);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SetWindowPos(child, nullptr, place.x, place.y, place.width, place.height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (dialogFont_ != nullptr) DeleteObject(dialogFont_);
  dialogFont_ = font;

  const PixelRect client = DialogUnitsToPixels(0, 0, MainDialogSpec().width, MainDialogSpec().height, base);
  RECT frame{0, 0, client.width, client.height};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32Function<AdjustForDpi>("AdjustWindowRectExForDpi");
  if (adjustForDpi == nullptr || !adjustForDpi(&frame, style, FALSE, exStyle, dpi)) {
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  }
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  // Where the frame drawn is not the one computed (Wine keeps the frame of the
  // DPI it started at), the window takes the difference.
  RECT drawn{};
  GetClientRect(hwnd_, &drawn);
  const int dx = client.width - drawn.right;
  const int dy = client.height - drawn.bottom;
  if (dx != 0 || dy != 0) {
    SetWindowPos(hwnd_, nullptr, 0, 0, width + dx, height + dy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  for (auto& [control, label] : labels_) label->SetDpi(dpi);
  RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

HWND Win32Window::Item(int control) const {
  // Several controls share the "no ID" value; none of them is addressed.
  if (hwnd_ == nullptr || control == ctl::kNone) return nullptr;
  return GetDlgItem(hwnd_, control);
}

LRESULT Win32Window::Send(int control, UINT message, WPARAM wParam, LPARAM lParam) const {
  const HWND item = Item(control);
  return item == nullptr ? 0 : SendMessageW(item, message, wParam, lParam);
}

void Win32Window::SetText(int control, std::string_view utf8) {
  if (const HWND item = Item(control)) SetWindowTextW(item, Utf8ToWide(utf8).c_str());
}

std::string Win32Window::GetText(int control) const {
  const HWND item = Item(control);
  if (item == nullptr) return {};
  const int length = GetWindowTextLengthW(item);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(item, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
  return WideToUtf8(text);
}

bool Win32Window::IsChecked(int control) const {
  return Send(control, BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void Win32Window::SetChecked(int control, bool checked) {
  Send(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void Win32Window::SetEnabled(int control, bool enabled) {
  if (const HWND item = Item(control)) EnableWindow(item, enabled ? TRUE : FALSE);
}

bool Win32Window::IsEnabled(int control) const {
  const HWND item = Item(control);
  return item != nullptr && IsWindowEnabled(item) != FALSE;
}

void Win32Window::SetTextLimit(int control, int characters) {
  // A limit of 0 would lift the limit altogether; the smallest is 1.
  Send(control, EM_LIMITTEXT, static_cast<WPARAM>(characters < 1 ? 1 : characters), 0);
}

void Win32Window::ResetList(int control) {
  Send(control, CB_RESETCONTENT, 0, 0);
}

void Win32Window::AddListEntry(int control, std::string_view utf8) {
  const std::wstring entry = Utf8ToWide(utf8);
  Send(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
}

void Win32Window::SelectListEntry(int control, int index) {
  Send(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32Window::SelectedListEntry(int control) const {
  if (Item(control) == nullptr) return -1;
  const LRESULT selected = Send(control, CB_GETCURSEL, 0, 0);
  return selected < 0 ? -1 : static_cast<int>(selected);
}

void Win32Window::ShowMessageBox(std::string_view text, std::string_view title, BoxIcon icon) {
  const UINT flags = MB_OK | (icon == BoxIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION);
  MessageBoxW(hwnd_, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), flags);
}

void Win32Window::SelectText(int control, int start, int end) {
  const HWND item = Item(control);
  if (item == nullptr) return;
  // The core counts characters; the edit box counts UTF-16 units.
  const int length = GetWindowTextLengthW(item);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  GetWindowTextW(item, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  const int from = Utf16Offset(text, start < 0 ? 0 : start);
  const int to = Utf16Offset(text, end < 0 ? 0 : end);
  SendMessageW(item, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
}

void Win32Window::ScrollCaretIntoView(int control) {
  Send(control, EM_SCROLLCARET, 0, 0);
}

void Win32Window::SetFocus(int control) {
  if (const HWND item = Item(control)) ::SetFocus(item);
}

void Win32Window::ApplyLabelStyle(int control, const LabelStyle& style) {
  const HWND item = Item(control);
  if (item == nullptr) return;
  auto& label = labels_[control];
  if (!label) label = std::make_unique<LabelControl>(item, dpi_);
  label->Apply(style);
}

void Win32Window::SetWindowIcon(int iconResource) {
  if (hwnd_ == nullptr) return;
  icon_ = LoadIconW(instance_, MAKEINTRESOURCEW(iconResource));
  // The small icon from the 16 x 16 image rather than the big one scaled down.
  smallIcon_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(iconResource), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  if (smallIcon_ == nullptr) smallIcon_ = icon_;
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void Win32Window::EndDialog(int result) {
  endCode_ = result;
  if (hwnd_ != nullptr) ::EndDialog(hwnd_, result);
}

}  // namespace magcfg::win32
