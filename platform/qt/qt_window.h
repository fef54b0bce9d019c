// The main window as a Qt dialog: every control of the window template made
// into a widget, placed by converting dialog units with the dialog font's
// base units, and the widgets' signals and keys turned into the
// notifications the window logic routes.
#pragma once

#include <QDialog>
#include <QFont>
#include <functional>
#include <unordered_map>
#include <vector>

#include "res/control_table.h"
#include "ui/dialog_units.h"
#include "ui/main_dialog.h"
#include "ui/window_port.h"

class QMessageBox;

namespace magcfg::qt {

// The dialog font of the template. Where the face is not installed, Qt falls
// back to the closest sans face; the requested family name stays.
QFont DialogFont();

class QtWindow final : public QDialog, public WindowPort {
  Q_OBJECT

 public:
  // No parent: the window is top-level with its own task-bar entry. Dialog
  // units become pixels by the dialog font's average character width and
  // height, so the template's proportions hold in any face and size.
  explicit QtWindow(const QFont& dialogFont = DialogFont());
  ~QtWindow() override;

  // The logic that gets the notifications; until it is attached they are
  // dropped and the keys and close box end the window as Cancel would.
  void Attach(MainDialog& dialog);

  // The window's initialisation, then the focus on the first tab stop.
  void Initialise();

  // The widget of a control ID, or nullptr for an ID the window does not have.
  QWidget* Control(int id) const;
  // All 50 widgets in template order.
  const std::vector<QWidget*>& Widgets() const { return widgets_; }
  DialogBaseUnits BaseUnits() const { return base_; }
  PixelRect PixelsOf(const ControlSpec& control) const;

  // Called with the fully built message box instead of running it, so tests
  // can see every box without blocking; unset, the box runs modally.
  using MessageBoxHook = std::function<void(QMessageBox&)>;
  void SetMessageBoxHook(MessageBoxHook hook) { messageBoxHook_ = std::move(hook); }

  // WindowPort
  void SetText(int control, std::string_view utf8) override;
  std::string GetText(int control) const override;
  bool IsChecked(int control) const override;
  void SetChecked(int control, bool checked) override;
  void SetEnabled(int control, bool enabled) override;
  bool IsEnabled(int control) const override;
  void SetTextLimit(int control, int characters) override;
  void ResetList(int control) override;
  void AddListEntry(int control, std::string_view utf8) override;
  void SelectListEntry(int control, int index) override;
  int SelectedListEntry(int control) const override;
  void ShowMessageBox(std::string_view text, std::string_view title, BoxIcon icon) override;
  void SelectText(int control, int start, int end) override;
  void ScrollCaretIntoView(int control) override;
  void SetFocus(int control) override;
  void ApplyLabelStyle(int control, const LabelStyle& style) override;
  void SetWindowIcon(int iconResource) override;
  void EndDialog(int result) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QWidget* CreateControl(const ControlSpec& control, int row);
  void ConnectNotifications(QWidget* widget, const ControlSpec& control);
  void Notify(int control, Notification notification);
  // Enter and Escape as the dialog decides them; true when the key was used.
  bool HandleDialogKey(int focusedControl, QKeyEvent* key);

  MainDialog* dialog_ = nullptr;
  DialogBaseUnits base_;
  std::vector<QWidget*> widgets_;
  std::unordered_map<int, QWidget*> byId_;
  // Set while the program writes an edit box, whose change is no operator input.
  bool settingText_ = false;
  MessageBoxHook messageBoxHook_;
};

}  // namespace magcfg::qt
