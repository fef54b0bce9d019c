// A main dialog on the in-memory window, initialised as the window does it,
// with a HID system that has no interface at all.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "reader/hid_port.h"
#include "tests/support/fake_window.h"
#include "ui/main_dialog.h"

namespace magcfg::test {

class NoHidInterfaces : public reader::HidSystem {
 public:
  std::unique_ptr<reader::HidInterfaceList> ListInterfaces() override;
  std::unique_ptr<reader::HidDevice> Open(const std::string&) override { return nullptr; }
  void Pause(int milliseconds) override { paused += milliseconds; }
  int paused = 0;
};

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() : dialog(window, hid, state) { dialog.OnInitDialog(); }

  // A click as the operator makes it: the platform toggles, then notifies.
  void Click(int control) {
    window.OperatorToggles(control);
    dialog.OnNotify(control, Notification::Clicked);
  }
  void Press(int button) { dialog.OnNotify(button, Notification::Clicked); }
  // One change of the swipe box as typed input: the box's new whole text.
  void SwipeBoxBecomes(std::string_view text) {
    window.OperatorTypes(1040, text);
    dialog.OnNotify(1040, Notification::Changed);
  }
  // Types characters one change at a time, appending to the box's text.
  void Type(std::string_view text);

  FakeWindow window;
  NoHidInterfaces hid;
  ModuleState state;
  MainDialog dialog;
};

}  // namespace magcfg::test
