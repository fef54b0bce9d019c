// The watch command's logic over simulated readers that come and go: the
// kernel's events are replaced by a script, each event preceded by what
// plugging or pulling the reader does to the simulated system.
#include "cli/watch.h"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/simulated_fleet.h"
#include "reader/frames.h"

namespace magcfg::test {
namespace {

using reader::DeviceEvent;
using Kind = reader::DeviceEvent::Kind;

struct Step {
  std::function<void()> before;  // what the system looks like when the event arrives
  DeviceEvent event;
};

class ScriptedEvents final : public reader::DeviceEvents {
 public:
  ScriptedEvents(std::vector<Step> steps, std::optional<std::string> failure = std::nullopt)
      : steps_(std::move(steps)), failure_(std::move(failure)) {}
  std::optional<DeviceEvent> Next() override {
    if (next_ == steps_.size()) return std::nullopt;
    Step& step = steps_[next_++];
    if (step.before) step.before();
    return step.event;
  }
  std::optional<std::string> Failure() const override { return failure_; }

 private:
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  std::optional<std::string> failure_;
};

// Readers the fleet holds, each pluggable: pulling one out takes its
// interface out of the list, so that it can be neither found nor opened.
struct FleetRig {
  explicit FleetRig(int readers) : fleet(readers, sim::Pacing::Virtual) {
    for (std::size_t i = 0; i < fleet.Size(); ++i) {
      saved.push_back(fleet.Member(i).Config().interfaces);
      paths.push_back(fleet.ReaderPath(i));
    }
  }
  void Unplug(std::size_t i) { fleet.Member(i).Config().interfaces.clear(); }
  void Plug(std::size_t i) { fleet.Member(i).Config().interfaces = saved[i]; }
  Step Plugged(std::size_t i) {
    return {[this, i] { Plug(i); }, {Kind::Added, paths[i], 0x5131, 0x2007}};
  }
  Step Pulled(std::size_t i) {
    return {[this, i] { Unplug(i); }, {Kind::Removed, paths[i], {}, {}}};
  }
  // The command bytes written to reader i, in order.
  std::vector<std::uint8_t> Commands(std::size_t i) {
    std::vector<std::uint8_t> commands;
    for (const auto& report : fleet.Member(i).Seen().writes) commands.push_back(report.at(2));
    return commands;
  }

