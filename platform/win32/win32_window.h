// The main window as a native dialog: built from dialog template 102 of the
// program's resources, it implements the window port over the dialog's
// controls and hands every routed notification to MainDialog. Moved to a
// monitor of another DPI, it lays itself out again from the template.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "platform/win32/label_control.h"
#include "ui/dialog_units.h"
#include "ui/main_dialog.h"
#include "ui/window_port.h"

namespace magcfg::win32 {

class Win32Window final : public WindowPort {
 public:
  // instance: the module whose resources hold the template and the icon.
  explicit Win32Window(HINSTANCE instance);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // Runs the window modally until it is ended; returns the end code, or -1
  // when the window could not be created.
  INT_PTR RunModal(MainDialog& dialog, HWND owner = nullptr);

  // Creates the window without running it (the caller's message loop must
  // pass messages through IsDialogMessage); nullptr on failure.
  HWND CreateModeless(MainDialog& dialog, HWND owner = nullptr);

  HWND Handle() const { return hwnd_; }
  // The end code passed to EndDialog, or 0 while the window runs.
  int EndCode() const { return endCode_; }
  // The label on a control, or nullptr before the control got its style.
  const LabelControl* Label(int control) const;
  HICON Icon() const { return icon_; }
  // The DPI the window is laid out for.
  UINT Dpi() const { return dpi_; }

  // WindowPort
  void SetText(int control, std::string_view utf8) override;
  std::string GetText(int control) const override;
  bool IsChecked(int control) const override;
  void SetChecked(int control, bool checked) override;
  void SetEnabled(int control, bool enabled) override;
  bool IsEnabled(int control) const override;
  void SetTextLimit(int control, int characters) override;
  void ResetList(int control) override;
  void AddListEntry(int control, std::string_view utf8) override;
  void SelectListEntry(int control, int index) override;
  int SelectedListEntry(int control) const override;
  void ShowMessageBox(std::string_view text, std::string_view title, BoxIcon icon) override;
  void SelectText(int control, int start, int end) override;
  void ScrollCaretIntoView(int control) override;
  void SetFocus(int control) override;
  void ApplyLabelStyle(int control, const LabelStyle& style) override;
  void SetWindowIcon(int iconResource) override;
  void EndDialog(int result) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnCommand(WPARAM wParam, LPARAM lParam);
  bool RefuseSentinelCharacter(HWND box);
  bool PaintMinimised();
  void OnDpiChanged(UINT dpi, const RECT& suggested);
  HWND Item(int control) const;
  LRESULT Send(int control, UINT message, WPARAM wParam, LPARAM lParam) const;

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  MainDialog* dialog_ = nullptr;
  HICON icon_ = nullptr;
  HICON smallIcon_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HFONT dialogFont_ = nullptr;  // the template's font made again for dpi_; null until the DPI changes
  int endCode_ = 0;
  bool refusing_ = false;  // a sentinel box is being put back
  std::map<int, std::unique_ptr<LabelControl>> labels_;
};

// Where a minimised window draws its icon: centred in the client area, with
// integer division that truncates toward zero.
POINT MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

// The notification of the routing table that a WM_COMMAND code from a control
// of the given ID stands for, or false for one that is not routed.
bool TranslateCommand(int control, int code, Notification& notification);

// The DPI of the monitor a window is on: from Windows 10 1607 the window's
// own, before that the system's.
UINT WindowDpi(HWND hwnd);

// The dialog base units of a font, as the dialog manager takes them.
DialogBaseUnits BaseUnitsOf(HFONT font);

}  // namespace magcfg::win32
