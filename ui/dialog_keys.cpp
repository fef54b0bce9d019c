#include "ui/dialog_keys.h"

#include "res/control_table.h"

namespace magcfg {

KeyAction ResolveEnterKey(int focusedControl) {
  const ControlSpec* control = FindControl(focusedControl);
  if (control == nullptr) return KeyAction::EndDialogOk;
  if (control->kind == ControlKind::PushButton) return KeyAction::ClickButton;
  if (control->kind == ControlKind::Edit && control->Has(style::kWantReturn)) return KeyAction::PassToControl;
  return KeyAction::EndDialogOk;
}

KeyAction ResolveEscapeKey() { return KeyAction::EndDialogCancel; }

int InitialFocusControl() {
  for (const ControlSpec& c : MainDialogControls()) {
    if (c.Has(style::kTabStop) && !c.Has(style::kHidden) && !c.Has(style::kDisabled)) return c.id;
  }
  return -1;
}

}  // namespace magcfg
