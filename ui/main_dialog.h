// The main window's logic: construction, initialisation, the routing of
// every control notification to its handler, and the handlers themselves.
// It reaches the window only through WindowPort and the reader only through
// the HID port.
#pragma once

#include <memory>

#include "reader/hid_port.h"
#include "reader/report_exchange.h"
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

  bool ReaderOpen() const { return reader_ != nullptr; }
  const TextLabel& Label(int index) const { return labels_[index]; }

 private:
  class WindowNotices;

  // Runs one exchange and enables Set Device where the exchange ends so.
  reader::ExchangeOutcome Exchange(reader::CommandCode code, std::span<const std::uint8_t> payload,
                                   const reader::ReplyHandler& onReply);
  void ShowStatus(MessageKey key);
  void ShowStatusText(std::string_view text);
  void ShowInformation(std::string_view text);
  std::string_view Text(MessageKey key) const;
  void RunModeCommand(reader::CommandCode code, MessageKey success);

  WindowPort& window_;
  reader::HidSystem& hid_;
  ModuleState& state_;
  std::unique_ptr<reader::HidDevice> reader_;  // null: no reader open
  UiLanguage startLanguage_ = UiLanguage::English;
  TextLabel labels_[5];
};

}  // namespace magcfg
