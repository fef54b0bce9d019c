// How each step and each end of a reader command is shown: the notice of a
// write that ran out and its form, the notice of a write that completed
// (and the version command's condition on it), the notice of a reply that
// did not come and its form, the pre-checks' notices, and the texts of each
// result. The window shows them in its status line and message boxes; the
// command line lists the same notices and concludes with the same texts.
#pragma once

#include <optional>
#include <vector>

#include "reader/reader_session.h"
#include "res/texts.h"

namespace magcfg {

// How the window shows a notice. The command line lists each notice once,
// whatever its form.
enum class NoticeForm {
  StatusLine,
  ErrorBox,                  // a box with the text, titled "Error", with the error icon
  StatusThenErrorBox,        // the status line, then a box with the text titled "ERROR"
  StatusThenInformationBox,  // the status line, then a box with the text titled "Information"
  TitleOfErrorBox,           // a box titled with the text, "Error" as its body, with the error icon
};

struct Notice {
  MessageKey key;
  NoticeForm form;
  bool operator==(const Notice&) const = default;
};

// The command's write ran out.
Notice WriteTimeoutNotice(reader::CommandCode code);
// The command's write completed; nullopt where nothing is shown: the version
// command says nothing when the write call itself reported the whole report.
std::optional<Notice> WriteDoneNotice(reader::CommandCode code, bool wholeReportInCall);
// No reply to the command in time.
Notice ReadTimeoutNotice(reader::CommandCode code);

// What the window shows once an exchange has ended without an answer, in
// order: a pre-check's notice, the read time-out, or for a transfer that
// failed at once or a reader held by another program what the time-outs of
// the transfers it did not make show. Empty for an answer, a refused usage
// check and a write time-out that ends the command (its notice came as the
// step).
std::vector<Notice> EndNotices(const reader::ExchangeResult& result);

// The catalogue text an answer names, and its form; nullopt for an answer
// that names none (no verdict, a card status code 3 and up, a card read that
// carried tracks or nothing), and for the version text, which is the
// reader's own (shown as StatusThenInformationBox).
std::optional<Notice> AnswerNotice(const reader::ExchangeResult& result);

inline constexpr NoticeForm kVersionTextForm = NoticeForm::StatusThenInformationBox;

}  // namespace magcfg
