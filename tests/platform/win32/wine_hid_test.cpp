// The program's own HID backend on the system's HID services. Under Wine the
// machine has no reader (and possibly no HID device at all): Find Device must
// walk whatever is there and end with "Device disconnected!" after its pause.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

#include "platform/platform_hid.h"
#include "platform/win32/win32_window.h"
#include "res/control_ids.h"
#include "tests/platform/win32/window_rig.h"

namespace magcfg::win32::test {
namespace {

TEST(SystemHid, FindDeviceWalksEveryInterfaceAndFindsNoReader) {
  const auto hid = platform::MakePlatformHidSystem();
  // What the system lists, for the record.
  int interfaces = 0;
  const reader::WalkEnd end = hid->WalkInterfaces([&](const std::string&) { return ++interfaces < 256; });
  ASSERT_NE(end, reader::WalkEnd::ListFailed) << "the HID interface list could not be obtained";
  EXPECT_EQ(end, reader::WalkEnd::Completed) << "an interface's details could not be read";
  RecordProperty("hid_interfaces", interfaces);
  std::printf("[   INFO   ] the system lists %d HID interfaces\n", interfaces);

  Win32Window window(GetModuleHandleW(nullptr));
  ModuleState state;
  MainDialog dialog(window, *hid, state);
  const HWND hwnd = window.CreateModeless(dialog);
  ASSERT_NE(hwnd, nullptr);
  const HWND button = GetDlgItem(hwnd, ctl::kFindDevice);
  const auto start = std::chrono::steady_clock::now();
  SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(ctl::kFindDevice, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(WindowText(GetDlgItem(hwnd, ctl::kStatusLine)), L"Device disconnected!") << interfaces << " interfaces";
  EXPECT_FALSE(dialog.ReaderOpen());
  EXPECT_GE(elapsed, std::chrono::milliseconds(95)) << "the 100 ms pause after the walk";
  EXPECT_LT(elapsed, std::chrono::seconds(10));
  DestroyWindow(hwnd);
}

}  // namespace
}  // namespace magcfg::win32::test
