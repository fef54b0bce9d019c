// An in-memory window for testing the window logic: every control of the
// main window's table, its text, check, enabled state and limits, plus a log
// of every status line text and message box in the order they were shown.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/window_port.h"

namespace magcfg::test {

struct ShownBox {
  std::string text;
  std::string title;
  BoxIcon icon;
  bool operator==(const ShownBox&) const = default;
};

struct FakeControl {
  std::string text;
  bool checked = false;
  bool enabled = true;
  bool visible = true;
  int textLimit = -1;
  std::vector<std::string> entries;
  int selected = -1;
  int selStart = -1, selEnd = -1;
  int caretScrolls = 0;
  LabelStyle labelStyle;
  int labelRedraws = 0;
};

// One entry of the operations log: "SetText 1035", "Check 1011", ...
inline std::string Operation(std::string_view kind, int control) {
  return std::string(kind) + " " + std::to_string(control);
}

class FakeWindow : public WindowPort {
 public:
  FakeWindow();

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

  FakeControl& Control(int id);
  const FakeControl& Control(int id) const;

  // What the operator does: a click toggles an auto check box or selects an
  // auto radio button first, as the platform does before it notifies.
  void OperatorToggles(int control);
  void OperatorTypes(int control, std::string_view text);  // replaces the text
  // Empties the four logs below.
  void ForgetLogs();

  // Every status line text and box, in order: "status:<text>" or
  // "box:<title>|<text>".
  std::vector<std::string> events;
  std::vector<ShownBox> boxes;
  std::vector<std::string> statusHistory;
  std::vector<std::string> operations;  // Operation()s, for order checks
  int focus = -1;
  int icon = 0;
  int endResult = 0;  // 0 while the window runs
  // Called while a box is shown, as if the operator looked at the window then.
  std::function<void(const ShownBox&)> onBox;

 private:
  std::map<int, FakeControl> controls_;
};

}  // namespace magcfg::test
