#include "ui/main_dialog.h"

#include <array>

#include "reader/card_read.h"
#include "reader/discovery.h"
#include "reader/frames.h"
#include "reader/replies.h"
#include "res/control_ids.h"
#include "res/control_table.h"
#include "text/text_codec.h"
#include "ui/format_panel.h"
#include "ui/language_switch.h"

namespace magcfg {

using reader::CommandCode;
using reader::ExchangeOutcome;

namespace {

inline constexpr int kFindDevicePauseMs = 100;

struct Route {
  Notification notification;
  int control;
  void (*handler)(MainDialog&);
};

// The window's routing of control notifications, in message-map order.
constexpr Route kRoutes[] = {
    {Notification::Clicked, ctl::kLanguageChinese, [](MainDialog& d) { d.ShowChineseTexts(); }},
    {Notification::Clicked, ctl::kLanguageEnglish, [](MainDialog& d) { d.ShowEnglishTexts(); }},
    {Notification::Clicked, ctl::kCrPacket, [](MainDialog& d) { d.OnPacketCrClicked(); }},
    {Notification::Clicked, ctl::kCrTrack1, [](MainDialog& d) { d.OnTrackCrClicked(ctl::kCrTrack1); }},
    {Notification::Clicked, ctl::kCrTrack3, [](MainDialog& d) { d.OnTrackCrClicked(ctl::kCrTrack3); }},
    {Notification::Clicked, ctl::kCrTrack2, [](MainDialog& d) { d.OnTrackCrClicked(ctl::kCrTrack2); }},
    {Notification::Clicked, ctl::kFindDevice, [](MainDialog& d) { d.OnFindDevice(); }},
    {Notification::Clicked, ctl::kSetDevice, [](MainDialog& d) { d.OnSetDevice(); }},
    {Notification::Clicked, ctl::kDisconnect, [](MainDialog& d) { d.OnDisconnect(); }},
    {Notification::Clicked, ctl::kSetDefaultFormat, [](MainDialog& d) { d.OnSetDefaultFormat(); }},
    {Notification::Clicked, ctl::kGetVersion, [](MainDialog& d) { d.OnGetVersion(); }},
    {Notification::Clicked, ctl::kActiveUpload, [](MainDialog& d) { d.OnActiveUpload(); }},
    {Notification::Clicked, ctl::kPassiveUpload, [](MainDialog& d) { d.OnPassiveUpload(); }},
    {Notification::Clicked, ctl::kReadCard, [](MainDialog& d) { d.OnReadCard(); }},
    {Notification::Clicked, ctl::kCardStatus, [](MainDialog& d) { d.OnCardStatus(); }},
    {Notification::Changed, ctl::kSwipeBox, [](MainDialog& d) { d.OnSwipeBoxChange(); }},
    {Notification::FocusGained, ctl::kSwipeBox, [](MainDialog& d) { d.OnSwipeBoxFocus(); }},
    {Notification::Clicked, ctl::kClearSwipe, [](MainDialog& d) { d.RestoreSwipeHint(); }},
    {Notification::FocusLost, ctl::kSwipeBox, [](MainDialog& d) { d.RestoreSwipeHint(); }},
};

// Set Device is enabled again at the end of every exchange that ran its
// course, and on the pre-check paths; nothing disables it.
bool EnablesSetDevice(ExchangeOutcome outcome) {
  switch (outcome) {
    case ExchangeOutcome::UsageRefused:
    case ExchangeOutcome::NoPreparsed:
    case ExchangeOutcome::ReportTooShort:
      return false;
    default:
      return true;
  }
}

}  // namespace

// Shows the exchange's notices in the status line and message boxes, in the
// language in force when each is shown.
class MainDialog::WindowNotices final : public reader::NoticeSink {
 public:
  explicit WindowNotices(MainDialog& dialog) : dialog_(dialog) {}
  void Status(MessageKey key) override { dialog_.ShowStatus(key); }
  void ErrorBox(MessageKey key, std::string_view title) override {
    dialog_.window_.ShowMessageBox(dialog_.Text(key), title, BoxIcon::Error);
  }
  void MessageAsTitleBox(MessageKey key) override {
    dialog_.window_.ShowMessageBox(kTitleError, dialog_.Text(key), BoxIcon::Error);
  }

