#include "platform/qt/qt_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpacerItem>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTextCursor>
#include <QToolTip>
#include <QValidator>
#include <algorithm>

#include "reader/frames.h"
#include "res/control_ids.h"
#include "res/texts.h"
#include "ui/dialog_keys.h"

// The icons are compiled into this library; a static library's resources
// must be registered by name, outside any namespace.
static void RegisterWindowResources() { Q_INIT_RESOURCE(magcfg); }

namespace magcfg::qt {
namespace {

constexpr char kControlIdProperty[] = "controlId";
// The room a title bar takes beside its title (window icon, buttons), in
// lines of the dialog font.
constexpr int kTitleBarRoomInLines = 6;
constexpr char kAverageWidthSample[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

// Caption, system menu, minimise box, close box; no maximise box. A plain
// window rather than a dialog type, so it keeps its own task-bar entry.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                         Qt::WindowCloseButtonHint;

// The reader takes one byte per sentinel, and 0xFF is the byte of an empty
// box, so a sentinel box accepts only the characters U+0000 to U+00FE. It
// remembers a refusal for the box to explain.
class SingleByteValidator final : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    const bool fits = std::all_of(input.cbegin(), input.cend(),
                                  [](QChar c) { return c.unicode() <= reader::kHighestSentinel; });
    if (!fits) refusedCharacter = true;
    return fits ? Acceptable : Invalid;
  }
  mutable bool refusedCharacter = false;
};

QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

std::string ToUtf8(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The edit box's text with every line break as one line feed. The raw text
// keeps characters such as U+00A0 that the plain-text form would change.
QString PlainTextOf(const QPlainTextEdit& edit) {
  QString text = edit.document()->toRawText();
  text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
  text.replace(QChar::LineSeparator, QLatin1Char('\n'));
  return text;
}

// A position counted in characters (code points) as a position in UTF-16
// units, which is how a text cursor counts; clamped to the text.
int Utf16Position(const QString& text, int characters) {
  if (characters <= 0) return 0;
  int position = 0;
  for (int seen = 0; seen < characters && position < text.size(); ++seen) {
    position += (text.at(position).isHighSurrogate() && position + 1 < text.size()) ? 2 : 1;
  }
  return position;
}

// A push button whose caption runs on several lines: the caption breaks at
// words to fit the button, as a multi-line button shows it, while the
// button's text stays the caption as set.
class WrappingButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

  // Where the caption is drawn: the button's contents, inside its frame.
  QRect CaptionRect() const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.drawItemText(CaptionRect(), Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, palette(),
                         isEnabled(), text(), QPalette::ButtonText);
  }
};

// A frame drawn as the dialog platform draws a group box: an etched border
// whose top line runs through the middle of the title, so that controls
// placed just below the title stay clear of the line.
class FrameBox final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int top = metrics.height() / 2;
    const QRect frame = rect().adjusted(0, top, -2, -2);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.translated(1, 1));
    if (title().isEmpty()) return;
    const int padding = 2;
    const QRect titleRect(metrics.averageCharWidth() + padding, 0, metrics.horizontalAdvance(title()) + 2 * padding,
                          metrics.height());
    painter.fillRect(titleRect, palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(titleRect, Qt::AlignCenter | Qt::TextShowMnemonic, title());
  }
};

// The font a control was given, before any shrinking to fit its caption.
constexpr char kNominalFontProperty[] = "nominalFont";
// Set on a push button whose caption breaks into lines.
constexpr char kWrapsProperty[] = "wraps";
// A caption never shrinks below this share of its font's size.
constexpr double kSmallestCaptionScale = 0.6;

// The height of `lines` lines of text as Qt draws them.
int LinesHeight(const QFontMetrics& metrics, int lines) {
  return (lines - 1) * metrics.lineSpacing() + metrics.height();
}

