// Get Version, the two upload modes and the card status: what each reply
// shows in the status line and the information box.
#include <gtest/gtest.h>

#include "tests/support/dialog_rig.h"

namespace magcfg::test {
namespace {


DialogRig RigAnswering(const Bytes& report) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.scriptedReply = {report};
  config.reader.writeCompletion = sim::WriteCompletion::InsideCall;  // no write notice before the reply
  return DialogRig(config);
}

TEST(GetVersion, ShowsTheTextOfTheReply) {
  struct Row {
    const char* name;
    Bytes report;
    std::string text;
  };
  Bytes long_run = {0x02, 0x05};
  long_run.insert(long_run.end(), 40, 'v');
  long_run.push_back(0x03);
  const Row rows[] = {
      {"plain", Report({0x02, 0x05, 0x56, 0x31, 0x2E, 0x30, 0x03}), "V1.0"},
      {"no 0x05", Report({0x02, 0x06, 0x41, 0x03}), ""},
      {"two runs", Report({0x05, 0x41, 0x03, 0x05, 0x42, 0x03}), "AB"},
      {"0x05 inside a run", Report({0x05, 0x41, 0x05, 0x42, 0x03}),
       "A\x05"
       "B"},
      {"longer than 29 bytes", ReportOf(long_run), std::string(29, 'v')},
      {"bytes above 0x7F", Report({0x05, 0xE9, 0x03}), "\xC3\xA9"},
  };
  for (const Row& row : rows) {
    DialogRig rig = RigAnswering(row.report);
    ASSERT_TRUE(rig.Connect());
    rig.Press(ctl::kGetVersion);
    EXPECT_EQ(rig.window.statusHistory, Strings{row.text}) << row.name;
    EXPECT_EQ(rig.window.boxes, (std::vector<ShownBox>{{row.text, "Information", BoxIcon::Information}})) << row.name;
  }
}

TEST(GetVersion, AsksTheReaderForItsVersionText) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.Press(ctl::kGetVersion);
  EXPECT_EQ(rig.sim.Seen().writes.at(0), ReportOf({0x02, 0x05, 0x03}));
  EXPECT_EQ(rig.Status(), "V1.02");
}

TEST(UploadModes, AnyReplyInTimeIsTheSuccess) {
  struct Row {
    int button;
    Bytes reply;
    std::string text;
  };
  const Row rows[] = {
      {ctl::kActiveUpload, Report({0x02, 0x07, 'Y', 0x03}), "主动上传模式设置成功"},
      {ctl::kActiveUpload, Report({0x02, 0x07, 'N', 0x03}), "主动上传模式设置成功"},
      {ctl::kActiveUpload, Report({}), "主动上传模式设置成功"},
      {ctl::kPassiveUpload, Report({0x02, 0x06, 'N', 0x03}), "被动上传模式设置成功"},
      {ctl::kPassiveUpload, Report({0xFF, 0xFF, 0xFF}), "被动上传模式设置成功"},
  };
  for (const Row& row : rows) {
    DialogRig rig = RigAnswering(row.reply);
    ASSERT_TRUE(rig.Connect());
    rig.SwitchToChinese();  // the same text in both languages
    rig.Press(row.button);
    EXPECT_EQ(rig.window.events,
              (Strings{"status:发送命令数据成功", "status:" + row.text, "box:Information|" + row.text}))
        << row.button;
  }
}

TEST(UploadModes, SwitchTheReader) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.Press(ctl::kPassiveUpload);
  EXPECT_EQ(rig.sim.Reader().Mode(), sim::UploadMode::Passive);
  rig.Press(ctl::kActiveUpload);
  EXPECT_EQ(rig.sim.Reader().Mode(), sim::UploadMode::Active);
  EXPECT_EQ(rig.sim.Seen().writes.at(0), ReportOf({0x02, 0x06, 0x03}));
  EXPECT_EQ(rig.sim.Seen().writes.at(1), ReportOf({0x02, 0x07, 0x03}));
}

TEST(CardStatus, ShowsTheCodeOfByte4) {
  struct Row {
    std::uint8_t code;
    const char* text;  // nullptr: nothing beyond the write notice
  };
  const Row rows[] = {{0, "没有刷卡"}, {1, "刷卡失败"}, {2, "刷卡成功"}, {3, nullptr}, {0xFF, nullptr}};
  for (const Row& row : rows) {
    DialogRig rig = RigAnswering(Report({0x02, 0x09, 'Y', row.code, 0x03}));
    ASSERT_TRUE(rig.Connect());
    rig.Press(ctl::kCardStatus);
    Strings expected = {"status:Set Command OK!"};
    if (row.text)
      expected.insert(expected.end(), {std::string("status:") + row.text, std::string("box:Information|") + row.text});
    EXPECT_EQ(rig.window.events, expected) << int(row.code);
  }
}

TEST(CardStatus, FollowsTheReadersLastSwipe) {
  DialogRig rig;
  ASSERT_TRUE(rig.Connect());
  rig.Press(ctl::kCardStatus);
  rig.sim.Reader().Swipe(reader::CardSwipe::Failed());
  rig.Press(ctl::kCardStatus);
  rig.sim.Reader().Swipe(reader::CardSwipe::Good("B1", "2", ""));
  rig.Press(ctl::kCardStatus);
  EXPECT_EQ(rig.window.boxes.size(), 3u);
  EXPECT_EQ(rig.window.statusHistory,
            (Strings{"Set Command OK!", "没有刷卡", "Set Command OK!", "刷卡失败", "Set Command OK!", "刷卡成功"}));
}

}  // namespace
}  // namespace magcfg::test
