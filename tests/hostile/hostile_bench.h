// The main dialog on the in-memory window, talking to the simulated reader
// through the fault injector: the reader misbehaves as a test arms it, and
// the injector's books show what the program left behind.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "platform/simulated/simulated_hid.h"
#include "tests/support/fake_window.h"
#include "tests/support/fault_injecting_hid.h"
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

inline constexpr Command kSetFormat{"SetFormat", 1020, 0x30, 12, 1000 + 1000};
inline constexpr Command kVersion{"Version", 1025, 0x05, 4, 1000 + 1000};
inline constexpr Command kPassiveMode{"PassiveMode", 1031, 0x06, 4, 1000 + 1000};
inline constexpr Command kActiveMode{"ActiveMode", 1030, 0x07, 4, 1000 + 1000};
inline constexpr Command kReadCard{"ReadCard", 1032, 0x08, 5, 100 + 16 * 50};
inline constexpr Command kCardStatus{"CardStatus", 1039, 0x09, 4, 1000 + 1000};
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

class HostileBench {
 public:
  explicit HostileBench(sim::SimulatedReaderConfig config = sim::SaneReaderConfig());

  void Press(int button);
  void Press(const Command& command) { Press(command.button); }
  // Find Device; true when the reader is open afterwards. The window's logs,
  // the injector's counts and the clock start afresh after it.
  bool Connect();
  void ForgetLogs();

  std::string Status() const { return window.GetText(1023); }
  Strings TrackBoxes() const;
  // Virtual time since the latest ForgetLogs: the simulated reader's clock
  // plus the time-outs the injector stood in for.
  std::int64_t ElapsedMs() const;

  // After a command: no interface list alive, no transfer outstanding, no
  // transfer of the wrong length, and no interface open but the reader
  // while it is connected.
  ::testing::AssertionResult NothingLeftBehind() const;
  // Disconnect, then not one interface open.
  ::testing::AssertionResult DisconnectLeavesNothingOpen();

  FakeWindow window;
  sim::SimulatedHidSystem sim;
  FaultInjectingHid hid;
  ModuleState state;
  MainDialog dialog;

 private:
  std::int64_t startMs_ = 0;
  Strings readerPaths_;
};

// The reader reads a good card with these tracks.
void SwipeGoodCard(HostileBench& bench, const std::string& track1 = "B4111111111111111^DOE/JOHN^2512101",
                   const std::string& track2 = "4111111111111111=2512101", const std::string& track3 = "0112345678=");

// The input report made of report ID 0 and these bytes, zero-padded to 65 bytes.
Bytes Report(std::initializer_list<std::uint8_t> afterReportId);

}  // namespace magcfg::test
