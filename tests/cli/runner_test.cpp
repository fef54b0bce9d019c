// The runner: how each way an exchange can end becomes an exit status, a
// message and the notices, the frames each reader receives, and readers
// served in parallel, one exchange each.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sstream>
#include <type_traits>
#include <nlohmann/json.hpp>

#include "cli/runner.h"
#include "tests/cli/cli_harness.h"

namespace magcfg::test {
namespace {

using cli::ExitCode;
using Json = nlohmann::json;

sim::SimulatedInterface& TheReader(cli::SimulatedFleet& fleet) {
  return fleet.Member(0).Config().interfaces.at(sim::kSaneReaderIndex);
}

void RefusedForPermission(cli::SimulatedFleet& fleet) {
  TheReader(fleet).opens = false;
  TheReader(fleet).permissionDenied = true;
}
const std::string kRefusedNote = cli::AccessRefusedNote("sim:hid/2-magstripe");
// Another program holds the reader (a second open of it, locked) until the next call.
void HeldByAnotherProgram(cli::SimulatedFleet& fleet) {
  static std::unique_ptr<reader::HidDevice> other;
  other = fleet.Member(0).Open(fleet.ReaderPath(0)).device;
  other->Lock(0);
}
const std::string kBusyNote = "The reader is busy: another program is using sim:hid/2-magstripe";

struct OutcomeRow {
  const char* name;
  std::vector<std::string> command;
  FleetSetup setup;
  int exit;
  const char* message;
  std::vector<std::string> notices;
};
void PrintTo(const OutcomeRow& row, std::ostream* os) { *os << row.name; }

const OutcomeRow kOutcomes[] = {
    {"no report description", {"status"}, [](auto& f) { TheReader(f).reportLengths.reset(); },
     5, "Could not get HID preparsed data!", {"Could not get HID preparsed data!"}},
    {"output report too short for the format frame", {"set-format"},
     [](auto& f) { TheReader(f).reportLengths = reader::ReportLengths{65, 11}; },
     5, "Device report length not supported!", {"Device report length not supported!"}},
    {"output report long enough for a bare frame", {"status"},
     [](auto& f) { TheReader(f).reportLengths = reader::ReportLengths{65, 4}; },
     0, "刷卡成功", {"Set Command OK!"}},
    {"usage check refused", {"mode", "active"}, [](auto& f) { TheReader(f).usageCheckPasses = false; },
     5, "The platform refused the output report (HID usage check)", {}},
    {"version has no usage check", {"version"}, [](auto& f) { TheReader(f).usageCheckPasses = false; },
     0, "V1.02", {"Set Command OK!"}},
    {"write never completes: the card read stops", {"read"},
     [](auto& f) { f.Member(0).Config().reader.writeCompletion = sim::WriteCompletion::Never; },
     4, "Send data timeout!", {"Send data timeout!"}},
    {"write never completes: set-format still reads the reply", {"set-format"},
     [](auto& f) { f.Member(0).Config().reader.writeCompletion = sim::WriteCompletion::Never; },
     0, "Set format OK!", {"Send data timeout!"}},
    {"write completed inside the call: version says nothing before the reply", {"version"},
     [](auto& f) { f.Member(0).Config().reader.writeCompletion = sim::WriteCompletion::InsideCall; },
     0, "V1.02", {}},
    {"reply after the time-out", {"status"}, [](auto& f) { f.Member(0).Config().reader.replyDelayMs = 1500; },
     4, "Receive data timeout!", {"Set Command OK!", "Receive data timeout!"}},
    {"set-format reply after the time-out", {"set-format"},
     [](auto& f) { f.Member(0).Config().reader.replyDelayMs = 1500; },
     4, "Receive data timeout", {"Send data success", "Receive data timeout"}},
    {"card read reply after its 50 ms wait", {"read"}, [](auto& f) { f.Member(0).Config().reader.replyDelayMs = 80; },
     4, "Receive data timeout!", {"Set Command OK!", "Receive data timeout!"}},
    // A failed transfer is said as what it is, at once, and no "sent" notice
    // follows a write that failed; a reader gone counts as no reader.
    {"write finds the reader gone", {"set-format"},
     [](auto& f) { f.Member(0).Config().reader.failWrites = reader::TransferStatus::ReaderGone; },
     3, "The request could not be sent: the reader is gone", {"The request could not be sent: the reader is gone"}},
    {"write fails (stalled endpoint)", {"status"},
     [](auto& f) { f.Member(0).Config().reader.failWrites = reader::TransferStatus::Failed; },
     5, "The request could not be sent: the transfer failed", {"The request could not be sent: the transfer failed"}},
    {"read finds the reader gone", {"version"},
     [](auto& f) { f.Member(0).Config().reader.failReads = reader::TransferStatus::ReaderGone; },
     3, "The reply could not be read: the reader is gone",
     {"Set Command OK!", "The reply could not be read: the reader is gone"}},
    {"read fails (I/O error)", {"set-format"},
     [](auto& f) { f.Member(0).Config().reader.failReads = reader::TransferStatus::Failed; },
     5, "The reply could not be read: the transfer failed",
     {"Send data success", "The reply could not be read: the transfer failed"}},
    {"interface list not obtained", {"status"}, [](auto& f) { f.Member(0).Config().listObtainable = false; },
     5, "Get HID device information failed!", {"Get HID device information failed!"}},
    {"interface details not read", {"status"},
     [](auto& f) { f.Member(0).Config().interfaces[0].listing = sim::Listing::DetailFails; },
     5, "Get HID device information failed!", {"Get HID device information failed!"}},
    {"reader that cannot be opened", {"status"}, [](auto& f) { TheReader(f).opens = false; },
     3, "No device connected!", {"No device connected!"}},
    {"reader that the user may not open", {"status"}, [](auto& f) { RefusedForPermission(f); },
     6, kRefusedNote.c_str(), {kRefusedNote}},
    {"reader held by another program for the whole wait", {"--wait", "0.25", "status"}, HeldByAnotherProgram,
     7, kBusyNote.c_str(), {kBusyNote}},
    {"input report longer than 1024 bytes", {"version"},
     [](auto& f) { TheReader(f).reportLengths = reader::ReportLengths{2000, 65}; }, 0, "V1.02", {"Set Command OK!"}},
    {"card read reply too short to be collected", {"read"},
     [](auto& f) { ReaderAnswers(f, 0, {0x00, 0x20, 'Y', 0x00, 0x00, 0x00}); },
     1, "No track data in the reply", {"Set Command OK!"}},
};

class Outcome : public testing::TestWithParam<OutcomeRow> {};

TEST_P(Outcome, ExitStatusMessageAndNotices) {
  const OutcomeRow& row = GetParam();
  std::vector<std::string> args = {"--simulate", "--json"};
  args.insert(args.end(), row.command.begin(), row.command.end());
  const CliRun run = RunCli(args, 1, row.setup);
  EXPECT_EQ(run.exit, row.exit) << run.out;
  const Json report = Json::parse(run.out);
  EXPECT_EQ(report["exit"], row.exit);
  EXPECT_EQ(report["message"], row.message);
  EXPECT_EQ(report["notices"], Json(row.notices));
}

INSTANTIATE_TEST_SUITE_P(Runner, Outcome, testing::ValuesIn(kOutcomes));

TEST(PermissionDenied, IsItsOwnOutcomeHoweverTheReaderIsChosen) {
  const std::vector<std::vector<std::string>> commands = {
      {"status"}, {"status", "--all"}, {"status", "--path", "sim:hid/2-magstripe"}, {"--json", "status"}, {"list"}};
  for (const std::vector<std::string>& command : commands) {
    std::vector<std::string> args = {"--simulate"};
    args.insert(args.end(), command.begin(), command.end());
    const CliRun run = RunCli(args, 1, RefusedForPermission);
    SCOPED_TRACE(testing::PrintToString(args));
    EXPECT_EQ(run.exit, 6);
    EXPECT_NE((run.out + run.err).find(kRefusedNote), std::string::npos) << run.out << run.err;
    EXPECT_NE(kRefusedNote.find("magcfg-cli --print-udev-rules | sudo tee /etc/udev/rules.d/70-magcfg.rules"),
              std::string::npos);
    if (command.front() == "--json") {
      EXPECT_EQ(Json::parse(run.out)["outcome"], "permission-denied");
    }
  }
  // A reader that fails to open for another reason is still no reader.
  const CliRun other = RunCli({"--simulate", "status", "--path", "sim:hid/2-magstripe"}, 1,
                              [](auto& f) { TheReader(f).opens = false; });
  EXPECT_EQ(other.exit, 3) << other.err;
}

TEST(WorstExit, TheWorstStatusWins) {
  const auto worst = [](std::vector<ExitCode> codes) {
    std::vector<cli::ReaderReport> reports(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i) reports[i].exit = codes[i];
    return cli::WorstExit(reports);
  };
  EXPECT_EQ(worst({}), ExitCode::Success);
  EXPECT_EQ(worst({ExitCode::Success, ExitCode::Success}), ExitCode::Success);
  EXPECT_EQ(worst({ExitCode::Refused, ExitCode::Success}), ExitCode::Refused);
  EXPECT_EQ(worst({ExitCode::TimedOut, ExitCode::NoReader, ExitCode::Refused}), ExitCode::TimedOut);
  EXPECT_EQ(worst({ExitCode::Success, ExitCode::Failed, ExitCode::TimedOut}), ExitCode::Failed);
  // A busy reader comes after a time-out and before a failure.
  EXPECT_EQ(worst({ExitCode::TimedOut, ExitCode::Busy}), ExitCode::Busy);
  EXPECT_EQ(worst({ExitCode::Busy, ExitCode::Failed, ExitCode::Busy}), ExitCode::Failed);
}

TEST(AllReaders, EachGetsOneFrameAndTakesTheFormat) {
  const CliRun run = RunCli({"--simulate=4", "--all", "set-format", "--t1-start", "#", "--tracks", "2",
                             "--cr-after", "1,3"},
                            4);
  ASSERT_EQ(run.exit, 0) << run.err;
  std::vector<std::uint8_t> frame = {0x00, 0x02, 0x30, '#', '?', ';', '?', '+', '?', '2', '5', 0x03};
  frame.resize(sim::kSaneReportLength, 0);
  for (std::size_t i = 0; i < 4; ++i) {
    const sim::Observations& seen = run.fleet->Member(i).Seen();
    ASSERT_EQ(seen.writes.size(), 1u) << i;
    EXPECT_EQ(seen.writes[0], frame) << i;
    EXPECT_EQ(seen.StillOpen(), std::vector<std::string>{}) << i;
    EXPECT_EQ(run.fleet->Member(i).Reader().Format().carriageReturnDigit, '5') << i;
  }
}

// Wraps the fleet: every write waits until all readers' writes have begun,
// which only readers served at the same time can do, and every device
// notices when two calls are inside it at once.
class GatedSystem final : public reader::HidSystem {
 public:
  GatedSystem(cli::SimulatedFleet& fleet, int readers) : fleet_(fleet), expected_(readers) {}

  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override {
    return fleet_.WalkInterfaces(visit);
  }
  reader::OpenResult Open(const std::string& path) override {
    reader::OpenResult opened = fleet_.Open(path);
    if (opened.device) opened.device = std::make_unique<Device>(std::move(opened.device), *this);
    return opened;
  }
  void Pause(int milliseconds) override { fleet_.Pause(milliseconds); }

