// The one way the window logic reaches the window: operations on controls
// addressed by ID, as a dialog's handlers use them. A Qt window and a native
// Win32 dialog each implement it. Texts cross it as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "ui/widgets/label_style.h"

namespace magcfg {

enum class BoxIcon { Error, Information };

class WindowPort {
 public:
  virtual ~WindowPort() = default;

  // The caption of a button or frame, or the content of an edit box or label.
  // Setting the text of an edit box raises no change notification.
  virtual void SetText(int control, std::string_view utf8) = 0;
  virtual std::string GetText(int control) const = 0;

  // Check boxes and radio buttons. Setting raises no click notification and
  // works on a disabled control too.
  virtual bool IsChecked(int control) const = 0;
  virtual void SetChecked(int control, bool checked) = 0;

  // A disabled control is greyed and takes no clicks and no focus.
  virtual void SetEnabled(int control, bool enabled) = 0;
  virtual bool IsEnabled(int control) const = 0;

  // The most characters the operator can type into an edit box.
  virtual void SetTextLimit(int control, int characters) = 0;

  // The drop-down list.
  virtual void ResetList(int control) = 0;
  virtual void AddListEntry(int control, std::string_view utf8) = 0;
  virtual void SelectListEntry(int control, int index) = 0;
  virtual int SelectedListEntry(int control) const = 0;  // -1 when none

  // A message box owned by the window with one OK button; returns when the
  // operator has closed it.
  virtual void ShowMessageBox(std::string_view text, std::string_view title, BoxIcon icon) = 0;

  // Edit box selection, in characters, and scrolling the caret into view.
  virtual void SelectText(int control, int start, int end) = 0;
  virtual void ScrollCaretIntoView(int control) = 0;
  virtual void SetFocus(int control) = 0;

  // Gives a text label its font and colour and redraws it at once.
  virtual void ApplyLabelStyle(int control, const LabelStyle& style) = 0;

  // The window's big and small icon, from the icon resource.
  virtual void SetWindowIcon(int iconResource) = 0;

  // Ends the window's modal run (the OK and Cancel commands, the close box).
  virtual void EndDialog(int result) = 0;
};

}  // namespace magcfg
