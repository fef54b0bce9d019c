// Find Device when the platform fails it: the walk broken off at each
// interface in turn, in each way it can be; each open and each attribute
// read in turn; the list itself. Each walk ends within Find Device's bound with its defined notice,
// every interface it opened but the kept reader closed again, and the list
// released.
#include <gtest/gtest.h>

#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

const std::string kFirstReader = "sim:hid/4-magstripe";
const std::string kSecondReader = "sim:hid/5-magstripe";
const std::string kFoundFirst = "Detect device OK,ver102";
const std::string kFoundSecond = "Detect device OK,ver200";
const std::string kNotFound = "Device disconnected!";
const ShownBox kDetailFailedBox{"Error", "Get HID device information failed!", BoxIcon::Error};

// Before the first reader: an interface that opens, one that does not, the
// reader's vendor with another product, one whose attributes cannot be
// read. A second reader follows the first. Walked without a fault, the
// first reader is found at the fifth interface met, the fifth open and the
// fourth attribute read.
sim::SimulatedReaderConfig CrowdedConfig() {
  sim::SimulatedReaderConfig config;
  sim::SimulatedInterface locked = sim::OtherInterface("sim:hid/1-locked", 0x046D, 0xC077);
  locked.opens = false;
  sim::SimulatedInterface broken = sim::OtherInterface("sim:hid/3-broken", 0x1234, 0x0001);
  broken.attributesReadable = false;
  config.interfaces = {
      sim::OtherInterface("sim:hid/0-keyboard", 0x046D, 0xC31C),
      locked,
      sim::OtherInterface("sim:hid/2-other-product", 0x5131, 0x2008),
      broken,
      sim::ReaderInterface(kFirstReader),
      sim::ReaderInterface(kSecondReader, 0x0200),
  };
  return config;
}

struct Expected {
  std::string status;            // "" when the status line keeps its text
  std::vector<ShownBox> boxes;
  std::string keptOpen;          // "" when no reader is open
  int enumerations;
  std::int64_t elapsedMs;
};

void RunFindDevice(DialogRig& rig, const Expected& expected) {
  rig.window.SetText(ctl::kStatusLine, "before");
  rig.ForgetLogs();
  rig.Press(ctl::kFindDevice);
  EXPECT_EQ(rig.Status(), expected.status.empty() ? "before" : expected.status);
  EXPECT_EQ(rig.window.boxes, expected.boxes);
  EXPECT_EQ(rig.hid.OpenPaths(),
            expected.keptOpen.empty() ? Strings{} : Strings{expected.keptOpen});
  EXPECT_EQ(rig.dialog.ReaderOpen(), !expected.keptOpen.empty());
  EXPECT_EQ(rig.hid.Counts().enumerations, expected.enumerations);
  EXPECT_EQ(rig.ElapsedMs(), expected.elapsedMs);
  ::testing::Test::RecordProperty("virtual_ms", static_cast<int>(rig.ElapsedMs()));
  ::testing::Test::RecordProperty("bound_ms", static_cast<int>(kFindDeviceBoundMs));
  EXPECT_LE(rig.ElapsedMs(), kFindDeviceBoundMs);
  // Every interface opened was closed again, but the reader kept.
  EXPECT_EQ(rig.hid.Counts().closes, rig.hid.Counts().opened - (expected.keptOpen.empty() ? 0 : 1));
  EXPECT_TRUE(rig.NothingLeftBehind());
  EXPECT_TRUE(rig.DisconnectLeavesNothingOpen());
}

// --- The walk broken off at each interface in turn, in each way.

// How the walk is broken off: the enumeration fails there, or the
// interface's details cannot be read.
enum class WalkBreak { Enumeration, Detail };

struct EnumerationCase {
  int call;
  WalkBreak failure;
};

std::string FailureName(WalkBreak failure) { return failure == WalkBreak::Detail ? "DetailFailed" : "Failed"; }
void PrintTo(const EnumerationCase& c, std::ostream* os) { *os << FailureName(c.failure) << "AtCall" << c.call; }

class EnumerationFailure : public ::testing::TestWithParam<EnumerationCase> {};

