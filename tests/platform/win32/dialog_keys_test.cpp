// Enter and Escape as the dialog manager handles them in the modal run, and
// the close box: keys are posted to the focused control and reach it through
// the modal loop's IsDialogMessage.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "res/control_ids.h"
#include "tests/platform/win32/window_rig.h"

namespace magcfg::win32::test {
namespace {

// Runs the window modally and, from a thread timer inside the modal loop,
// one step per tick. A window still running well after the last step is
// ended with kStuck, so that a failure cannot hang the test.
class ModalScript {
 public:
  static constexpr INT_PTR kStuck = 99;
  using Step = std::function<void(HWND)>;

  INT_PTR Run(Win32Window& window, MainDialog& dialog, std::vector<Step> steps) {
    window_ = &window;
    steps_ = std::move(steps);
    next_ = 0;
    idleTicks_ = 0;
    current_ = this;
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, Tick);
    const INT_PTR result = window.RunModal(dialog);
    KillTimer(nullptr, timer);
    current_ = nullptr;
    return result;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    ModalScript* self = current_;
    if (self == nullptr) return;
    const HWND dialog = self->window_->Handle();
    if (dialog == nullptr) return;
    if (self->next_ < self->steps_.size()) {
      self->steps_[self->next_++](dialog);
    } else if (++self->idleTicks_ > 50) {
      EndDialog(dialog, kStuck);
    }
  }

  static inline ModalScript* current_ = nullptr;
  Win32Window* window_ = nullptr;
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  int idleTicks_ = 0;
};

void PostKey(HWND target, UINT key, UINT scanCode) {
  PostMessageW(target, WM_KEYDOWN, key, 1 | (scanCode << 16));
  PostMessageW(target, WM_KEYUP, key, 1 | (scanCode << 16) | 0xC0000000u);
}

// Moves the focus as the Tab key does, so that a push button becomes the
// default button while it has the focus, then presses the key there.
void FocusAndPress(HWND dialog, int control, UINT key, UINT scanCode) {
  const HWND item = GetDlgItem(dialog, control);
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
  PostKey(GetFocus() != nullptr ? GetFocus() : item, key, scanCode);
}

constexpr UINT kEnterScan = 0x1C;
constexpr UINT kEscapeScan = 0x01;

class DialogKeys : public ::testing::Test, public Win32Rig {
 protected:
  ModalScript script;
};

// Enter outside the swipe box and the push buttons ends the window with OK;
// Escape and the close box end it with Cancel.
TEST(DialogKeysEnding, EndTheWindowWithTheirResult) {
  struct Row {
    const char* name;
    ModalScript::Step step;
    INT_PTR result;
  };
  const Row rows[] = {
      {"Enter in a sentinel box", [](HWND d) { FocusAndPress(d, ctl::kTrack2Start, VK_RETURN, kEnterScan); }, kDialogOk},
      {"Enter on a check box", [](HWND d) { FocusAndPress(d, ctl::kOutputTrack1, VK_RETURN, kEnterScan); }, kDialogOk},
      {"Escape", [](HWND d) { FocusAndPress(d, ctl::kTrack1End, VK_ESCAPE, kEscapeScan); }, kDialogCancel},
      {"the close box", [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }, kDialogCancel},
  };
  for (const Row& row : rows) {
    Win32Rig rig;
    ModalScript script;
    EXPECT_EQ(script.Run(rig.window, rig.dialog, {row.step}), row.result) << row.name;
    EXPECT_EQ(rig.window.Handle(), nullptr) << row.name << ": the window is gone when the modal run returns";
  }
}

TEST_F(DialogKeys, EnterOnAPushButtonPressesItAndTheWindowStays) {
  std::wstring status;
  bool stillRunning = false;
  const INT_PTR result = script.Run(
      window, dialog,
      {[](HWND d) { FocusAndPress(d, ctl::kFindDevice, VK_RETURN, kEnterScan); },
       [&](HWND d) {
         status = WindowText(GetDlgItem(d, ctl::kStatusLine));
         stillRunning = IsWindowVisible(d) != FALSE;
       },
       [](HWND d) { FocusAndPress(d, ctl::kTrack1Start, VK_ESCAPE, kEscapeScan); }});
  EXPECT_EQ(status, L"Device disconnected!");
  EXPECT_TRUE(stillRunning);
  EXPECT_EQ(result, kDialogCancel);
}

// The reader ends each swipe with Enter: in the swipe box it is a line
// break, never the end of the window.
TEST_F(DialogKeys, EnterInTheSwipeBoxIsALineBreak) {
  std::wstring text;
  bool stillRunning = false;
  const INT_PTR result = script.Run(
      window, dialog,
      {[](HWND d) {
         const HWND box = GetDlgItem(d, ctl::kSwipeBox);
         SetFocus(box);
         for (wchar_t c : std::wstring(L";123?")) PostMessageW(box, WM_CHAR, c, 1);
       },
       [](HWND d) { FocusAndPress(d, ctl::kSwipeBox, VK_RETURN, kEnterScan); },
       [&](HWND d) {
         text = WindowText(GetDlgItem(d, ctl::kSwipeBox));
         stillRunning = IsWindowVisible(d) != FALSE;
       },
       [](HWND d) { PostMessageW(d, WM_CLOSE, 0, 0); }});
  EXPECT_TRUE(stillRunning);
  // The end sentinel emptied the box; Enter then put in the line break.
  EXPECT_EQ(text, L"\r\n");
  EXPECT_EQ(result, kDialogCancel);
}

}  // namespace
}  // namespace magcfg::win32::test
