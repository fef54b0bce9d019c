#include "ui/format_panel.h"

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {

class FormatPanelTest : public DialogTest {
 protected:
  bool Checked(int id) const { return window.Control(id).checked; }
  bool Enabled(int id) const { return window.Control(id).enabled; }

  void ExpectDefaultChecks() {
    for (int id : {ctl::kOutputTrack1, ctl::kOutputTrack2, ctl::kOutputTrack3, ctl::kCrPacket}) EXPECT_TRUE(Checked(id)) << id;
    for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
      EXPECT_FALSE(Checked(id)) << id;
      EXPECT_FALSE(Enabled(id)) << id;
    }
    EXPECT_TRUE(Enabled(ctl::kCrPacket));
  }

  // The panel's rules hold in every reachable state.
  void ExpectRulesHold() {
    const bool packet = Checked(ctl::kCrPacket);
    bool anyTrackCr = false;
    for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
      anyTrackCr = anyTrackCr || Checked(id);
      EXPECT_EQ(Enabled(id), !packet) << id;
      if (packet) {
        EXPECT_FALSE(Checked(id)) << id;
      }
    }
    EXPECT_EQ(Enabled(ctl::kCrPacket), !anyTrackCr);
  }
};

TEST_F(FormatPanelTest, StartsWithTheDefaultSentinelsLimitedToOneCharacter) {
  const char* expected[] = {"%", "?", ";", "?", "+", "?"};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(window.GetText(ctl::kSentinelBoxes[i]), expected[i]);
    EXPECT_EQ(window.Control(ctl::kSentinelBoxes[i]).textLimit, 1);
  }
  ExpectDefaultChecks();
}

TEST_F(FormatPanelTest, PacketReturnExcludesTrackReturns) {
  Click(ctl::kCrPacket);  // off: the track boxes become available, still unticked
  for (int id : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
    EXPECT_TRUE(Enabled(id));
    EXPECT_FALSE(Checked(id));
  }
  Click(ctl::kCrTrack1);
  EXPECT_FALSE(Enabled(ctl::kCrPacket));
  Click(ctl::kCrTrack2);
  EXPECT_FALSE(Enabled(ctl::kCrPacket));
  Click(ctl::kCrTrack1);  // off again; track 2's still ticked
  EXPECT_FALSE(Enabled(ctl::kCrPacket));
  Click(ctl::kCrTrack2);
  EXPECT_TRUE(Enabled(ctl::kCrPacket));
  EXPECT_FALSE(Checked(ctl::kCrPacket));
  Click(ctl::kCrPacket);  // on: the track boxes are unticked and greyed
  ExpectDefaultChecks();
}

TEST_F(FormatPanelTest, AnyCombinationOfTrackReturnsKeepsTheRules) {
  Click(ctl::kCrPacket);
  // Every sequence of clicks over the three track boxes, three deep.
  for (int a : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
    for (int b : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
      for (int c : {ctl::kCrTrack1, ctl::kCrTrack2, ctl::kCrTrack3}) {
        Click(a);
        ExpectRulesHold();
        Click(b);
        ExpectRulesHold();
        Click(c);
        ExpectRulesHold();
      }
    }
  }
}

TEST_F(FormatPanelTest, FactoryFormatAfterTrackReturnsAndEditedSentinels) {
  Click(ctl::kCrPacket);
  Click(ctl::kCrTrack1);
  Click(ctl::kOutputTrack1);
  window.OperatorTypes(ctl::kTrack1Start, "A");
  window.OperatorTypes(ctl::kTrack3End, "");
  ApplyFactoryFormat(window);
  EXPECT_EQ(window.GetText(ctl::kTrack1Start), "%");
  EXPECT_EQ(window.GetText(ctl::kTrack3End), "?");
  ExpectDefaultChecks();
  EXPECT_TRUE(Checked(ctl::kCrPacket));
  // The sentinel set is neither read nor changed.
  EXPECT_EQ(state.sentinels.texts, SentinelSet{}.texts);
}

TEST_F(FormatPanelTest, ReadsThePanelAsSetDeviceSendsIt) {
  window.OperatorTypes(ctl::kTrack2Start, "");
  window.OperatorTypes(ctl::kTrack3Start, "é");
  Click(ctl::kOutputTrack1);  // track 1 off
  Click(ctl::kCrPacket);
  Click(ctl::kCrTrack1);
  Click(ctl::kCrTrack3);
  const reader::OutputFormat panel = ReadFormatPanel(window);
  EXPECT_EQ(panel.sentinels[2], "");
  EXPECT_EQ(panel.sentinels[4], "é");
  EXPECT_EQ(panel.outputTrack, (std::array<bool, 3>{false, true, true}));
  EXPECT_EQ(panel.crAfterTrack, (std::array<bool, 3>{true, false, true}));
  EXPECT_FALSE(panel.crAfterPacket);
  const auto payload = reader::FormatPayload(panel);
  EXPECT_EQ(payload[2], 0xFF);
  EXPECT_EQ(payload[4], 0xE9);
  EXPECT_EQ(payload[6], '6');
  EXPECT_EQ(payload[7], '5');
}

TEST_F(FormatPanelTest, TrackReturnsAreIgnoredWhileThePacketReturnIsTicked) {
  // A state the rules never reach by clicks, set directly: the packet box wins.
  window.Control(ctl::kCrTrack1).checked = true;
  EXPECT_TRUE(ReadFormatPanel(window).crAfterPacket);
  EXPECT_EQ(ReadFormatPanel(window).crAfterTrack, (std::array<bool, 3>{false, false, false}));
}

TEST_F(FormatPanelTest, NoTrackOutputIsAllowedInThePanel) {
  Click(ctl::kOutputTrack1);
  Click(ctl::kOutputTrack2);
  Click(ctl::kOutputTrack3);
  EXPECT_FALSE(AnyTrackOutputTicked(window));
  Click(ctl::kOutputTrack2);
  EXPECT_TRUE(AnyTrackOutputTicked(window));
}

}  // namespace
}  // namespace magcfg::test
