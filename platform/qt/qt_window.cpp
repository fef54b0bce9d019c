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
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpacerItem>
#include <QTextCursor>
#include <QToolTip>
#include <algorithm>

#include "platform/qt/caption_fit.h"
#include "platform/qt/qt_widgets.h"
#include "platform/qt/text_convert.h"
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

QColor ToQColor(Colour colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

Qt::FocusPolicy FocusPolicyFor(const ControlSpec& control) {
  if (control.kind == ControlKind::StaticText || control.kind == ControlKind::GroupBox) return Qt::NoFocus;
  return control.Has(style::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
}

}  // namespace

QFont DialogFont() {
  const DialogSpec& dialogTemplate = MainDialogSpec();
  // Faces with the same character widths come first, so that captions sized
  // for the template's face still fit; the style hint covers the rest. Adding
  // them again changes nothing.
  QFont::insertSubstitutions(ToQString(dialogTemplate.fontFace),
                             {QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("Helvetica")});
  QFont font(ToQString(dialogTemplate.fontFace));
  font.setPointSize(dialogTemplate.fontPointSize);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

QtWindow::QtWindow(const QFont& dialogFont) : QDialog(nullptr, kWindowFlags) {
  RegisterWindowResources();
  const DialogSpec& dialogTemplate = MainDialogSpec();
  setObjectName(QStringLiteral("main_dialog"));
  setWindowTitle(ToQString(dialogTemplate.caption));
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
                         ToQString(kSentinelRangeHint.In(language)), line);
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
  const QString text = ToQString(utf8);
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
  list->addItem(ToQString(utf8));
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
  QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::Information, ToQString(title),
                  ToQString(text), QMessageBox::Ok, this);
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
    cursor.setPosition(start < 0 ? 0 : Utf16Offset(text, start));
    // A start of -1 takes the selection away; the caret stays at the start.
    if (start >= 0) cursor.setPosition(Utf16Offset(text, end < 0 ? text.size() : end), QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
  } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
    const QString text = line->text();
    if (start < 0) {
      line->deselect();
      return;
    }
    const int from = Utf16Offset(text, start);
    const int to = end < 0 ? static_cast<int>(text.size()) : Utf16Offset(text, end);
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
    font.setFamily(ToQString(*labelStyle.faceName));
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
  FitCaptionInFont(widget, font);
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
