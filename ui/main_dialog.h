// The main window's logic: construction, initialisation, the routing of
// every control notification to its handler, and the handlers themselves.
// It reaches the window only through WindowPort and the reader only through
// a reader session, whose results it presents.
#pragma once

#include <functional>

#include "reader/hid_port.h"
#include "reader/reader_session.h"
#include "res/exchange_notices.h"
#include "res/texts.h"
#include "ui/swipe_capture.h"
#include "ui/widgets/text_label.h"
#include "ui/window_port.h"

namespace magcfg {

// State that outlives the window: it lives from program start to its end.
struct ModuleState {
  UiLanguage language = UiLanguage::English;
  SentinelSet sentinels;
  SwipeCapture capture;
};

enum class Notification {
  Clicked,      // a button was pressed (a check box after it toggled)
  Changed,      // the operator changed an edit box's text
  FocusGained,
  FocusLost,
};

// End codes of the modal run.
inline constexpr int kDialogOk = 1;
inline constexpr int kDialogCancel = 2;

class MainDialog {
 public:
  MainDialog(WindowPort& window, reader::HidSystem& hid, ModuleState& state);
  MainDialog(const MainDialog&) = delete;
  MainDialog& operator=(const MainDialog&) = delete;

  // The language the window shows once initialised; English unless set
  // before the initialisation.
  void SetStartLanguage(UiLanguage language) { startLanguage_ = language; }

  // Returns true: the window gives the focus to its first tab stop.
  bool OnInitDialog();

  // Routes a notification of a control to its handler; others are ignored.
  // Returns whether a handler ran.
  bool OnNotify(int control, Notification notification);

  // The dialog's OK and Cancel commands and the close box end the window.
  void OnOk();
  void OnCancel();
  void OnClose();

  // Handlers, one per command.
  void OnFindDevice();
  void OnDisconnect();
  void OnSetDevice();
  void OnSetDefaultFormat();
  void OnGetVersion();
  void OnActiveUpload();
  void OnPassiveUpload();
  void OnCardStatus();
  void OnReadCard();
  void OnSwipeBoxChange();
  void OnSwipeBoxFocus();
  void RestoreSwipeHint();
  void OnPacketCrClicked();
  void OnTrackCrClicked(int box);
  void ShowChineseTexts();
  void ShowEnglishTexts();

  bool ReaderOpen() const { return session_.IsOpen(); }
  const TextLabel& Label(int index) const { return labels_[index]; }

 private:
  class WindowSteps;

  // Runs one exchange, showing its steps as they happen; then shows how it
  // ended, presents an answer with presentAnswer, and enables Set Device
  // where the exchange ends so.
  reader::ExchangeResult Exchange(const reader::ExchangeRequest& request,
                                  const std::function<void(const reader::ExchangeResult&)>& presentAnswer);
  void ShowAnswer(const reader::ExchangeResult& result);
  reader::ExchangeRequest Request(reader::ExchangeRequest request) const;
  void Show(const Notice& notice);
  void ShowStatus(MessageKey key);
  void ShowStatusText(std::string_view text);
  void ShowInformation(std::string_view text);
  std::string_view Text(MessageKey key) const;
  void RunModeCommand(reader::CommandCode code);

  WindowPort& window_;
  reader::HidSystem& hid_;
  ModuleState& state_;
  reader::ReaderSession session_;  // holds the reader while one is open
  UiLanguage startLanguage_ = UiLanguage::English;
  TextLabel labels_[5];
};

}  // namespace magcfg