 private:
  MainDialog& dialog_;
};

MainDialog::MainDialog(WindowPort& window, reader::HidSystem& hid, ModuleState& state)
    : window_(window), hid_(hid), state_(state) {
  // Chinese until the initialisation switches to English, before anything reads it.
  state_.language = UiLanguage::Chinese;
}

bool MainDialog::OnInitDialog() {
  window_.SetWindowIcon(MainDialogSpec().iconId);
  SetUpMainWindowLabels(window_, labels_);
  LoadSentinelBoxes(window_, state_.sentinels);
  window_.SetText(ctl::kSwipeBox, CatalogueEntry(MessageKey::SwipeHint).chinese);
  ApplyDefaultChecks(window_);
  state_.language = UiLanguage::English;
  window_.SetChecked(ctl::kLanguageEnglish, true);
  window_.SetChecked(ctl::kLanguageChinese, false);
  ShowEnglishTexts();
  if (startLanguage_ == UiLanguage::Chinese) {
    // As the Chinese choice does when the operator picks it.
    window_.SetChecked(ctl::kLanguageChinese, true);
    window_.SetChecked(ctl::kLanguageEnglish, false);
    ShowChineseTexts();
  }
  return true;
}

bool MainDialog::OnNotify(int control, Notification notification) {
  for (const Route& route : kRoutes) {
    if (route.control == control && route.notification == notification) {
      route.handler(*this);
      return true;
    }
  }
  return false;
}

void MainDialog::OnOk() { window_.EndDialog(kDialogOk); }
void MainDialog::OnCancel() { window_.EndDialog(kDialogCancel); }
void MainDialog::OnClose() { window_.EndDialog(kDialogCancel); }

std::string_view MainDialog::Text(MessageKey key) const { return MessageText(key, state_.language); }

void MainDialog::ShowStatus(MessageKey key) { ShowStatusText(Text(key)); }

void MainDialog::ShowStatusText(std::string_view text) { window_.SetText(ctl::kStatusLine, text); }

void MainDialog::ShowInformation(std::string_view text) {
  ShowStatusText(text);
  window_.ShowMessageBox(text, kTitleInformation, BoxIcon::Information);
}

// --- Reader discovery and connection

void MainDialog::OnFindDevice() {
  if (ReaderOpen()) {
    ShowStatus(MessageKey::AlreadyOpen);
    return;
  }
  reader::FindResult found = reader::FindFirstReader(hid_);
  switch (found.outcome) {
    case reader::FindOutcome::ListFailed:
      ShowStatus(MessageKey::EnumFailed);
      return;
    case reader::FindOutcome::DetailFailed:
      window_.ShowMessageBox(kTitleError, Text(MessageKey::DetailFailed), BoxIcon::Error);
      return;
    case reader::FindOutcome::Found:
      reader_ = std::move(found.device);
      ShowStatusText(ReaderFoundText(found.versionNumber, state_.language));
      break;
    case reader::FindOutcome::NotFound:
      ShowStatus(MessageKey::ReaderNotFound);
      break;
    case reader::FindOutcome::AccessDenied:
      // The status line as for no reader; then the box, so that a user who
      // started the program from the menu learns why and how to fix it.
      ShowStatus(MessageKey::ReaderNotFound);
      window_.ShowMessageBox(AccessRefusedText(found.path, state_.language), kTitleError, BoxIcon::Error);
      break;
  }
  hid_.Pause(kFindDevicePauseMs);
}

void MainDialog::OnDisconnect() {
  if (ReaderOpen()) {
    reader_.reset();
    ShowStatus(MessageKey::Disconnected);
  } else {
    ShowStatus(MessageKey::NothingToDisconnect);
  }
}

// --- Commands

ExchangeOutcome MainDialog::Exchange(CommandCode code, std::span<const std::uint8_t> payload,
                                     const reader::ReplyHandler& onReply) {
  WindowNotices notices(*this);
  const ExchangeOutcome outcome =
      reader::RunReportExchange(reader_.get(), AnyTrackOutputTicked(window_), {code, payload}, notices, onReply);
  if (EnablesSetDevice(outcome)) window_.SetEnabled(ctl::kSetDevice, true);
  return outcome;
}

void MainDialog::OnSetDevice() {
  const std::array<std::uint8_t, 8> payload = reader::FormatPayload(ReadFormatPanel(window_));
  const ExchangeOutcome outcome =
      Exchange(CommandCode::SetFormat, payload, [this](std::span<const std::uint8_t> reply, std::size_t, auto&) {
        switch (reader::ReadFormatVerdict(reply)) {
          case reader::FormatVerdict::Refused:
            ShowStatus(MessageKey::FormatFailed);
            window_.ShowMessageBox(Text(MessageKey::FormatFailed), kTitleSetDeviceError, BoxIcon::Error);
            break;
          case reader::FormatVerdict::Accepted:
            ShowInformation(Text(MessageKey::FormatOk));
            break;
          case reader::FormatVerdict::None:
            break;
        }
      });
  // The sentinel set follows the panel once the request went out, whatever
  // the reader answered.
  if (reader::GotPastUsageCheck(outcome)) WriteBackSentinels(window_, state_.sentinels);
}

void MainDialog::OnSetDefaultFormat() {
  ApplyFactoryFormat(window_);
  OnSetDevice();
}

void MainDialog::OnGetVersion() {
  Exchange(CommandCode::Version, {}, [this](std::span<const std::uint8_t> reply, std::size_t inputLength, auto&) {
    const std::string version = reader::ExtractVersionText(reply, inputLength);
    ShowInformation(BytesToText(version));
  });
}

void MainDialog::RunModeCommand(CommandCode code, MessageKey success) {
  // Any reply in time is the success; its content is not examined.
  Exchange(code, {}, [this, success](std::span<const std::uint8_t>, std::size_t, auto&) {
    ShowInformation(Text(success));
  });
}

void MainDialog::OnActiveUpload() { RunModeCommand(CommandCode::ActiveMode, MessageKey::ActiveModeSet); }

void MainDialog::OnPassiveUpload() { RunModeCommand(CommandCode::PassiveMode, MessageKey::PassiveModeSet); }

void MainDialog::OnCardStatus() {
  Exchange(CommandCode::CardStatus, {}, [this](std::span<const std::uint8_t> reply, std::size_t, auto&) {
    if (const std::optional<MessageKey> result = reader::CardStatusMessage(reply)) ShowInformation(Text(*result));
  });
}

void MainDialog::OnReadCard() {
  // The track boxes are emptied first, so a refused or failed read leaves them empty.
  for (int box : ctl::kTrackDataBoxes) window_.SetText(box, "");
  int selection = window_.SelectedListEntry(ctl::kTrackSelection);
  if (selection < 0 || selection >= static_cast<int>(TrackSelectionEntries().size())) selection = 0;
  const std::array<std::uint8_t, 1> payload = {static_cast<std::uint8_t>(selection)};

  Exchange(CommandCode::ReadCard, payload,
           [this](std::span<const std::uint8_t> first, std::size_t, reader::FurtherReports& further) {
             const reader::CardReadResult result = reader::ReadCardReply(first, further);
             if (result.kind == reader::CardReadResult::Kind::Tracks) {
               for (int i = 0; i < 3; ++i) {
                 const auto& track = result.tracks[i];
                 window_.SetText(ctl::kTrackDataBoxes[i], track ? BytesToText(*track) : std::string(Text(MessageKey::BlankTrack)));
               }
             } else if (result.kind == reader::CardReadResult::Kind::Refused) {
               ShowStatus(result.reason);
               for (int box : ctl::kTrackDataBoxes) window_.SetText(box, Text(result.reason));
             }
           });
}

// --- Swipe capture

void MainDialog::OnSwipeBoxChange() { state_.capture.OnSwipeBoxChange(window_, state_.sentinels); }

void MainDialog::OnSwipeBoxFocus() { window_.SetText(ctl::kSwipeBox, ""); }

void MainDialog::RestoreSwipeHint() { magcfg::RestoreSwipeHint(window_); }

// --- Format panel and language

void MainDialog::OnPacketCrClicked() { magcfg::OnPacketCrClicked(window_); }

void MainDialog::OnTrackCrClicked(int box) { magcfg::OnTrackCrClicked(window_, box); }

void MainDialog::ShowChineseTexts() { magcfg::ShowChineseTexts(window_, state_.language); }

void MainDialog::ShowEnglishTexts() { magcfg::ShowEnglishTexts(window_, state_.language); }

}  // namespace magcfg
