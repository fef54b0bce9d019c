// Typing as a keyboard-wedge reader does: the characters of a swipe arrive
// at one widget as key presses and releases, one character every few
// milliseconds, so the widget sees each character as a change of its own.
// A reader types into the focused widget without moving the focus: a key
// goes out only while the target has the keyboard focus. While it has lost
// it (its window was deactivated), the keys wait for it to come back.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstddef>
#include <string>

namespace magcfg::qt {

// The key a typed byte becomes. A line feed is the Enter key (Key_Return,
// text "\r"); a byte from 0x20 to 0xFF other than 0x7F to 0x9F is the key of
// that Latin-1 character; any other byte is Key_unknown carrying that
// character, which the receiving widget keeps or drops as it would for a key
// it does not know.
struct TypedKey {
  int key;
  QString text;
};
TypedKey KeyForByte(unsigned char byte);

class KeyboardWedge final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kKeyIntervalMs = 3;
  // How long the keys wait for the target to have the focus again before
  // typing stops.
  static constexpr int kFocusWaitMs = 2000;

  explicit KeyboardWedge(QObject* parent = nullptr);

  // Starts typing `bytes` (each one character, Latin-1) into `target`.
  // Refused, with nothing typed, while an earlier text is still being typed,
  // for no target and for an empty text.
  bool Type(QWidget* target, std::string bytes);
  bool Busy() const { return !bytes_.empty(); }
  // Drops what is not yet typed; Finished follows with the count so far.
  void Stop();

 signals:
  // The last key went out, or typing stopped because the target went away,
  // did not have the focus back in time, or Stop was called; `typed` counts
  // the characters that went out.
  void Finished(int typed, int asked);

 private:
  void TypeNext();
  void Finish();

  QTimer timer_;
  QPointer<QWidget> target_;
  std::string bytes_;
  std::size_t next_ = 0;
  int waitedMs_ = 0;  // for the focus, since the last key went out
  // Counts the texts started, so that the end of one text cannot end the next.
  unsigned text_ = 0;
};

}  // namespace magcfg::qt