  bool gateTimedOut = false;
  std::atomic<int> overlaps = 0;

 private:
  class Device final : public reader::HidDevice {
   public:
    Device(std::unique_ptr<reader::HidDevice> inner, GatedSystem& system) : inner_(std::move(inner)), system_(system) {}
    std::optional<reader::HidAttributes> GetAttributes() override { return Guarded([&] { return inner_->GetAttributes(); }); }
    std::optional<reader::ReportLengths> GetReportLengths() override {
      return Guarded([&] { return inner_->GetReportLengths(); });
    }
    bool PassesUsageCheck(std::span<const std::uint8_t> r) override {
      return Guarded([&] { return inner_->PassesUsageCheck(r); });
    }
    reader::LockStatus Lock(int waitMs) override { return Guarded([&] { return inner_->Lock(waitMs); }); }
    void Unlock() override {
      Guarded([&] {
        inner_->Unlock();
        return 0;
      });
    }
    reader::WriteResult Write(std::span<const std::uint8_t> r, int ms) override {
      return Guarded([&] {
        system_.Arrive();
        return inner_->Write(r, ms);
      });
    }
    reader::TransferStatus Read(std::span<std::uint8_t> b, int ms) override {
      return Guarded([&] { return inner_->Read(b, ms); });
    }
    void DiscardPendingReports() override {
      Guarded([&] {
        inner_->DiscardPendingReports();
        return 0;
      });
    }

