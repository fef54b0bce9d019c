#include "platform/qt/keyboard_wedge.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace magcfg::qt {

TypedKey KeyForByte(unsigned char byte) {
  if (byte == '\n') return {Qt::Key_Return, QStringLiteral("\r")};
  const QChar character(static_cast<char16_t>(byte));
  const bool control = byte < 0x20 || (byte >= 0x7F && byte <= 0x9F);
  if (control) return {Qt::Key_unknown, QString(character)};
  // Letter keys are named by their capital; the text says which case.
  const QChar upper = character.toUpper();
  const int key = upper.unicode() <= 0xFF ? upper.unicode() : character.unicode();
  return {key, QString(character)};
}

KeyboardWedge::KeyboardWedge(QObject* parent) : QObject(parent) {
  timer_.setInterval(kKeyIntervalMs);
  connect(&timer_, &QTimer::timeout, this, &KeyboardWedge::TypeNext);
}

bool KeyboardWedge::Type(QWidget* target, std::string bytes) {
  if (Busy() || target == nullptr || bytes.empty()) return false;
  target_ = target;
  bytes_ = std::move(bytes);
  ++text_;
  next_ = 0;
  waitedMs_ = 0;
  // The first key goes out at once, the others one interval apart.
  timer_.start();
  TypeNext();
  return true;
}

void KeyboardWedge::Stop() { Finish(); }

void KeyboardWedge::TypeNext() {
  if (target_.isNull() || next_ >= bytes_.size()) {
    Finish();
    return;
  }
  if (!target_->hasFocus()) {
    waitedMs_ += kKeyIntervalMs;
    if (waitedMs_ > kFocusWaitMs) Finish();
    return;
  }
  waitedMs_ = 0;
  const TypedKey key = KeyForByte(static_cast<unsigned char>(bytes_[next_++]));
  // Posted, as the window system delivers keys: the widget handles them from
  // the event loop, once whatever the previous character set off is done.
  QCoreApplication::postEvent(target_, new QKeyEvent(QEvent::KeyPress, key.key, Qt::NoModifier, key.text));
  QCoreApplication::postEvent(target_, new QKeyEvent(QEvent::KeyRelease, key.key, Qt::NoModifier, key.text));
  if (next_ < bytes_.size()) return;
  // Done once the target has handled the last key: the call waits in the
  // same queue, behind the keys.
  timer_.stop();
  QMetaObject::invokeMethod(
      this,
      [this, text = text_] {
        if (text == text_) Finish();
      },
      Qt::QueuedConnection);
}

void KeyboardWedge::Finish() {
  if (!Busy()) return;
  timer_.stop();
  const int typed = static_cast<int>(next_);
  const int asked = static_cast<int>(bytes_.size());
  target_.clear();
  bytes_.clear();
  next_ = 0;
  emit Finished(typed, asked);
}

}  // namespace magcfg::qt
