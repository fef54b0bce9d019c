// Find Device and Disconnect against the simulated HID system: the
// connection's states, the walk over the interfaces and what it leaves open.
#include <gtest/gtest.h>

#include <functional>

#include "platform/simulated/simulated_config.h"
#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

using sim::Listing;
using sim::SimulatedReaderConfig;

const std::string kKeyboard = "sim:hid/0-keyboard";
const std::string kMouse = "sim:hid/1-mouse";
const std::string kReader = "sim:hid/2-magstripe";

struct ConnectionRow {
  const char* name;
  std::function<void(SimulatedReaderConfig&)> configure;
  bool openFirst;  // the reader is open before the command
  int button;
  bool openAfter;
  const char* status;  // nullptr: the status line keeps its text
  std::vector<ShownBox> boxes;
  std::vector<int> pauses;
  int walks;
};
void PrintTo(const ConnectionRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
const ConnectionRow kConnectionRows[] = {
    {"FindMatching", [](auto&) {}, false, ctl::kFindDevice, true, "Detect device OK,ver102", {}, {100}, 1},
    {"FindNoMatch", [](auto& c) { c.interfaces.pop_back(); }, false, ctl::kFindDevice, false, "Device disconnected!", {}, {100}, 1},
    {"FindListNotObtained", [](auto& c) { c.listObtainable = false; }, false, ctl::kFindDevice, false,
     "Get HID device information failed!", {}, {}, 1},
    {"FindDetailNotRead", [](auto& c) { c.interfaces[1].listing = Listing::DetailFails; }, false,
     ctl::kFindDevice, false, nullptr, {{"Error", "Get HID device information failed!", BoxIcon::Error}}, {}, 1},
    {"FindWhileOpen", [](auto&) {}, true, ctl::kFindDevice, true, "Detect Device OK!", {}, {}, 0},
    {"DisconnectWhileOpen", [](auto&) {}, true, ctl::kDisconnect, false, "Device disconnected!", {}, {}, 0},
    {"DisconnectWhileClosed", [](auto&) {}, false, ctl::kDisconnect, false, "No device connected!", {}, {}, 0},
};
// clang-format on

class ConnectionStates : public ::testing::TestWithParam<ConnectionRow> {};

TEST_P(ConnectionStates, EndInTheirStateWithTheirTexts) {
  const ConnectionRow& row = GetParam();
  SimulatedReaderConfig config = sim::SaneReaderConfig();
  row.configure(config);
  DialogRig rig(config);
  if (row.openFirst) {
    ASSERT_TRUE(rig.Connect());
  }
  rig.window.SetText(ctl::kStatusLine, "before");
  rig.window.statusHistory.clear();

  rig.Press(row.button);

  EXPECT_EQ(rig.dialog.ReaderOpen(), row.openAfter);
  EXPECT_EQ(rig.Status(), row.status ? row.status : "before");
  EXPECT_EQ(rig.window.statusHistory.size(), row.status ? 1u : 0u);
  EXPECT_EQ(rig.window.boxes, row.boxes);
  EXPECT_EQ(rig.sim.Seen().pausesMs, row.pauses);
  EXPECT_EQ(rig.sim.Seen().walks, row.walks);
  // Only an open reader is left open: every other interface was closed again.
  const Strings stillOpen = rig.sim.Seen().StillOpen();
  if (row.openAfter && !row.openFirst) {
    EXPECT_EQ(stillOpen, Strings{kReader});
  } else {
    EXPECT_TRUE(stillOpen.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(EveryTransition, ConnectionStates, ::testing::ValuesIn(kConnectionRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Which interfaces a walk opens and which it leaves open, for lists built to
// trip it up.
struct WalkRow {
  const char* name;
  std::function<void(SimulatedReaderConfig&)> configure;
  Strings opened;
  Strings stillOpen;
  std::vector<std::uint32_t> enumerated;
  const char* status;
};
void PrintTo(const WalkRow& row, std::ostream* os) { *os << row.name; }

// clang-format off
const WalkRow kWalkRows[] = {
    {"NoInterfaceAtAll", [](auto& c) { c.interfaces.clear(); }, {}, {}, {0}, "Device disconnected!"},
    {"InterfacesBeforeTheReader", [](auto&) {}, {kKeyboard, kMouse, kReader}, {kReader}, {0, 1, 2},
     "Detect device OK,ver102"},
    {"LastInterfaceOpensButDoesNotMatch",
    [](auto& c) { c.interfaces[2].attributes.vendorId = 0x5132; }, {kKeyboard, kMouse, kReader}, {}, {0, 1, 2, 3},
     "Device disconnected!"},
    {"TwoReadersOnlyTheFirstOpened",
     [](auto& c) { c.interfaces = {c.interfaces[0], sim::ReaderInterface("A", 0x0111), sim::ReaderInterface("B")}; },
     {kKeyboard, "A"}, {"A"}, {0, 1}, "Detect device OK,ver111"},
    {"WrongProductIdOpenedAndClosed", [](auto& c) { c.interfaces[2].attributes.productId = 0x2008; },
     {kKeyboard, kMouse, kReader}, {}, {0, 1, 2, 3}, "Device disconnected!"},
    {"InterfaceThatDoesNotOpenPassedOver", [](auto& c) { c.interfaces[0].opens = false; }, {kMouse, kReader},
     {kReader}, {0, 1, 2}, "Detect device OK,ver102"},
    {"AttributesNotReadable", [](auto& c) { c.interfaces[2].attributesReadable = false; },
     {kKeyboard, kMouse, kReader}, {}, {0, 1, 2, 3}, "Device disconnected!"},
    // An enumeration failure other than the end of the list ends the walk as
    // that end does, instead of asking for the same index for ever.
    {"EnumerationFailureEndsTheWalk", [](auto& c) { c.interfaces[1].listing = Listing::EnumerationFails; },
     {kKeyboard}, {}, {0, 1}, "Device disconnected!"},
    {"DetailFailureAfterOpeningOthers", [](auto& c) { c.interfaces[2].listing = Listing::DetailFails; },
     {kKeyboard, kMouse}, {}, {0, 1, 2}, "before"},
};
// clang-format on

class FindDeviceWalk : public ::testing::TestWithParam<WalkRow> {};

TEST_P(FindDeviceWalk, OpensTheFirstReaderAndClosesEverythingElse) {
  const WalkRow& row = GetParam();
  SimulatedReaderConfig config = sim::SaneReaderConfig();
  row.configure(config);
  DialogRig rig(config);
  rig.window.SetText(ctl::kStatusLine, "before");

  rig.Press(ctl::kFindDevice);

  EXPECT_EQ(rig.sim.Seen().opened, row.opened);
  EXPECT_EQ(rig.sim.Seen().StillOpen(), row.stillOpen);
  EXPECT_EQ(rig.sim.Seen().enumeratedIndices, row.enumerated);
  EXPECT_EQ(rig.Status(), row.status);
  EXPECT_EQ(rig.dialog.ReaderOpen(), !row.stillOpen.empty());
}

INSTANTIATE_TEST_SUITE_P(Lists, FindDeviceWalk, ::testing::ValuesIn(kWalkRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FindDevice, ShowsTheVersionNumberInHexadecimalInEitherLanguage) {
  struct Row {
    std::uint16_t version;
    bool chinese;
    const char* status;
  };
  const Row rows[] = {
      {0x0102, false, "Detect device OK,ver102"}, {0x0000, false, "Detect device OK,ver0"},
      {0x01A2, false, "Detect device OK,ver1A2"}, {0xFFFF, false, "Detect device OK,verFFFF"},
      {0x0102, true, "设备已连接,ver102"},
  };
  for (const Row& row : rows) {
    SimulatedReaderConfig config = sim::SaneReaderConfig();
    config.interfaces[2].attributes.versionNumber = row.version;
    DialogRig rig(config);
    if (row.chinese) rig.SwitchToChinese();
    rig.Press(ctl::kFindDevice);
    EXPECT_EQ(rig.Status(), row.status) << std::hex << row.version;
  }
}

TEST(FindDevice, SecondPressAnswersAtOnceWithoutWalkingOrPausing) {
  DialogRig rig;
  rig.Press(ctl::kFindDevice);
  const std::int64_t afterFirst = rig.sim.ElapsedMs();
  rig.Press(ctl::kFindDevice);
  EXPECT_EQ(rig.window.statusHistory, (Strings{"Detect device OK,ver102", "Detect Device OK!"}));
  EXPECT_EQ(rig.sim.Seen().walks, 1);
  EXPECT_EQ(rig.sim.Seen().pausesMs, std::vector<int>{100});
  EXPECT_EQ(rig.sim.ElapsedMs(), afterFirst);
}

TEST(Disconnect, SecondPressFindsNothingToDisconnect) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.Press(ctl::kDisconnect);
  rig.Press(ctl::kDisconnect);
  EXPECT_EQ(rig.window.statusHistory, (Strings{"Device disconnected!", "No device connected!"}));
  EXPECT_EQ(rig.sim.Seen().closed, Strings{kReader});
}

TEST(Connection, EachPressUsesTheLanguageInForceWhenItRuns) {
  SimulatedReaderConfig noReader = sim::SaneReaderConfig();
  noReader.interfaces.pop_back();
  DialogRig rig(noReader);
  rig.Press(ctl::kFindDevice);
  rig.SwitchToChinese();
  rig.Press(ctl::kFindDevice);
  rig.Press(ctl::kDisconnect);
  rig.window.OperatorToggles(ctl::kLanguageEnglish);
  rig.Press(ctl::kLanguageEnglish);
  rig.Press(ctl::kDisconnect);
  EXPECT_EQ(rig.window.statusHistory,
            (Strings{"Device disconnected!", "设备未连接!", "设备未连接!", "No device connected!"}));

  DialogRig withReader;
  withReader.SwitchToChinese();
  withReader.Press(ctl::kFindDevice);
  withReader.Press(ctl::kFindDevice);
  withReader.Press(ctl::kDisconnect);
  EXPECT_EQ(withReader.window.statusHistory, (Strings{"设备已连接,ver102", "设备已连接!", "设备已断开!"}));

  SimulatedReaderConfig listFails = sim::SaneReaderConfig();
  listFails.listObtainable = false;
  DialogRig failing(listFails);
  failing.SwitchToChinese();
  failing.Press(ctl::kFindDevice);
  EXPECT_EQ(failing.Status(), "获取HID设备信息失败!");

  SimulatedReaderConfig detailFails = sim::SaneReaderConfig();
  detailFails.interfaces[0].listing = Listing::DetailFails;
  DialogRig detail(detailFails);
  detail.SwitchToChinese();
  detail.Press(ctl::kFindDevice);
  EXPECT_EQ(detail.window.boxes, (std::vector<ShownBox>{{"Error", "获取HID设备细节信息失败!", BoxIcon::Error}}));
}

}  // namespace
}  // namespace magcfg::test
