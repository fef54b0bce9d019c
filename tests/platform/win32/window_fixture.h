// The main window made from the template in this test program's resources,
// run by the real MainDialog, with a HID system that has no interface.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/win32_window.h"
#include "reader/hid_port.h"
#include "ui/main_dialog.h"

namespace magcfg::win32::test {

class EmptyHidSystem : public reader::HidSystem {
 public:
  std::unique_ptr<reader::HidInterfaceList> ListInterfaces() override;
  std::unique_ptr<reader::HidDevice> Open(const std::string&) override { return nullptr; }
  void Pause(int milliseconds) override { paused += milliseconds; }
  int paused = 0;
};

// Delivers the messages waiting for this thread the way a dialog's loop does.
void PumpMessages(HWND dialog);

std::wstring WindowText(HWND hwnd);

class WindowTest : public ::testing::Test {
 protected:
  WindowTest();
  void SetUp() override;
  void TearDown() override;

  HWND Item(int id) const { return GetDlgItem(hwnd, id); }
  std::wstring Text(int id) const { return WindowText(Item(id)); }
  bool Checked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // A click as the mouse makes it: auto buttons toggle, then the dialog hears BN_CLICKED.
  void Click(int id) {
    SendMessageW(Item(id), BM_CLICK, 0, 0);
    PumpMessages(hwnd);
  }

  Win32Window window;
  EmptyHidSystem hid;
  ModuleState state;
  MainDialog dialog;
  HWND hwnd = nullptr;
};

}  // namespace magcfg::win32::test
