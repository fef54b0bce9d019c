#include "ui/language_switch.h"

#include "res/control_ids.h"

namespace magcfg {
namespace {

void ShowTexts(WindowPort& window, UiLanguage& language, UiLanguage target, int radio) {
  if (window.IsChecked(radio)) {
    language = target;
  } else if (language != target) {
    return;
  }
  for (const CaptionRow& row : CaptionTable()) window.SetText(row.control, row.text.In(target));
  window.ResetList(ctl::kTrackSelection);
  for (const BilingualText& entry : TrackSelectionEntries()) {
    window.AddListEntry(ctl::kTrackSelection, entry.In(target));
  }
  window.SelectListEntry(ctl::kTrackSelection, 0);
}

}  // namespace

void ShowChineseTexts(WindowPort& window, UiLanguage& language) {
  ShowTexts(window, language, UiLanguage::Chinese, ctl::kLanguageChinese);
}

void ShowEnglishTexts(WindowPort& window, UiLanguage& language) {
  ShowTexts(window, language, UiLanguage::English, ctl::kLanguageEnglish);
}

void RestoreSwipeHint(WindowPort& window) {
  const BilingualText& hint = CatalogueEntry(MessageKey::SwipeHint);
  if (window.IsChecked(ctl::kLanguageChinese)) {
    window.SetText(ctl::kSwipeBox, hint.chinese);
  } else if (window.IsChecked(ctl::kLanguageEnglish)) {
    window.SetText(ctl::kSwipeBox, hint.english);
  }
}

}  // namespace magcfg
