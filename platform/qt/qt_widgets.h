// The widgets the window's controls are made of: each kind of control of the
// window template as the Qt widget that looks and acts like it.
#pragma once

#include <QString>
#include <QValidator>

#include "res/control_table.h"

class QPlainTextEdit;
class QWidget;

namespace magcfg::qt {

// The reader takes one byte per sentinel, and 0xFF is the byte of an empty
// box, so a sentinel box accepts only the characters U+0000 to U+00FE. It
// remembers a refusal for the box to explain.
class SingleByteValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override;
  mutable bool refusedCharacter = false;
};

// The widget of a control, with the control's caption and the looks and
// behaviour its kind and styles ask for; its place is the caller's to set.
QWidget* MakeWidget(const ControlSpec& control, QWidget* parent);

// The edit box's text with every line break as one line feed. The raw text
// keeps characters such as U+00A0 that the plain-text form would change.
QString PlainTextOf(const QPlainTextEdit& edit);

}  // namespace magcfg::qt
