// The window that stands in for the card reader with --simulate: a person
// swipes sample cards through the simulated reader and sees what the reader
// keeps. In active upload the reader types each swipe into the widget that
// has the keyboard focus, as a keyboard-wedge reader does; in passive upload
// it keeps the swipe for Read card and Check credit card status.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <array>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "platform/qt/keyboard_wedge.h"
#include "platform/simulated/reader_model.h"
#include "platform/simulated/reader_window_texts.h"
#include "reader/card_swipe.h"

class QLabel;
class QPushButton;

namespace magcfg::qt {

class QtWindow;

enum class SampleCard { Good, BlankTrack3, Unreadable };
inline constexpr std::array<SampleCard, 3> kSampleCards = {SampleCard::Good, SampleCard::BlankTrack3,
                                                           SampleCard::Unreadable};

// The swipe a sample card makes: all three tracks; the same card with
// nothing on track 3; a card the head cannot read.
reader::CardSwipe SampleSwipe(SampleCard card);

// Placement beside the main window, in frame rectangles (title bar and
// border included) on the available area of the main window's screen.
inline constexpr int kGapBesideMainWindow = 8;
// Where the reader's window goes: to the right of the main window when it
// fits there, else to its left when it fits there, else as far right as the
// screen allows, over the main window if need be. Vertically at the main
// window's top, kept on the screen.
QPoint PlaceBeside(const QRect& mainFrame, const QSize& frameSize, const QRect& available);
// Where the main window moves, when it first shows, so that both windows fit
// side by side, centred on the screen; nullopt when the reader's window fits
// beside it already, or when the two do not fit side by side at all.
std::optional<QPoint> MakeRoomBeside(const QRect& mainFrame, const QSize& frameSize, const QRect& available);

class SimulatedReaderWindow final : public QWidget {
  Q_OBJECT

 public:
  // A top-level window of its own that shows and hides with the main window
  // and sits beside it, to its right, in the language given. It belongs to
  // the main window, so a modal main window does not block it. The reader
  // must outlive it.
  SimulatedReaderWindow(sim::ReaderModel& reader, QtWindow& mainWindow, UiLanguage language);
  ~SimulatedReaderWindow() override;

  // What a click on a card's button does. Ignored while the previous swipe
  // is still being typed.
  void Swipe(SampleCard card);
  bool Typing() const { return wedge_.Busy(); }

  QPushButton* CardButton(SampleCard card) const;

  // Puts the window beside the main window (PlaceBeside).
  void PlaceBesideMainWindow();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Shows the window beside the main one once that has shown; on the first
  // show, makes room beside the main window (MakeRoomBeside).
  void ArrangeBesideMainWindow();
  void ShowReaderState();
  void SetOutcome(const QString& text);
  void FitHeight();
  QSize FrameSize() const;
  // Where the reader types: the widget with the keyboard focus, or, while no
  // widget of this program has it, the one that had it last.
  QWidget* TypingTarget() const;
  void OnTypingFinished(int typed, int asked);
  QString Text(sim::ReaderWindowText key, std::initializer_list<std::string_view> values = {}) const;

  sim::ReaderModel& reader_;
  QtWindow& mainWindow_;
  const UiLanguage language_;
  KeyboardWedge wedge_;
  QPointer<QWidget> lastFocus_;
  QPointer<QWidget> typingInto_;
  bool shownOnce_ = false;
  std::array<QPushButton*, 3> cardButtons_{};
  QLabel* mode_ = nullptr;
  QLabel* format_ = nullptr;
  QLabel* lastSwipe_ = nullptr;
  QLabel* outcome_ = nullptr;
};

}  // namespace magcfg::qt
