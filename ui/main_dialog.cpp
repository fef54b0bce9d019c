#include "ui/main_dialog.h"

#include <array>

#include "reader/frames.h"
#include "res/control_ids.h"
#include "res/control_table.h"
#include "text/text_codec.h"
#include "ui/format_panel.h"
#include "ui/language_switch.h"

namespace magcfg {

using reader::CommandCode;
using reader::ExchangeResult;
using reader::ExchangeStatus;

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
bool EnablesSetDevice(ExchangeStatus status) {
  switch (status) {
    case ExchangeStatus::UsageRefused:
    case ExchangeStatus::NoReportDescription:
    case ExchangeStatus::ReportTooShort:
      return false;
    default:
      return true;
  }
}

}  // namespace

// Shows the steps of an exchange as they happen, in the language in force
// when each is shown; a box shown here holds the exchange until it is closed.
class MainDialog::WindowSteps final : public reader::ExchangeObserver {
 public:
  WindowSteps(MainDialog& dialog, CommandCode code) : dialog_(dialog), code_(code) {}
  void WriteTimedOut() override { dialog_.Show(WriteTimeoutNotice(code_)); }
  void WriteCompleted(bool wholeReportInCall) override {
    if (const std::optional<Notice> notice = WriteDoneNotice(code_, wholeReportInCall)) dialog_.Show(*notice);
  }

 private:
  MainDialog& dialog_;
  CommandCode code_;
};

MainDialog::MainDialog(WindowPort& window, reader::HidSystem& hid, ModuleState& state)
    : window_(window), hid_(hid), state_(state), session_(hid) {
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

void MainDialog::Show(const Notice& notice) {
  const std::string_view text = Text(notice.key);
  switch (notice.form) {
    case NoticeForm::StatusLine: ShowStatusText(text); break;
    case NoticeForm::ErrorBox: window_.ShowMessageBox(text, kTitleError, BoxIcon::Error); break;
    case NoticeForm::StatusThenErrorBox:
      ShowStatusText(text);
      window_.ShowMessageBox(text, kTitleSetDeviceError, BoxIcon::Error);
      break;
    case NoticeForm::StatusThenInformationBox: ShowInformation(text); break;
    case NoticeForm::TitleOfErrorBox: window_.ShowMessageBox(kTitleError, text, BoxIcon::Error); break;
  }
}

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
  const reader::Opening opened = session_.OpenFirst();
  switch (opened.outcome) {
    case reader::OpenOutcome::ListFailed:
      ShowStatus(MessageKey::EnumFailed);
      return;
    case reader::OpenOutcome::DetailFailed:
      window_.ShowMessageBox(kTitleError, Text(MessageKey::DetailFailed), BoxIcon::Error);
      return;
    case reader::OpenOutcome::Opened:
      ShowStatusText(ReaderFoundText(opened.versionNumber, state_.language));
      break;
    case reader::OpenOutcome::NotFound:
    case reader::OpenOutcome::NotAReader:
      ShowStatus(MessageKey::ReaderNotFound);
      break;
    case reader::OpenOutcome::AccessDenied:
      // The status line as for no reader; then the box, so that a user who
      // started the program from the menu learns why and how to fix it.
      ShowStatus(MessageKey::ReaderNotFound);
      window_.ShowMessageBox(AccessRefusedText(opened.path, state_.language), kTitleError, BoxIcon::Error);
      break;
  }
  hid_.Pause(kFindDevicePauseMs);
}

void MainDialog::OnDisconnect() {
  if (ReaderOpen()) {
    session_.Close();
    ShowStatus(MessageKey::Disconnected);
  } else {
    ShowStatus(MessageKey::NothingToDisconnect);
  }
}

// --- Commands

ExchangeResult MainDialog::Exchange(const reader::ExchangeRequest& request,
                                    const std::function<void(const ExchangeResult&)>& presentAnswer) {
  WindowSteps steps(*this, request.code);
  const ExchangeResult result = session_.Run(request, &steps);
  for (const Notice& notice : EndNotices(result)) Show(notice);
  if (result.status == ExchangeStatus::Answered) presentAnswer(result);
  if (EnablesSetDevice(result.status)) window_.SetEnabled(ctl::kSetDevice, true);
  return result;
}

// Shows the catalogue text an answer names, if it names one.
void MainDialog::ShowAnswer(const ExchangeResult& result) {
  if (const std::optional<Notice> notice = AnswerNotice(result)) Show(*notice);
}

void MainDialog::OnSetDevice() {
  const ExchangeResult result =
      Exchange(reader::ExchangeRequest::SetFormat(ReadFormatPanel(window_)), [this](const auto& r) { ShowAnswer(r); });
  // The sentinel set follows the panel once the request went out, whatever
  // the reader answered.
  if (reader::GotPastUsageCheck(result.status)) WriteBackSentinels(window_, state_.sentinels);
}

void MainDialog::OnSetDefaultFormat() {
  ApplyFactoryFormat(window_);
  OnSetDevice();
}

// A request that carries no track choice still runs the track pre-check.
reader::ExchangeRequest MainDialog::Request(reader::ExchangeRequest request) const {
  request.anyTrackOutput = AnyTrackOutputTicked(window_);
  return request;
}

void MainDialog::OnGetVersion() {
  Exchange(Request(reader::ExchangeRequest::Plain(CommandCode::Version)), [this](const ExchangeResult& result) {
    ShowInformation(BytesToText(result.versionText.value_or(std::string())));
  });
}

// Any reply in time is the success; its content is not examined.
void MainDialog::RunModeCommand(CommandCode code) {
  Exchange(Request(reader::ExchangeRequest::Plain(code)), [this](const auto& r) { ShowAnswer(r); });
}

void MainDialog::OnActiveUpload() { RunModeCommand(CommandCode::ActiveMode); }

void MainDialog::OnPassiveUpload() { RunModeCommand(CommandCode::PassiveMode); }

void MainDialog::OnCardStatus() {
  Exchange(Request(reader::ExchangeRequest::Plain(CommandCode::CardStatus)), [this](const auto& r) { ShowAnswer(r); });
}

void MainDialog::OnReadCard() {
  // The track boxes are emptied first, so a refused or failed read leaves them empty.
  for (int box : ctl::kTrackDataBoxes) window_.SetText(box, "");
  int selection = window_.SelectedListEntry(ctl::kTrackSelection);
  if (selection < 0 || selection >= static_cast<int>(TrackSelectionEntries().size())) selection = 0;

  Exchange(Request(reader::ExchangeRequest::ReadCard(static_cast<std::uint8_t>(selection))),
           [this](const ExchangeResult& result) {
             const reader::CardReadResult& card = *result.card;
             if (card.kind == reader::CardReadResult::Kind::Tracks) {
               for (int i = 0; i < 3; ++i) {
                 const auto& track = card.tracks[i];
                 window_.SetText(ctl::kTrackDataBoxes[i],
                                 track ? BytesToText(*track) : std::string(Text(MessageKey::BlankTrack)));
               }
             } else if (const std::optional<Notice> reason = AnswerNotice(result)) {
               Show(*reason);
               for (int box : ctl::kTrackDataBoxes) window_.SetText(box, Text(reason->key));
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
