#include "platform/qt/simulated_reader_window.h"

#include <QApplication>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/qt/qt_window.h"
#include "platform/qt/text_convert.h"
#include "platform/simulated/demo_reader.h"
#include "platform/simulated/reader_state_words.h"
#include "platform/simulated/reader_window_texts.h"
#include "res/control_ids.h"

namespace magcfg::qt {
namespace {

// A title bar, a close box; no minimise or maximise box. The window never
// takes the keyboard focus, so the reader types where the operator clicked.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowCloseButtonHint | Qt::WindowDoesNotAcceptFocus;
constexpr int kWidth = 320;

using sim::ReaderWindowText;

sim::ReaderWindowText CardCaption(SampleCard card) {
  switch (card) {
    case SampleCard::Good:
      return ReaderWindowText::SwipeGood;
    case SampleCard::BlankTrack3:
      return ReaderWindowText::SwipeBlankTrack3;
    case SampleCard::Unreadable:
      break;
  }
  return ReaderWindowText::SwipeUnreadable;
}

QString CardObjectName(SampleCard card) {
  switch (card) {
    case SampleCard::Good:
      return QStringLiteral("swipe_good");
    case SampleCard::BlankTrack3:
      return QStringLiteral("swipe_blank_track3");
    case SampleCard::Unreadable:
      return QStringLiteral("swipe_unreadable");
  }
  return {};
}

QLabel* MakeValueLabel(QWidget* parent, const QString& objectName) {
  auto* label = new QLabel(parent);
  label->setObjectName(objectName);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  return label;
}

}  // namespace

QPoint PlaceBeside(const QRect& mainFrame, const QSize& frameSize, const QRect& available) {
  const int right = mainFrame.right() + 1 + kGapBesideMainWindow;
  const int left = mainFrame.left() - kGapBesideMainWindow - frameSize.width();
  if (!available.isValid()) return {right, mainFrame.top()};
  int x = right;
  if (right + frameSize.width() > available.right() + 1) {
    x = left >= available.left() ? left : std::max(available.left(), available.right() + 1 - frameSize.width());
  }
  const int lowest = std::max(available.top(), available.bottom() + 1 - frameSize.height());
  return {x, std::clamp(mainFrame.top(), available.top(), lowest)};
}

std::optional<QPoint> MakeRoomBeside(const QRect& mainFrame, const QSize& frameSize, const QRect& available) {
  if (!available.isValid()) return std::nullopt;
  const bool fitsRight = mainFrame.right() + 1 + kGapBesideMainWindow + frameSize.width() <= available.right() + 1;
  const bool fitsLeft = mainFrame.left() - kGapBesideMainWindow - frameSize.width() >= available.left();
  const int pairWidth = mainFrame.width() + kGapBesideMainWindow + frameSize.width();
  if (fitsRight || fitsLeft || pairWidth > available.width()) return std::nullopt;
  return QPoint(available.left() + (available.width() - pairWidth) / 2, mainFrame.top());
}

reader::CardSwipe SampleSwipe(SampleCard card) {
  switch (card) {
    case SampleCard::Good:
      return reader::SampleSwipe();
    case SampleCard::BlankTrack3: {
      reader::CardSwipe swipe = reader::SampleSwipe();
      swipe.tracks[2].clear();
      return swipe;
    }
    case SampleCard::Unreadable:
      return reader::CardSwipe::Failed();
  }
  return {};
}

SimulatedReaderWindow::SimulatedReaderWindow(sim::ReaderModel& reader, QtWindow& mainWindow, UiLanguage language)
    : QWidget(&mainWindow, kWindowFlags), reader_(reader), mainWindow_(mainWindow), language_(language) {
  setObjectName(QStringLiteral("simulated_reader"));
  setWindowTitle(ToQString(sim::kReaderWindowTitle));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setWindowIcon(mainWindow.windowIcon());
  setFont(DialogFont());
  setFocusPolicy(Qt::NoFocus);
  setFixedWidth(kWidth);

  auto* layout = new QVBoxLayout(this);
  auto* intro = MakeValueLabel(this, QStringLiteral("intro"));
  intro->setText(Text(ReaderWindowText::Intro));
  layout->addWidget(intro);
  for (std::size_t i = 0; i < kSampleCards.size(); ++i) {
    const SampleCard card = kSampleCards[i];
    auto* button = new QPushButton(Text(CardCaption(card)), this);
    button->setObjectName(CardObjectName(card));
    // A click must leave the keyboard focus where it is.
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, card] { Swipe(card); });
    layout->addWidget(button);
    cardButtons_[i] = button;
  }

  auto* stateBox = new QGroupBox(Text(ReaderWindowText::StateBox), this);
  auto* form = new QFormLayout(stateBox);
  form->setRowWrapPolicy(QFormLayout::DontWrapRows);
  form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
  mode_ = MakeValueLabel(stateBox, QStringLiteral("reader_mode"));
  format_ = MakeValueLabel(stateBox, QStringLiteral("reader_format"));
  lastSwipe_ = MakeValueLabel(stateBox, QStringLiteral("reader_last_swipe"));
  form->addRow(Text(ReaderWindowText::ModeLabel), mode_);
  form->addRow(Text(ReaderWindowText::FormatLabel), format_);
  form->addRow(Text(ReaderWindowText::LastSwipeLabel), lastSwipe_);
  layout->addWidget(stateBox);

  outcome_ = MakeValueLabel(this, QStringLiteral("swipe_outcome"));
  outcome_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  outcome_->setMinimumHeight(3 * fontMetrics().height());
  outcome_->setText(Text(ReaderWindowText::NoSwipeYet));
  layout->addWidget(outcome_);
  layout->addStretch(1);

  connect(&wedge_, &KeyboardWedge::Finished, this, &SimulatedReaderWindow::OnTypingFinished);
  lastFocus_ = QApplication::focusWidget();
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now != nullptr && now->window() != this) lastFocus_ = now;
  });
  reader_.SetChangeListener([this] { ShowReaderState(); });
  ShowReaderState();
  mainWindow_.installEventFilter(this);
}

