// The two language switches: each sets the language flag, the captions, the
// track selection list and the swipe hint in its language.
#pragma once

#include "res/texts.h"
#include "ui/window_port.h"

namespace magcfg {

// Both follow their radio button: when it is not checked they go on only if
// the flag already holds their language.
void ShowChineseTexts(WindowPort& window, UiLanguage& language);
void ShowEnglishTexts(WindowPort& window, UiLanguage& language);

// The swipe hint by the radio buttons' state: Chinese when 1002 is checked,
// else English when 1003 is, else the box keeps its text.
void RestoreSwipeHint(WindowPort& window);

}  // namespace magcfg
