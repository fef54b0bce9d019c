// The one rig for tests of the window logic: the main dialog wired to the
// simulated HID system through the fault injector, which passes every call
// through until a test arms a fault. The in-memory window makes DialogRig;
// the Win32 tests put the real window in its place.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/simulated/simulated_hid.h"
#include "tests/support/fake_window.h"
#include "tests/support/fault_injecting_hid.h"
#include "res/control_ids.h"
#include "ui/main_dialog.h"

namespace magcfg::test {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

// The six reader commands, by the button that runs each.
struct Command {
  const char* name;
  int button;
  std::uint8_t code;
  std::size_t frameLength;  // report ID, STX, command, payload, ETX
  // The longest the window can be held: the write's time-out plus the
  // read's, and for the card read one read's time-out for each of the 16
  // reports it takes at most.
  std::int64_t boundMs;
};
inline void PrintTo(const Command& command, std::ostream* os) { *os << command.name; }

inline constexpr Command kSetFormat{"SetFormat", ctl::kSetDevice, 0x30, 12, 1000 + 1000};
inline constexpr Command kVersion{"Version", ctl::kGetVersion, 0x05, 4, 1000 + 1000};
inline constexpr Command kPassiveMode{"PassiveMode", ctl::kPassiveUpload, 0x06, 4, 1000 + 1000};
inline constexpr Command kActiveMode{"ActiveMode", ctl::kActiveUpload, 0x07, 4, 1000 + 1000};
inline constexpr Command kReadCard{"ReadCard", ctl::kReadCard, 0x08, 5, 100 + 16 * 50};
inline constexpr Command kCardStatus{"CardStatus", ctl::kCardStatus, 0x09, 4, 1000 + 1000};
inline constexpr Command kCommands[] = {kSetFormat, kVersion, kPassiveMode, kActiveMode, kReadCard, kCardStatus};

// Find Device holds the window for its closing pause; the walk itself
// waits for nothing.
inline constexpr std::int64_t kFindDeviceBoundMs = 100;

// The texts a command shows, as the window logs them.
inline const std::string kSent = "status:Set Command OK!";
inline const std::string kFormatSent = "status:Send data success";
inline const std::string kBlank = "空白轨道";

// What a sane reader's answer shows for each command, after a good swipe
// (the version text is "V1.02"). The card read shows nothing beyond the
// write's notice: its result goes to the track boxes.
Strings SaneEvents(const Command& command);

// A system with no HID interface at all.
sim::SimulatedReaderConfig NoInterfaces();

// The input report made of report ID 0 and these bytes, zero-padded to 65 bytes.
Bytes Report(std::initializer_list<std::uint8_t> afterReportId);
Bytes ReportOf(const Bytes& afterReportId);

// The injector's books after a command: no transfer of the wrong length,
// and no interface open but one of readerPaths while the reader is connected.
::testing::AssertionResult NothingLeftBehind(const FaultInjectingHid& hid, bool readerOpen, const Strings& readerPaths);
// After Disconnect: not connected, not one interface open.
::testing::AssertionResult NothingOpen(const FaultInjectingHid& hid, bool readerOpen);

// What every rig builds before its window: the simulated system, the fault
// layer over it, the module state, and the books kept since ForgetLogs.
class SystemRig {
 public:
  explicit SystemRig(sim::SimulatedReaderConfig config);

  // Virtual time since the latest ForgetLogs: the simulated reader's clock
  // plus the time-outs the injector stood in for.
  std::int64_t ElapsedMs() const;
  // The exchange ran out exactly the time-outs worth timeOutsMs, and took
  // no more than the reader's own few milliseconds besides.
  ::testing::AssertionResult WaitedOut(std::int64_t timeOutsMs) const;
  // The reader reads a good card with these tracks.
  void SwipeGoodCard(const std::string& track1 = "B4111111111111111^DOE/JOHN^2512101",
                     const std::string& track2 = "4111111111111111=2512101", const std::string& track3 = "0112345678=");

  sim::SimulatedHidSystem sim;
  FaultInjectingHid hid;
  ModuleState state;

 protected:
  void ForgetSystemLogs();
  const Strings& ReaderPaths() const { return readerPaths_; }

 private:
  std::int64_t startMs_ = 0;
  Strings readerPaths_;
};

// The dialog on a window of type Window, built from the window's own
// constructor arguments.
template <class Window>
class DialogRigOn : public SystemRig {
 public:
  template <class... WindowArgs>
  explicit DialogRigOn(sim::SimulatedReaderConfig config, WindowArgs&&... windowArgs)
      : SystemRig(std::move(config)), window(std::forward<WindowArgs>(windowArgs)...), dialog(window, hid, state) {}

  void Press(int button) { dialog.OnNotify(button, Notification::Clicked); }
  void Press(const Command& command) { Press(command.button); }
  // Find Device; true when the reader is open afterwards. The logs, the
  // injector's counts and the clock start afresh after it.
  bool Connect() {
    Press(ctl::kFindDevice);
    ForgetLogs();
    return dialog.ReaderOpen();
  }
  void ForgetLogs() {
    if constexpr (requires { window.ForgetLogs(); }) window.ForgetLogs();
    ForgetSystemLogs();
  }
  ::testing::AssertionResult NothingLeftBehind() const {
    return test::NothingLeftBehind(hid, dialog.ReaderOpen(), ReaderPaths());
  }
  // Disconnect, then not one interface open.
  ::testing::AssertionResult DisconnectLeavesNothingOpen() {
    Press(ctl::kDisconnect);
    return NothingOpen(hid, dialog.ReaderOpen());
  }

  Window window;
  MainDialog dialog;
};

// The dialog on the in-memory window, initialised as the window does it.
class DialogRig : public DialogRigOn<FakeWindow> {
 public:
  enum class InitLogs { Forget, Keep };
  explicit DialogRig(sim::SimulatedReaderConfig config = sim::SaneReaderConfig(), InitLogs logs = InitLogs::Forget);

  // A check box or radio button clicked by the operator: toggled, then notified.
  void Click(int control);
  void SwitchToChinese() { Click(ctl::kLanguageChinese); }
  void UntickTrackOutputs();
  // One change of the swipe box as typed input: the box's new whole text.
  void SwipeBoxBecomes(std::string_view text);
  // Types characters one change at a time, appending to the box's text.
  void Type(std::string_view text);

  std::string Status() const { return window.GetText(ctl::kStatusLine); }
  Strings TrackBoxes() const;
};

// A fixture of the dialog over a system with no interface, its start-up
// logs kept.
class DialogTest : public ::testing::Test, public DialogRig {
 protected:
  DialogTest() : DialogRig(NoInterfaces(), InitLogs::Keep) {}
};

}  // namespace magcfg::test
