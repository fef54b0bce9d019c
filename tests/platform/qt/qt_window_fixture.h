// The real Qt main window, offscreen, driven by the window logic over a HID
// system that the test chooses: none present, a list that fails to give
// details, or one reader that answers every request in time.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "platform/qt/qt_window.h"
#include "reader/hid_port.h"
#include "ui/main_dialog.h"

namespace magcfg::qt::test {

// One interface whose details fail, or one reader, or nothing at all.
class TestHid final : public reader::HidSystem {
 public:
  enum class Present { Nothing, DetailFailure, Reader };
  explicit TestHid(Present present = Present::Nothing) : present_(present) {}

  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override;
  reader::OpenResult Open(const std::string& path) override;
  void Pause(int) override {}

  // The reader's byte 3 of every reply ('Y' accepts a format).
  std::uint8_t replyByte3 = 'Y';
  std::uint16_t version = 0x01A2;

 private:
  Present present_;
};

struct RecordedBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
  bool ownedByWindow;
};

class QtWindowTest : public ::testing::Test {
 protected:
  explicit QtWindowTest(TestHid::Present present = TestHid::Present::Nothing)
      : hid(present), dialog(window, hid, state) {}

  void SetUp() override;
  void TearDown() override;

  // Shows the window and waits until it is the active window.
  void ShowActive();

  QWidget* W(int id) const { return window.Control(id); }
  template <typename T>
  T* As(int id) const {
    T* widget = qobject_cast<T*>(window.Control(id));
    EXPECT_NE(widget, nullptr) << "control " << id;
    return widget;
  }
  std::string Text(int id) const { return window.GetText(id); }
  // The widget that has the keyboard focus, as a control ID (-2: none).
  int FocusedControl() const;

  // A mouse click in the middle of a control, as the operator makes it.
  void ClickOn(int id);
  // One key press to the widget with the focus, as a keyboard (or the reader) types it.
  void Key(Qt::Key key, const QString& text = QString());
  void Type(const QString& text);

  TestHid hid;
  ModuleState state;
  QtWindow window;
  MainDialog dialog;
  std::vector<RecordedBox> boxes;
  std::vector<int> endResults;  // every end code the window was ended with
};

}  // namespace magcfg::qt::test