   private:
    template <typename F>
    std::invoke_result_t<F&> Guarded(F&& call) {
      if (busy_.exchange(true)) ++system_.overlaps;
      auto result = call();
      busy_ = false;
      return result;
    }
    std::unique_ptr<reader::HidDevice> inner_;
    GatedSystem& system_;
    std::atomic<bool> busy_ = false;
  };

  void Arrive() {
    std::unique_lock<std::mutex> lock(mutex_);
    ++arrived_;
    arrivedChanged_.notify_all();
    // A bound, so that readers served one after the other fail the test
    // instead of hanging it.
    if (!gateTimedOut &&
        !arrivedChanged_.wait_for(lock, std::chrono::seconds(2), [&] { return arrived_ >= expected_; })) {
      gateTimedOut = true;
    }
  }

  cli::SimulatedFleet& fleet_;
  int expected_;
  std::mutex mutex_;
  std::condition_variable arrivedChanged_;
  int arrived_ = 0;
};

TEST(AllReaders, AreServedAtTheSameTimeOneExchangeEach) {
  constexpr int kReaders = 12;
  cli::SimulatedFleet fleet(kReaders, sim::Pacing::Virtual);
  GatedSystem gated(fleet, kReaders);
  cli::CommandRequest request;
  request.command = cli::Command::Status;
  const std::vector<cli::ReaderReport> reports = cli::RunOnReaders(gated, cli::ReaderChoice::All, "", request, nullptr);

  EXPECT_FALSE(gated.gateTimedOut) << "readers were not served in parallel";
  EXPECT_EQ(gated.overlaps, 0);
  ASSERT_EQ(reports.size(), static_cast<std::size_t>(kReaders));
  for (int i = 0; i < kReaders; ++i) {
    EXPECT_EQ(reports[i].path, fleet.ReaderPath(i)) << "reports keep the platform's order";
    EXPECT_EQ(reports[i].exit, ExitCode::Success) << i;
    EXPECT_EQ(fleet.Member(i).Seen().writes.size(), 1u) << i;
  }
}

// --verbose: every report written and read, and every notice, led by the path.
TEST(Verbose, LogsEachReportInHexLedByThePath) {
  const CliRun run = RunCli({"--simulate=2", "--all", "--verbose", "mode", "active"}, 2);
  ASSERT_EQ(run.exit, 0) << run.err;
  for (std::size_t i = 0; i < 2; ++i) {
    const std::string path = run.fleet->ReaderPath(i);
    // Lines of the two readers may interleave; each reader's stay in order.
    std::vector<std::string> mine;
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
      if (line.starts_with(path + ": ")) mine.push_back(line.substr(path.size() + 2));
    }
    ASSERT_EQ(mine.size(), 3u) << run.err;
    EXPECT_TRUE(mine[0].starts_with("wrote 00 02 07 03 00 ")) << mine[0];
    EXPECT_EQ(mine[0].size(), std::string("wrote").size() + 3 * sim::kSaneReportLength);
    EXPECT_EQ(mine[1], "Set Command OK!");
    EXPECT_TRUE(mine[2].starts_with("read 00 02 07 59 03 00 ")) << mine[2];
  }
}

}  // namespace
}  // namespace magcfg::test
