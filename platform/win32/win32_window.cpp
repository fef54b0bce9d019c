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

}  // namespace

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
      // True: the dialog manager gives the focus to the first tab stop.
      return dialog_->OnInitDialog() ? TRUE : FALSE;

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
      labels_.clear();
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
  if (!label) label = std::make_unique<LabelControl>(item);
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