SimulatedReaderWindow::~SimulatedReaderWindow() {
  reader_.SetChangeListener({});
  mainWindow_.removeEventFilter(this);
  // Typing ends with the window; nothing is reported any more.
  disconnect(&wedge_, nullptr, this, nullptr);
}

QString SimulatedReaderWindow::Text(sim::ReaderWindowText key, std::initializer_list<std::string_view> values) const {
  return ToQString(sim::WindowText(key, language_, values));
}

QPushButton* SimulatedReaderWindow::CardButton(SampleCard card) const {
  for (std::size_t i = 0; i < kSampleCards.size(); ++i) {
    if (kSampleCards[i] == card) return cardButtons_[i];
  }
  return nullptr;
}

void SimulatedReaderWindow::ShowReaderState() {
  const sim::ReaderStateWords words = sim::DescribeReader(reader_, language_);
  mode_->setText(ToQString(words.mode));
  format_->setText(ToQString(words.format));
  lastSwipe_->setText(ToQString(words.lastSwipe));
  FitHeight();
}

void SimulatedReaderWindow::SetOutcome(const QString& text) {
  outcome_->setText(text);
  FitHeight();
}

void SimulatedReaderWindow::FitHeight() {
  // As high as the main window, or higher when the texts need it.
  const int needed = layout()->totalHeightForWidth(kWidth);
  setMinimumHeight(needed);
  resize(kWidth, std::max(needed, mainWindow_.height()));
}

QWidget* SimulatedReaderWindow::TypingTarget() const {
  QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr && focus->window() != this) return focus;
  return lastFocus_.data();
}

