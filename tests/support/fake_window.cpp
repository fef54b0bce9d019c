#include "tests/support/fake_window.h"

#include <stdexcept>

#include "res/control_ids.h"
#include "res/control_table.h"

namespace magcfg::test {

FakeWindow::FakeWindow() {
  for (const ControlSpec& row : MainDialogControls()) {
    if (row.id == ctl::kNone) continue;
    FakeControl c;
    c.text = row.source == TextSource::Template ? row.text : "";
    c.enabled = !row.Has(style::kDisabled);
    c.visible = !row.Has(style::kHidden);
    controls_[row.id] = c;
  }
}

FakeControl& FakeWindow::Control(int id) {
  auto it = controls_.find(id);
  if (it == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
  return it->second;
}

const FakeControl& FakeWindow::Control(int id) const {
  auto it = controls_.find(id);
  if (it == controls_.end()) throw std::out_of_range("no control " + std::to_string(id));
  return it->second;
}

void FakeWindow::SetText(int control, std::string_view utf8) {
  Control(control).text = std::string(utf8);
  operations.push_back(Operation("SetText", control));
  if (control == ctl::kStatusLine) {
    statusHistory.emplace_back(utf8);
    events.push_back("status:" + std::string(utf8));
  }
}

std::string FakeWindow::GetText(int control) const { return Control(control).text; }
bool FakeWindow::IsChecked(int control) const { return Control(control).checked; }

void FakeWindow::SetChecked(int control, bool checked) {
  Control(control).checked = checked;
  operations.push_back(Operation(checked ? "Check" : "Uncheck", control));
}

void FakeWindow::SetEnabled(int control, bool enabled) {
  Control(control).enabled = enabled;
  operations.push_back(Operation(enabled ? "Enable" : "Disable", control));
}

bool FakeWindow::IsEnabled(int control) const { return Control(control).enabled; }

void FakeWindow::SetTextLimit(int control, int characters) {
  Control(control).textLimit = characters;
  operations.push_back(Operation("Limit", control));
}

void FakeWindow::ResetList(int control) {
  Control(control).entries.clear();
  Control(control).selected = -1;
}

void FakeWindow::AddListEntry(int control, std::string_view utf8) { Control(control).entries.emplace_back(utf8); }

void FakeWindow::SelectListEntry(int control, int index) {
  FakeControl& c = Control(control);
  c.selected = (index >= 0 && index < static_cast<int>(c.entries.size())) ? index : -1;
}

int FakeWindow::SelectedListEntry(int control) const { return Control(control).selected; }

void FakeWindow::ShowMessageBox(std::string_view text, std::string_view title, BoxIcon icon) {
  ShownBox box{std::string(text), std::string(title), icon};
  boxes.push_back(box);
  events.push_back("box:" + box.title + "|" + box.text);
  if (onBox) onBox(box);
}

void FakeWindow::SelectText(int control, int start, int end) {
  Control(control).selStart = start;
  Control(control).selEnd = end;
}

void FakeWindow::ScrollCaretIntoView(int control) { ++Control(control).caretScrolls; }

void FakeWindow::SetFocus(int control) { focus = control; }

void FakeWindow::ApplyLabelStyle(int control, const LabelStyle& style) {
  Control(control).labelStyle = style;
  ++Control(control).labelRedraws;
  operations.push_back(Operation("Label", control));
}

void FakeWindow::SetWindowIcon(int iconResource) {
  icon = iconResource;
  operations.push_back("Icon");
}

void FakeWindow::EndDialog(int result) { endResult = result; }

void FakeWindow::OperatorToggles(int control) {
  FakeControl& c = Control(control);
  if (control == ctl::kLanguageChinese || control == ctl::kLanguageEnglish) {
    Control(ctl::kLanguageChinese).checked = control == ctl::kLanguageChinese;
    Control(ctl::kLanguageEnglish).checked = control == ctl::kLanguageEnglish;
  } else {
    c.checked = !c.checked;
  }
}

void FakeWindow::OperatorTypes(int control, std::string_view text) { Control(control).text = std::string(text); }

void FakeWindow::ForgetLogs() {
  events.clear();
  boxes.clear();
  statusHistory.clear();
  operations.clear();
}

}  // namespace magcfg::test
