#include "ui/format_panel.h"

#include <gtest/gtest.h>

#include "res/control_ids.h"
#include "tests/support/dialog_fixture.h"

namespace magcfg::test {
namespace {

class FormatPanelTest : public DialogTest {
 protected:
  bool Checked(int id) const { return window.Control(id).checked; }
  bool Enabled(int id) const { return window.Control(id).enabled; }

  void ExpectDefaultChecks() {
    for (int id : {1011, 1012, 1013, 1017}) EXPECT_TRUE(Checked(id)) << id;
    for (int id : {1014, 1015, 1016}) {
      EXPECT_FALSE(Checked(id)) << id;
      EXPECT_FALSE(Enabled(id)) << id;
    }
    EXPECT_TRUE(Enabled(1017));
  }

  // The panel's rules hold in every reachable state.
  void ExpectRulesHold() {
    const bool packet = Checked(1017);
    bool anyTrackCr = false;
    for (int id : {1014, 1015, 1016}) {
      anyTrackCr = anyTrackCr || Checked(id);
      EXPECT_EQ(Enabled(id), !packet) << id;
      if (packet) EXPECT_FALSE(Checked(id)) << id;
    }
    EXPECT_EQ(Enabled(1017), !anyTrackCr);
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
  Click(1017);  // off: the track boxes become available, still unticked
  for (int id : {1014, 1015, 1016}) {
    EXPECT_TRUE(Enabled(id));
    EXPECT_FALSE(Checked(id));
  }
  Click(1014);
  EXPECT_FALSE(Enabled(1017));
  Click(1015);
  EXPECT_FALSE(Enabled(1017));
  Click(1014);  // off again; 1015 still ticked
  EXPECT_FALSE(Enabled(1017));
  Click(1015);
  EXPECT_TRUE(Enabled(1017));
  EXPECT_FALSE(Checked(1017));
  Click(1017);  // on: the track boxes are unticked and greyed
  ExpectDefaultChecks();
}

TEST_F(FormatPanelTest, AnyCombinationOfTrackReturnsKeepsTheRules) {
  Click(1017);
  // Every sequence of clicks over the three track boxes, three deep.
  for (int a : {1014, 1015, 1016}) {
    for (int b : {1014, 1015, 1016}) {
      for (int c : {1014, 1015, 1016}) {
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
  Click(1017);
  Click(1014);
  Click(1011);
  window.OperatorTypes(1005, "A");
  window.OperatorTypes(1008, "");
  ApplyFactoryFormat(window);
  EXPECT_EQ(window.GetText(1005), "%");
  EXPECT_EQ(window.GetText(1008), "?");
  ExpectDefaultChecks();
  EXPECT_TRUE(Checked(1017));
  // The sentinel set is neither read nor changed.
  EXPECT_EQ(state.sentinels.texts, SentinelSet{}.texts);
}

TEST_F(FormatPanelTest, ReadsThePanelAsSetDeviceSendsIt) {
  window.OperatorTypes(1010, "");
  window.OperatorTypes(1009, "é");
  Click(1011);  // track 1 off
  Click(1017);
  Click(1014);
  Click(1016);
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
  window.Control(1014).checked = true;
  EXPECT_TRUE(ReadFormatPanel(window).crAfterPacket);
  EXPECT_EQ(ReadFormatPanel(window).crAfterTrack, (std::array<bool, 3>{false, false, false}));
}

TEST_F(FormatPanelTest, NoTrackOutputIsAllowedInThePanel) {
  Click(1011);
  Click(1012);
  Click(1013);
  EXPECT_FALSE(AnyTrackOutputTicked(window));
  Click(1012);
  EXPECT_TRUE(AnyTrackOutputTicked(window));
}

}  // namespace
}  // namespace magcfg::test
