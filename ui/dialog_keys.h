// What Enter and Escape do in the main window, as a dialog manager decides
// it from the control that has the focus.
#pragma once

namespace magcfg {

enum class KeyAction {
  PassToControl,  // the control takes the key itself (a line break in the swipe box)
  ClickButton,    // the focused push button is pressed
  EndDialogOk,    // the OK command ends the window
  EndDialogCancel,
};

// focusedControl may be an ID the window does not address (-1).
KeyAction ResolveEnterKey(int focusedControl);
KeyAction ResolveEscapeKey();

// The control that has the focus when the window first shows: the first
// control in tab order that is shown, enabled and a tab stop.
int InitialFocusControl();

}  // namespace magcfg