void SimulatedReaderWindow::Swipe(SampleCard card) {
  if (Typing()) return;
  reader_.Swipe(SampleSwipe(card));
  if (reader_.Mode() == sim::UploadMode::Passive) {
    SetOutcome(Text(ReaderWindowText::PassiveKeepsSwipe));
    return;
  }
  const std::string typed = reader_.TypedForLastSwipe();
  if (typed.empty()) {
    SetOutcome(Text(ReaderWindowText::UnreadableCard, {sim::CaptionOf(ctl::kCardStatus, language_)}));
    return;
  }
  QWidget* target = TypingTarget();
  // Where the window system took the focus from the target for the click,
  // it goes back there before any key does, as if the click had never
  // moved it; the keys wait for it.
  if (target != nullptr && !target->hasFocus()) {
    target->activateWindow();
    target->setFocus(Qt::OtherFocusReason);
  }
  if (target == nullptr || !wedge_.Type(target, typed)) {
    SetOutcome(Text(ReaderWindowText::NoFocus));
    return;
  }
  typingInto_ = target;
  for (QPushButton* button : cardButtons_) button->setEnabled(false);
  SetOutcome(Text(ReaderWindowText::Typing, {std::to_string(typed.size())}));
}

void SimulatedReaderWindow::OnTypingFinished(int typed, int asked) {
  for (QPushButton* button : cardButtons_) button->setEnabled(true);
  QWidget* swipeBox = mainWindow_.Control(ctl::kSwipeBox);
  const bool intoSwipeBox = !typingInto_.isNull() && typingInto_ == swipeBox;
  typingInto_.clear();
  const std::string count = std::to_string(typed);
  if (typed < asked) {
    SetOutcome(Text(ReaderWindowText::TypingStopped, {count, std::to_string(asked)}));
  } else if (intoSwipeBox) {
    SetOutcome(Text(ReaderWindowText::TypedIntoSwipeBox, {count}));
  } else {
    SetOutcome(Text(ReaderWindowText::TypedIntoOtherBox, {count}));
  }
}

QSize SimulatedReaderWindow::FrameSize() const {
  // The frame as far as the window system has told it; none before the
  // window first shows.
  return frameGeometry().size().expandedTo(size());
}

void SimulatedReaderWindow::PlaceBesideMainWindow() {
  const QScreen* screen = mainWindow_.screen();
  const QRect available = screen != nullptr ? screen->availableGeometry() : QRect();
  move(PlaceBeside(mainWindow_.frameGeometry(), FrameSize(), available));
}

void SimulatedReaderWindow::ArrangeBesideMainWindow() {
  if (!mainWindow_.isVisible()) return;
  if (!isVisible()) {
    PlaceBesideMainWindow();
    show();
  }
  const QScreen* screen = mainWindow_.screen();
  if (screen != nullptr && !shownOnce_) {
    const std::optional<QPoint> room =
        MakeRoomBeside(mainWindow_.frameGeometry(), FrameSize(), screen->availableGeometry());
    if (room) mainWindow_.move(*room);
  }
  shownOnce_ = true;
  PlaceBesideMainWindow();
}

bool SimulatedReaderWindow::event(QEvent* event) {
  // Where the window system activates this window all the same, the
  // activation goes back to the main window, where the operator types.
  if (event->type() == QEvent::WindowActivate && mainWindow_.isVisible() && !mainWindow_.isActiveWindow()) {
    mainWindow_.activateWindow();
  }
  return QWidget::event(event);
}

bool SimulatedReaderWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &mainWindow_) {
    switch (event->type()) {
      case QEvent::Show:
        // Shown once the main window is: the main window takes its place
        // while it handles this event, and Qt's wayland platform makes this
        // window a child of the main one (xdg_toplevel.set_parent) only when
        // the main window's surface already exists as this one shows; shown
        // first, the compositor placed it as a stranger, under the main
        // window (seen under weston 10 with Qt 6.4).
        QMetaObject::invokeMethod(this, &SimulatedReaderWindow::ArrangeBesideMainWindow, Qt::QueuedConnection);
        break;
      case QEvent::Hide:
        wedge_.Stop();
        hide();
        break;
      case QEvent::Move:
      case QEvent::Resize:
        if (isVisible()) PlaceBesideMainWindow();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace magcfg::qt
