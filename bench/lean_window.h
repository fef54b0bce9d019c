// A window that only keeps texts and checks, so a benchmark measures the
// program's own logic rather than a test double's bookkeeping.
#pragma once

#include <array>
#include <string>

#include "ui/window_port.h"

namespace magcfg::bench {

class LeanWindow : public WindowPort {
 public:
  void SetText(int control, std::string_view utf8) override { Slot(control).assign(utf8); }
  std::string GetText(int control) const override { return texts_[Index(control)]; }
  bool IsChecked(int control) const override { return checked_[Index(control)]; }
  void SetChecked(int control, bool checked) override { checked_[Index(control)] = checked; }
  void SetEnabled(int, bool) override {}
  bool IsEnabled(int) const override { return true; }
  void SetTextLimit(int, int) override {}
  void ResetList(int) override { selected_ = -1; }
  void AddListEntry(int, std::string_view) override {}
  void SelectListEntry(int, int index) override { selected_ = index; }
  int SelectedListEntry(int) const override { return selected_; }
  void ShowMessageBox(std::string_view, std::string_view, BoxIcon) override { ++boxes; }
  void SelectText(int, int, int) override {}
  void ScrollCaretIntoView(int) override {}
  void SetFocus(int) override {}
  void ApplyLabelStyle(int, const LabelStyle&) override {}
  void SetWindowIcon(int) override {}
  void EndDialog(int) override {}

  int boxes = 0;

 private:
  static std::size_t Index(int control) {
    const int i = control - 1000;
    return (i >= 0 && i < 64) ? static_cast<std::size_t>(i) : 63;
  }
  std::string& Slot(int control) { return texts_[Index(control)]; }
  std::array<std::string, 64> texts_;
  std::array<bool, 64> checked_{};
  int selected_ = 0;
};

}  // namespace magcfg::bench