// Whether every caption of a control fits the room the control gives it in
// the control's current font.
bool CaptionFits(QWidget* widget) {
  const QFontMetrics metrics(widget->font());
  QStyle* style = widget->style();
  const auto oneLineFits = [&](const QString& text, const QRect& room) {
    return metrics.horizontalAdvance(text) <= room.width() && metrics.height() <= room.height();
  };
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QStyle::SubElement contents = qobject_cast<QCheckBox*>(widget)      ? QStyle::SE_CheckBoxContents
                                        : qobject_cast<QRadioButton*>(widget) ? QStyle::SE_RadioButtonContents
                                                                              : QStyle::SE_PushButtonContents;
    const QRect room = style->subElementRect(contents, &option, button);
    if (widget->property(kWrapsProperty).toBool()) {
      const QRect needed = metrics.boundingRect(room, Qt::AlignCenter | Qt::TextWordWrap, button->text());
      return needed.width() <= room.width() &&
             LinesHeight(metrics, std::max(1, needed.height() / metrics.lineSpacing())) <= room.height();
    }
    return oneLineFits(button->text(), room);
  }
  if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
    // The title sits one average character in, padded, on the top line.
    return metrics.averageCharWidth() + metrics.horizontalAdvance(frame->title()) + 4 <= frame->width() - 2;
  }
  if (auto* label = qobject_cast<QLabel*>(widget)) {
    const QRect room = label->contentsRect();
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 1 << 16),
                                              Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
    const int lines = std::max(1, (needed.height() + metrics.lineSpacing() / 2) / metrics.lineSpacing());
    return needed.width() <= room.width() && LinesHeight(metrics, lines) <= room.height();
  }
  if (auto* list = qobject_cast<QComboBox*>(widget)) {
    QStyleOptionComboBox option;
    option.initFrom(list);
    const QRect room = style->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list);
    for (int i = 0; i < list->count(); ++i) {
      if (!oneLineFits(list->itemText(i), room)) return false;
    }
  }
  return true;
}

// Gives the control its own font back, or where a caption is wider or taller
// than the control (a face wider than the template's, for one), the largest
// smaller size of that font in which it fits.
void FitCaption(QWidget* widget) {
  const QVariant nominal = widget->property(kNominalFontProperty);
  const QFont font = nominal.isValid() ? nominal.value<QFont>() : widget->font();
  if (!nominal.isValid()) widget->setProperty(kNominalFontProperty, font);
  widget->setFont(font);
  const bool inPixels = font.pixelSize() > 0;
  const double size = inPixels ? font.pixelSize() : font.pointSizeF();
  for (double scale = 0.97; !CaptionFits(widget) && scale >= kSmallestCaptionScale; scale -= 0.03) {
    QFont smaller = font;
    if (inPixels) {
      smaller.setPixelSize(std::max(1, static_cast<int>(size * scale)));
    } else {
      smaller.setPointSizeF(size * scale);
    }
    widget->setFont(smaller);
  }
}

