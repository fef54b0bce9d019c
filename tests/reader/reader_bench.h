// The main dialog on the in-memory window, wired to a simulated HID system
// built from a config the test chose, initialised as the window does it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "platform/simulated/simulated_hid.h"
#include "tests/support/fake_window.h"
#include "ui/main_dialog.h"

namespace magcfg::test {

// The six reader commands, by the button that runs each.
struct CommandButton {
  const char* name;
  int button;
  std::uint8_t code;
};
inline void PrintTo(const CommandButton& command, std::ostream* os) { *os << command.name; }
inline constexpr CommandButton kSetFormat{"SetFormat", 1020, 0x30};
inline constexpr CommandButton kVersion{"Version", 1025, 0x05};
inline constexpr CommandButton kPassiveMode{"PassiveMode", 1031, 0x06};
inline constexpr CommandButton kActiveMode{"ActiveMode", 1030, 0x07};
inline constexpr CommandButton kReadCard{"ReadCard", 1032, 0x08};
inline constexpr CommandButton kCardStatus{"CardStatus", 1039, 0x09};
inline constexpr CommandButton kAllCommands[] = {kSetFormat,  kVersion,  kPassiveMode,
                                                 kActiveMode, kReadCard, kCardStatus};

class ReaderBench {
 public:
  explicit ReaderBench(sim::SimulatedReaderConfig config = sim::SaneReaderConfig());

  void Press(int button);
  // A check box or radio button clicked by the operator: toggled, then notified.
  void Click(int control);
  void SwitchToChinese() { Click(1002); }

  // Find Device; true when the reader is open afterwards. The window's logs
  // and the system's observations start afresh after it.
  bool Connect();
  void ForgetLogs();

  std::string Status() const { return window.GetText(1023); }
  void UntickTrackOutputs();
  // Time the simulated system spent since the latest ForgetLogs.
  std::int64_t ElapsedMs() const { return hid.ElapsedMs() - startMs_; }

  FakeWindow window;
  sim::SimulatedHidSystem hid;
  ModuleState state;
  MainDialog dialog;

 private:
  std::int64_t startMs_ = 0;
};

// The input report a reply's bytes make when they follow report ID 0,
// zero-padded to 65 bytes.
std::vector<std::uint8_t> Report(std::initializer_list<std::uint8_t> afterReportId);
std::vector<std::uint8_t> ReportOf(const std::vector<std::uint8_t>& afterReportId);

}  // namespace magcfg::test