  cli::SimulatedFleet fleet;
  std::vector<std::vector<sim::SimulatedInterface>> saved;
  std::vector<std::string> paths;
};

// The catalogue's texts for the two modes, with their English gloss.
const std::string kPassiveSet =
    "\u88ab\u52a8\u4e0a\u4f20\u6a21\u5f0f\u8bbe\u7f6e\u6210\u529f (passive upload mode set)";
const std::string kActiveSet = "\u4e3b\u52a8\u4e0a\u4f20\u6a21\u5f0f\u8bbe\u7f6e\u6210\u529f (active upload mode set)";

// Said once, in text, after the readers present are set up.
const std::string kWaiting = "magcfg-cli: waiting for readers (USB 5131:2007) to be plugged in\n";

struct Outcome {
  int exit;
  std::string out;
  std::string err;
};

Outcome Watch(FleetRig& rig, std::vector<Step> steps, const cli::WatchRequest& request, bool json = false,
              std::optional<std::string> failure = std::nullopt, bool outputFails = false) {
  ScriptedEvents events(std::move(steps), std::move(failure));
  std::ostringstream out, err;
  if (outputFails) out.setstate(std::ios::badbit);
  const int exit = cli::RunWatch(rig.fleet, events, request, json, out, err, nullptr);
  return {exit, out.str(), err.str()};
}

cli::WatchRequest FormatAndMode() {
  cli::WatchRequest request;
  request.format = reader::OutputFormat{};
  request.format->sentinels = {"%", "?", ";", "?", "+", "?"};
  request.format->outputTrack = {true, true, false};
  request.mode = cli::UploadMode::Passive;
  return request;
}

TEST(Watch, SetsUpReadersPresentAndEachOneAsItIsPluggedInAgain) {
  FleetRig rig(2);
  rig.Unplug(1);  // only the first reader is there at the start
  const Outcome run = Watch(
      rig, {rig.Plugged(1), rig.Pulled(1), rig.Plugged(1), rig.Pulled(0), rig.Plugged(0)}, FormatAndMode());
  EXPECT_EQ(run.exit, 0);
  EXPECT_EQ(run.err, kWaiting);
  const std::string first = rig.paths[0], second = rig.paths[1];
  EXPECT_EQ(run.out, first + ": ver102: set up: Set format OK!; " + kPassiveSet + "\n" +       //
                         second + ": ver102: set up: Set format OK!; " + kPassiveSet + "\n" +  //
                         second + ": unplugged\n" +                                            //
                         second + ": ver102: set up: Set format OK!; " + kPassiveSet + "\n" +  //
                         first + ": unplugged\n" +                                             //
                         first + ": ver102: set up: Set format OK!; " + kPassiveSet + "\n");
  // Each plug-in sent the format, then the mode, and nothing else.
  const std::vector<std::uint8_t> twice = {0x30, 0x06, 0x30, 0x06};
  EXPECT_EQ(rig.Commands(0), twice);
  EXPECT_EQ(rig.Commands(1), twice);
  EXPECT_TRUE(rig.fleet.Member(0).Seen().StillOpen().empty());
  EXPECT_EQ(rig.fleet.Member(1).Reader().Format().trackOutputDigit, '3');  // tracks 1 and 2
}

TEST(Watch, AReaderLostHalfWayIsReportedAndTheWatchGoesOn) {
  FleetRig rig(2);
  rig.Unplug(0);
  rig.Unplug(1);
  Step lostHalfWay = rig.Plugged(0);
  lostHalfWay.before = [&] {
    rig.Plug(0);
    rig.fleet.Member(0).Config().reader.replies = false;  // gone before it answered
  };
  const Outcome run = Watch(rig, {lostHalfWay, rig.Pulled(0), rig.Plugged(1)}, FormatAndMode(), true);
  EXPECT_EQ(run.exit, 0);
  std::vector<nlohmann::json> lines;
  std::istringstream in(run.out);
  for (std::string line; std::getline(in, line);) lines.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(lines.size(), 3u) << run.out;
  EXPECT_EQ(lines[0]["event"], "set-up");
  EXPECT_EQ(lines[0]["outcome"], "timeout");
  EXPECT_EQ(lines[0]["steps"].size(), 1u);  // the mode is not sent after a failed format
  EXPECT_EQ(lines[1]["event"], "unplugged");
  EXPECT_EQ(lines[1]["path"], rig.paths[0]);
  EXPECT_EQ(lines[2]["event"], "set-up");
  EXPECT_EQ(lines[2]["outcome"], "ok");
  EXPECT_EQ(lines[2]["steps"][1]["command"], "mode");
  EXPECT_EQ(run.err, "");  // JSON lines only
  EXPECT_EQ(rig.Commands(1), (std::vector<std::uint8_t>{0x30, 0x06}));
}

struct QuietRow {
  const char* what;
  DeviceEvent event;
  std::string out;
  std::string err;
};

TEST(Watch, EventsThatAreNotAReaderPluggedIn) {
  FleetRig probe(1);
  const std::string reader = probe.fleet.ReaderPath(0);
  const QuietRow rows[] = {
      {"another device's node", {Kind::Added, "sim:hid/0-keyboard", 0x046D, 0xC31C}, "", ""},
      {"a node whose IDs are unknown and that cannot be opened", {Kind::Added, "sim:hid/9", {}, {}}, "", ""},
      {"the reader's IDs, but no node to open",
       {Kind::Added, "sim:hid/9", 0x5131, 0x2007},
       "",
       "sim:hid/9: a reader, but it cannot be opened\n"},
      {"a node pulled out that was never set up", {Kind::Removed, "sim:hid/9", {}, {}}, "", ""},
      {"a rescan finds nothing new", {Kind::Rescan, "", {}, {}}, "", ""},
  };
  for (const QuietRow& row : rows) {
    FleetRig rig(1);
    const Outcome run = Watch(rig, {{{}, row.event}}, {std::nullopt, cli::UploadMode::Active});
    EXPECT_EQ(run.out, reader + ": ver102: set up: " + kActiveSet + "\n" + row.out) << row.what;
    EXPECT_EQ(run.err, kWaiting + row.err) << row.what;
    EXPECT_EQ(rig.Commands(0), std::vector<std::uint8_t>{0x07}) << row.what;
  }
}

TEST(Watch, ARescanSetsUpReadersWhoseEventsWereLost) {
  FleetRig rig(2);
  rig.Unplug(1);
  Watch(rig, {{[&] { rig.Plug(1); }, {Kind::Rescan, "", {}, {}}}}, {std::nullopt, cli::UploadMode::Active});
  EXPECT_EQ(rig.Commands(0), std::vector<std::uint8_t>{0x07});  // not set up twice
  EXPECT_EQ(rig.Commands(1), std::vector<std::uint8_t>{0x07});
}

TEST(Watch, OutputThatCannotBeWrittenEndsTheWatch) {
  FleetRig rig(2);
  rig.Unplug(1);
  Watch(rig, {rig.Plugged(1)}, {std::nullopt, cli::UploadMode::Active}, false, std::nullopt, /*outputFails=*/true);
  EXPECT_TRUE(rig.Commands(1).empty());  // plugged in after the output failed
}

TEST(Watch, EventsThatFailEndTheWatchWithAFailure) {
  FleetRig rig(1);
  const Outcome run = Watch(rig, {}, FormatAndMode(), false, "reading device events: No buffer space");
  EXPECT_EQ(run.exit, 5);
  EXPECT_EQ(run.err, kWaiting + "magcfg-cli: watch ended: reading device events: No buffer space\n");
}

}  // namespace
}  // namespace magcfg::test