QColor ToQColor(Colour colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

Qt::FocusPolicy FocusPolicyFor(const ControlSpec& control) {
  if (control.kind == ControlKind::StaticText || control.kind == ControlKind::GroupBox) return Qt::NoFocus;
  return control.Has(style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
}

QWidget* MakeWidget(const ControlSpec& control, QWidget* parent) {
  const QString text = FromUtf8(control.text);
  switch (control.kind) {
    case ControlKind::GroupBox: {
      auto* box = new FrameBox(text, parent);
      // A frame lets clicks through to the controls drawn inside it.
      box->setAttribute(Qt::WA_TransparentForMouseEvents);
      return box;
    }
    case ControlKind::PushButton: {
      auto* button = control.Has(style::kMultiLine) ? new WrappingButton(text, parent) : new QPushButton(text, parent);
      button->setProperty(kWrapsProperty, control.Has(style::kMultiLine));
      // No push button is the default: Enter is decided by the focused control.
      button->setAutoDefault(false);
      button->setDefault(false);
      return button;
    }
    case ControlKind::AutoRadioButton:
      return new QRadioButton(text, parent);
    case ControlKind::AutoCheckBox:
      return new QCheckBox(text, parent);
    case ControlKind::StaticText: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setText(text);
      label->setAlignment((control.Has(style::kRightAligned) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
      // A left- or right-aligned static control breaks its text at words.
      label->setWordWrap(true);
      if (control.Has(style::kSunkenEdge)) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setLineWidth(1);
      }
      return label;
    }
    case ControlKind::Edit: {
      if (!control.Has(style::kMultiLine)) {
        auto* edit = new QLineEdit(text, parent);
        if (control.Has(style::kCentered)) edit->setAlignment(Qt::AlignCenter);
        edit->setValidator(new SingleByteValidator(edit));
        edit->setReadOnly(control.Has(style::kReadOnly));
        return edit;
      }
      auto* edit = new QPlainTextEdit(text, parent);
      edit->setVerticalScrollBarPolicy(control.Has(style::kVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
      // Tab moves to the next control, as in a dialog.
      edit->setTabChangesFocus(true);
      if (control.Has(style::kReadOnly)) {
        edit->setReadOnly(true);
        edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
      }
      return edit;
    }
    case ControlKind::DropDownList: {
      auto* list = new QComboBox(parent);
      list->setEditable(false);
      return list;
    }
  }
  return new QWidget(parent);
}

}  // namespace

QFont DialogFont() {
  const DialogSpec& dialogTemplate = MainDialogSpec();
  // Faces with the same character widths come first, so that captions sized
  // for the template's face still fit; the style hint covers the rest. Adding
  // them again changes nothing.
  QFont::insertSubstitutions(QString::fromUtf8(dialogTemplate.fontFace),
                             {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Helvetica")});
  QFont font(QString::fromUtf8(dialogTemplate.fontFace));
  font.setPointSize(dialogTemplate.fontPointSize);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QtWindow::QtWindow(const QFont& dialogFont) : QDialog(nullptr, kWindowFlags) {
  RegisterWindowResources();
  const DialogSpec& dialogTemplate = MainDialogSpec();
  setObjectName(QStringLiteral("main_dialog"));
  setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
  setFont(dialogFont);
  setSizeGripEnabled(false);

  const QFontMetrics metrics(font());
  base_ = BaseUnitsFromFont(metrics.horizontalAdvance(QLatin1String(kAverageWidthSample)), metrics.height());
  const PixelRect client = DialogUnitsToPixels(0, 0, dialogTemplate.width, dialogTemplate.height, base_);
  setFixedSize(client.width, client.height);

  int row = 1;
  for (const ControlSpec& control : MainDialogControls()) widgets_.push_back(CreateControl(control, row++));

  // The first control of the template lies on top and comes first in the tab
  // order, as the dialog manager creates them. Frames lie beneath all other
  // controls: they draw only their border and title around them.
  for (QWidget* widget : widgets_) widget->lower();
  for (QWidget* widget : widgets_) {
    if (qobject_cast<QGroupBox*>(widget) != nullptr) widget->lower();
  }
  QWidget* previous = nullptr;
  for (QWidget* widget : widgets_) {
    if (widget->focusPolicy() == Qt::NoFocus) continue;
    if (previous != nullptr) setTabOrder(previous, widget);
    previous = widget;
  }
}

QtWindow::~QtWindow() {
  // The widgets are destroyed after this object: nothing they send on the
  // way may reach the logic, which may already be gone.
  dialog_ = nullptr;
  for (QWidget* widget : widgets_) {
    widget->removeEventFilter(this);
    disconnect(widget, nullptr, this, nullptr);
  }
}

QWidget* QtWindow::CreateControl(const ControlSpec& control, int row) {
  QWidget* widget = MakeWidget(control, this);
  if (control.id == ctl::kNone) {
    widget->setObjectName(QStringLiteral("control_none_%1").arg(row));
  } else {
    widget->setObjectName(QStringLiteral("control_%1").arg(control.id));
    byId_[control.id] = widget;
  }
  widget->setProperty(kControlIdProperty, control.id);
  widget->setFocusPolicy(FocusPolicyFor(control));

  const PixelRect r = PixelsOf(control);
  // The template's height of a drop-down list includes the dropped list; the
  // closed box is as high as the style draws it.
  const int height = control.kind == ControlKind::DropDownList ? widget->sizeHint().height() : r.height;
  widget->setGeometry(r.x, r.y, r.width, height);
  FitCaption(widget);
  if (auto* list = qobject_cast<QComboBox*>(widget)) {
    const int itemHeight = std::max(1, list->fontMetrics().height() + 2);
    list->setMaxVisibleItems(std::max(1, (r.height - height) / itemHeight));
  }
  if (control.Has(style::kHidden)) widget->hide();
  if (control.Has(style::kDisabled)) widget->setEnabled(false);
  ConnectNotifications(widget, control);
  return widget;
}

PixelRect QtWindow::PixelsOf(const ControlSpec& control) const {
  return DialogUnitsToPixels(control.x, control.y, control.width, control.height, base_);
}

void QtWindow::ConnectNotifications(QWidget* widget, const ControlSpec& control) {
  const int id = control.id;
  widget->installEventFilter(this);
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    // clicked comes after a check box or radio button has toggled.
    connect(button, &QAbstractButton::clicked, this, [this, id] { Notify(id, Notification::Clicked); });
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    connect(edit, &QPlainTextEdit::textChanged, this, [this, id] {
      if (!settingText_) Notify(id, Notification::Changed);
    });
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    connect(line, &QLineEdit::textEdited, this, [this, id] {
      if (!settingText_) Notify(id, Notification::Changed);
    });
    // A character refused for its value (not for a full box) is explained.
    connect(line, &QLineEdit::inputRejected, this, [this, line] {
      const auto* validator = dynamic_cast<const SingleByteValidator*>(line->validator());
      if (validator == nullptr || !validator->refusedCharacter) return;
      validator->refusedCharacter = false;
      const UiLanguage language = IsChecked(ctl::kLanguageChinese) ? UiLanguage::Chinese : UiLanguage::English;
      QToolTip::showText(line->mapToGlobal(QPoint(0, line->height())),
                         QString::fromUtf8(kSentinelRangeHint.In(language)), line);
    });
  }
}

void QtWindow::Attach(MainDialog& dialog) { dialog_ = &dialog; }

void QtWindow::Initialise() {
  if (dialog_ != nullptr && dialog_->OnInitDialog()) SetFocus(InitialFocusControl());
}

QWidget* QtWindow::Control(int id) const {
  const auto it = byId_.find(id);
  return it == byId_.end() ? nullptr : it->second;
}

void QtWindow::Notify(int control, Notification notification) {
  if (control == ctl::kNone || dialog_ == nullptr) return;
  dialog_->OnNotify(control, notification);
}

// --- Events

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) return QDialog::eventFilter(watched, event);
  const int id = widget->property(kControlIdProperty).toInt();
  switch (event->type()) {
    case QEvent::KeyPress:
      return HandleDialogKey(id, static_cast<QKeyEvent*>(event));
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
      // A context menu opening over the box does not take the focus from it.
      if (static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason) break;
      if (qobject_cast<QPlainTextEdit*>(widget) != nullptr || qobject_cast<QLineEdit*>(widget) != nullptr) {
        Notify(id, event->type() == QEvent::FocusIn ? Notification::FocusGained : Notification::FocusLost);
      }
      break;
    }
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

bool QtWindow::HandleDialogKey(int focusedControl, QKeyEvent* key) {
  KeyAction action = KeyAction::PassToControl;
  if (key->key() == Qt::Key_Escape) {
    action = ResolveEscapeKey();
  } else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
    action = ResolveEnterKey(focusedControl);
  }
  switch (action) {
    case KeyAction::PassToControl:
      return false;
    case KeyAction::ClickButton:
      if (auto* button = qobject_cast<QAbstractButton*>(Control(focusedControl))) button->click();
      return true;
    case KeyAction::EndDialogOk:
      if (dialog_ != nullptr) {
        dialog_->OnOk();
      } else {
        EndDialog(kDialogOk);
      }
      return true;
    case KeyAction::EndDialogCancel:
      if (dialog_ != nullptr) {
        dialog_->OnCancel();
      } else {
        EndDialog(kDialogCancel);
      }
      return true;
  }
  return false;
}

void QtWindow::keyPressEvent(QKeyEvent* event) {
  // Keys that no control took: the focus is on no control of the window.
  if (HandleDialogKey(ctl::kNone, event)) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void QtWindow::closeEvent(QCloseEvent* event) {
  if (dialog_ != nullptr) {
    dialog_->OnClose();
  } else {
    EndDialog(kDialogCancel);
  }
  event->accept();
}

// --- WindowPort

void QtWindow::SetText(int control, std::string_view utf8) {
  QWidget* widget = Control(control);
  if (widget == nullptr) return;
  const QString text = FromUtf8(utf8);
  const bool wasSetting = settingText_;
  settingText_ = true;
  if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(text);
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    line->setText(text);
  } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    edit->setPlainText(text);
  }
  // A drop-down list has no text of its own to set.
  settingText_ = wasSetting;
  if (qobject_cast<QLineEdit*>(widget) == nullptr && qobject_cast<QPlainTextEdit*>(widget) == nullptr) {
    FitCaption(widget);
  }
}

std::string QtWindow::GetText(int control) const {
  const QWidget* widget = Control(control);
  if (widget == nullptr) return {};
  if (const auto* box = qobject_cast<const QGroupBox*>(widget)) return ToUtf8(box->title());
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return ToUtf8(button->text());
  if (const auto* label = qobject_cast<const QLabel*>(widget)) return ToUtf8(label->text());
  if (const auto* line = qobject_cast<const QLineEdit*>(widget)) return ToUtf8(line->text());
  if (const auto* edit = qobject_cast<const QPlainTextEdit*>(widget)) return ToUtf8(PlainTextOf(*edit));
  if (const auto* list = qobject_cast<const QComboBox*>(widget)) return ToUtf8(list->currentText());
  return {};
}

bool QtWindow::IsChecked(int control) const {
  const auto* button = qobject_cast<const QAbstractButton*>(Control(control));
  return button != nullptr && button->isCheckable() && button->isChecked();
}

void QtWindow::SetChecked(int control, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(Control(control));
  if (button == nullptr || !button->isCheckable()) return;
  if (auto* radio = qobject_cast<QRadioButton*>(button)) {
    // Setting a radio button's check leaves the others of its group alone;
    // only the operator's click makes them exclude each other.
    radio->setAutoExclusive(false);
    radio->setChecked(checked);
    radio->setAutoExclusive(true);
    return;
  }
  button->setChecked(checked);
}

void QtWindow::SetEnabled(int control, bool enabled) {
  if (QWidget* widget = Control(control)) widget->setEnabled(enabled);
}

bool QtWindow::IsEnabled(int control) const {
  const QWidget* widget = Control(control);
  return widget != nullptr && widget->isEnabled();
}

void QtWindow::SetTextLimit(int control, int characters) {
  // Only one-line boxes are limited; a limit of 0 or less lifts it.
  if (auto* line = qobject_cast<QLineEdit*>(Control(control))) {
    line->setMaxLength(characters > 0 ? characters : 32767);
  }
}

void QtWindow::ResetList(int control) {
  if (auto* list = qobject_cast<QComboBox*>(Control(control))) list->clear();
}

void QtWindow::AddListEntry(int control, std::string_view utf8) {
  auto* list = qobject_cast<QComboBox*>(Control(control));
  if (list == nullptr) return;
  // Adding an entry selects nothing: an empty list stays without selection
  // until an entry is selected.
  const int selected = list->currentIndex();
  list->addItem(FromUtf8(utf8));
  if (selected == -1) list->setCurrentIndex(-1);
  FitCaption(list);
}

void QtWindow::SelectListEntry(int control, int index) {
  auto* list = qobject_cast<QComboBox*>(Control(control));
  if (list == nullptr) return;
  list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

int QtWindow::SelectedListEntry(int control) const {
  const auto* list = qobject_cast<const QComboBox*>(Control(control));
  return list == nullptr ? -1 : list->currentIndex();
}

void QtWindow::ShowMessageBox(std::string_view text, std::string_view title, BoxIcon icon) {
  QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::Information, FromUtf8(title),
                  FromUtf8(text), QMessageBox::Ok, this);
  box.setTextFormat(Qt::PlainText);
  // Two boxes carry their message in the title and only "Error" in the body:
  // the box is made wide enough for the whole title, beside the title bar's
  // icon and buttons.
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    const QFontMetrics metrics(box.font());
    const int titleWidth = metrics.horizontalAdvance(box.windowTitle()) + kTitleBarRoomInLines * metrics.height();
    grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Fixed, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
  }
  if (messageBoxHook_) {
    messageBoxHook_(box);
  } else {
    box.exec();
  }
}

void QtWindow::SelectText(int control, int start, int end) {
  QWidget* widget = Control(control);
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    const QString text = PlainTextOf(*edit);
    QTextCursor cursor(edit->document());
    cursor.setPosition(start < 0 ? 0 : Utf16Position(text, start));
    // A start of -1 takes the selection away; the caret stays at the start.
    if (start >= 0) cursor.setPosition(Utf16Position(text, end < 0 ? text.size() : end), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    const QString text = line->text();
    if (start < 0) {
      line->deselect();
      return;
    }
    const int from = Utf16Position(text, start);
    const int to = end < 0 ? static_cast<int>(text.size()) : Utf16Position(text, end);
    line->setSelection(from, to - from);
  }
}

void QtWindow::ScrollCaretIntoView(int control) {
  if (auto* edit = qobject_cast<QPlainTextEdit*>(Control(control))) edit->ensureCursorVisible();
}

void QtWindow::SetFocus(int control) {
  if (QWidget* widget = Control(control)) widget->setFocus(Qt::OtherFocusReason);
}

void QtWindow::ApplyLabelStyle(int control, const LabelStyle& labelStyle) {
  QWidget* widget = Control(control);
  if (widget == nullptr) return;
  // The application's font stands for the default GUI font.
  QFont font = QApplication::font();
  // Every property is the label's own, none comes from the dialog font.
  font.setResolveMask(QFont::AllPropertiesResolved);
  if (labelStyle.faceName) {
    font.setFamily(FromUtf8(*labelStyle.faceName));
    font.setStyleHint(QFont::SansSerif);
  }
  if (labelStyle.height && *labelStyle.height != 0) font.setPixelSize(std::abs(*labelStyle.height));
  if (labelStyle.weight && *labelStyle.weight > 0) {
    font.setWeight(*labelStyle.weight == kWeightBold ? QFont::Bold
                   : *labelStyle.weight == kWeightNormal
                       ? QFont::Normal
                       : static_cast<QFont::Weight>(std::min(*labelStyle.weight, 1000)));
  }
  QPalette palette = QApplication::palette(widget);
  if (labelStyle.textColour) {
    const QColor colour = ToQColor(*labelStyle.textColour);
    palette.setColor(QPalette::WindowText, colour);
  }
  widget->setProperty(kNominalFontProperty, font);
  FitCaption(widget);
  widget->setPalette(palette);
  widget->setAutoFillBackground(false);
  widget->repaint();
}

void QtWindow::SetWindowIcon(int iconResource) {
  if (iconResource != MainDialogSpec().iconId) return;
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/magcfg-16.png"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/icons/magcfg-32.png"), QSize(32, 32));
  setWindowIcon(icon);
}

void QtWindow::EndDialog(int result) { done(result); }

}  // namespace magcfg::qt