TEST_P(EnumerationFailure, EndsTheWalkWithItsNotice) {
  const EnumerationCase& c = GetParam();
  DialogRig rig(CrowdedConfig());
  (c.failure == WalkBreak::Detail ? rig.hid.Faults().failDetail : rig.hid.Faults().failEnumeration) =
      CallSelection::Only(c.call);

  Expected expected;
  if (c.call >= 5) {
    // The reader was found before the interface that would fail.
    expected = {kFoundFirst, {}, kFirstReader, 5, 100};
  } else if (c.failure == WalkBreak::Detail) {
    // The box, no status, no pause.
    expected = {"", {kDetailFailedBox}, "", c.call + 1, 0};
  } else {
    // Any other failure ends the list there, as its end does.
    expected = {kNotFound, {}, "", c.call + 1, 100};
  }
  RunFindDevice(rig, expected);
}

std::vector<EnumerationCase> EnumerationCases() {
  std::vector<EnumerationCase> cases;
  for (const WalkBreak failure : {WalkBreak::Enumeration, WalkBreak::Detail}) {
    for (int call = 0; call <= 5; ++call) cases.push_back({call, failure});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(EachCallEachWay, EnumerationFailure, ::testing::ValuesIn(EnumerationCases()),
                         [](const auto& info) {
                           return FailureName(info.param.failure) + "AtCall" + std::to_string(info.param.call);
                         });

// --- Each open and each attribute read failing in turn.

struct InterfaceFault {
  const char* name;
  bool attributes;  // fail the attribute read, else the open
  int call;
  Expected expected;
};
void PrintTo(const InterfaceFault& f, std::ostream* os) { *os << f.name; }

class InterfaceFailure : public ::testing::TestWithParam<InterfaceFault> {};

TEST_P(InterfaceFailure, IsPassedOverSilently) {
  const InterfaceFault& f = GetParam();
  DialogRig rig(CrowdedConfig());
  (f.attributes ? rig.hid.Faults().failAttributes : rig.hid.Faults().refuseOpen) = CallSelection::Only(f.call);
  RunFindDevice(rig, f.expected);
}

// clang-format off
const InterfaceFault kInterfaceFaults[] = {
    {"OpenOfTheKeyboard", false, 0, {kFoundFirst, {}, kFirstReader, 5, 100}},
    {"OpenOfTheOtherProduct", false, 2, {kFoundFirst, {}, kFirstReader, 5, 100}},
    {"OpenOfTheBrokenInterface", false, 3, {kFoundFirst, {}, kFirstReader, 5, 100}},
    {"OpenOfTheFirstReader", false, 4, {kFoundSecond, {}, kSecondReader, 6, 100}},
    {"AttributesOfTheKeyboard", true, 0, {kFoundFirst, {}, kFirstReader, 5, 100}},
    {"AttributesOfTheOtherProduct", true, 1, {kFoundFirst, {}, kFirstReader, 5, 100}},
    {"AttributesOfTheFirstReader", true, 3, {kFoundSecond, {}, kSecondReader, 6, 100}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EachCall, InterfaceFailure, ::testing::ValuesIn(kInterfaceFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Every call of one kind failing.

TEST(EveryCallFails, EachKindEndsInTime) {
  struct Row {
    const char* name;
    void (*arm)(HidFaults&);
    Expected expected;
  };
  const Row rows[] = {
      {"List", [](HidFaults& f) { f.failList = CallSelection::All(); },
       {"Get HID device information failed!", {}, "", 0, 0}},
      {"EnumerationFailed", [](HidFaults& f) { f.failEnumeration = CallSelection::All(); },
       {kNotFound, {}, "", 1, 100}},
      {"EnumerationDetailFailed", [](HidFaults& f) { f.failDetail = CallSelection::All(); },
       {"", {kDetailFailedBox}, "", 1, 0}},
      // Every interface is looked at, and the walk ends at the list's end.
      {"Open", [](HidFaults& f) { f.refuseOpen = CallSelection::All(); }, {kNotFound, {}, "", 6, 100}},
      {"Attributes", [](HidFaults& f) { f.failAttributes = CallSelection::All(); }, {kNotFound, {}, "", 6, 100}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DialogRig rig(CrowdedConfig());
    row.arm(rig.hid.Faults());
    RunFindDevice(rig, row.expected);
  }
}

// A failed walk leaves nothing that would hold up the next one.
TEST(EveryCallFails, TheNextFindDeviceFindsTheReader) {
  DialogRig rig(CrowdedConfig());
  rig.hid.Faults().failDetail = CallSelection::Only(2);
  rig.Press(ctl::kFindDevice);
  EXPECT_FALSE(rig.dialog.ReaderOpen());
  rig.hid.Faults().failDetail = CallSelection::None();
  RunFindDevice(rig, {kFoundFirst, {}, kFirstReader, 5, 100});
}

}  // namespace
}  // namespace magcfg::test
