#include "tests/platform/win32/window_rig.h"

#include <commctrl.h>

namespace magcfg::win32::test {
void PumpMessages(HWND dialog) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::wstring WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
  const int copied = GetWindowTextW(hwnd, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
  return text;
}

void WindowTest::SetUp() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  hwnd = window.CreateModeless(dialog);
  ASSERT_NE(hwnd, nullptr) << "the dialog was not created (error " << GetLastError() << ")";
  PumpMessages(hwnd);
}

void WindowTest::TearDown() {
  if (window.Handle() != nullptr) DestroyWindow(window.Handle());
  PumpMessages(nullptr);
}

}  // namespace magcfg::win32::test
