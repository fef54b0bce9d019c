// The main window made from the template in this test program's resources,
// run by the real MainDialog: the dialog rig on a real Win32 window, over a
// simulated system with no interface.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/win32_window.h"
#include "tests/support/dialog_rig.h"

namespace magcfg::win32::test {

// The dialog on the real window, not yet created: a test makes it
// modeless or modal.
class Win32Rig : public magcfg::test::DialogRigOn<Win32Window> {
 public:
  Win32Rig() : DialogRigOn(magcfg::test::NoInterfaces(), GetModuleHandleW(nullptr)) {}
};

// Delivers the messages waiting for this thread the way a dialog's loop does.
void PumpMessages(HWND dialog);

std::wstring WindowText(HWND hwnd);

// The window created modeless, shown and ready for input.
class WindowTest : public ::testing::Test, public Win32Rig {
 protected:
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

  HWND hwnd = nullptr;
};

}  // namespace magcfg::win32::test
