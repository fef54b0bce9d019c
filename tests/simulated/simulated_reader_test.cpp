// The simulated HID system on its own: the clock its transfers move, the
// faults its config provokes, the reader's answers and what it records.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/simulated/demo_reader.h"
#include "platform/simulated/reply_reports.h"
#include "platform/simulated/simulated_hid.h"

namespace magcfg::sim {
namespace {

using reader::TransferStatus;
using Bytes = std::vector<std::uint8_t>;

Bytes Request(Bytes frame, std::size_t length = 65) {
  frame.insert(frame.begin(), 0x00);
  frame.resize(length, 0);
  return frame;
}

std::unique_ptr<reader::HidDevice> OpenReader(SimulatedHidSystem& system) {
  return system.Open(system.Config().interfaces[kSaneReaderIndex].path).device;
}

// The paths a walk of the system visits, and how it ended.
std::pair<reader::WalkEnd, std::vector<std::string>> Walk(reader::HidSystem& system) {
  std::vector<std::string> visited;
  const reader::WalkEnd end = system.WalkInterfaces([&](const std::string& path) {
    visited.push_back(path);
    return true;
  });
  return {end, visited};
}

// The first report of the reply to one request, or nothing when none came in 1000 ms.
std::optional<Bytes> Ask(SimulatedHidSystem&, reader::HidDevice& device, const Bytes& request) {
  device.Write(request, 1000);
  Bytes buffer(1024, 0);
  if (device.Read(std::span(buffer.data(), 65), 1000) == TransferStatus::TimedOut) return std::nullopt;
  buffer.resize(65);
  return buffer;
}

TEST(SimulatedTransfers, MoveTheVirtualClockWithoutSleeping) {
  SimulatedReaderConfig config = SaneReaderConfig();
  config.reader.replyDelayMs = 300;
  SimulatedHidSystem system(config);
  auto device = OpenReader(system);
  const auto realStart = std::chrono::steady_clock::now();

  const auto write = device->Write(Request({0x02, 0x05, 0x03}), 1000);
  EXPECT_EQ(write.status, TransferStatus::Completed);
  EXPECT_EQ(system.ElapsedMs(), 1);
  Bytes buffer(65);
  EXPECT_EQ(device->Read(buffer, 100), TransferStatus::TimedOut);  // the reply is due at 300 ms
  EXPECT_EQ(system.ElapsedMs(), 101);
  device->DiscardPendingReports();  // still on its way: not dropped
  EXPECT_EQ(device->Read(buffer, 1000), TransferStatus::Completed);
  EXPECT_EQ(system.ElapsedMs(), 300);
  // A reply that has arrived and waits is dropped.
  device->Write(Request({0x02, 0x05, 0x03}), 1000);
  system.Pause(300);
  device->DiscardPendingReports();
  EXPECT_EQ(system.Seen().discardedReports, 1);
  EXPECT_EQ(device->Read(buffer, 5000), TransferStatus::TimedOut);
  system.Pause(60000);
  EXPECT_EQ(system.ElapsedMs(), 65601);
  EXPECT_LT(std::chrono::steady_clock::now() - realStart, std::chrono::seconds(1));
}

TEST(SimulatedTransfers, RealTimePacingSleeps) {
  SimulatedReaderConfig config = SaneReaderConfig();
  config.pacing = Pacing::RealTime;
  SimulatedHidSystem system(config);
  const auto realStart = std::chrono::steady_clock::now();
  system.Pause(15);
  EXPECT_GE(std::chrono::steady_clock::now() - realStart, std::chrono::milliseconds(15));
}

TEST(SimulatedTransfers, WriteCompletesAsConfigured) {
  struct Row {
    WriteCompletion completion;
    int delayMs;
    int timeoutMs;
    TransferStatus status;
    std::uint32_t bytesInCall;
    std::int64_t elapsedMs;
  };
  const Row rows[] = {
      {WriteCompletion::InsideCall, 1, 1000, TransferStatus::Completed, 65, 0},
      {WriteCompletion::AfterDelay, 7, 1000, TransferStatus::Completed, 0, 7},
      {WriteCompletion::AfterDelay, 100, 100, TransferStatus::Completed, 0, 100},
      {WriteCompletion::AfterDelay, 101, 100, TransferStatus::TimedOut, 0, 100},
      {WriteCompletion::Never, 1, 1000, TransferStatus::TimedOut, 0, 1000},
  };
  for (const Row& row : rows) {
    SimulatedReaderConfig config = SaneReaderConfig();
    config.reader.writeCompletion = row.completion;
    config.reader.writeDelayMs = row.delayMs;
    SimulatedHidSystem system(config);
    const auto result = OpenReader(system)->Write(Request({0x02, 0x09, 0x03}), row.timeoutMs);
    EXPECT_EQ(result.status, row.status) << row.delayMs;
    EXPECT_EQ(result.bytesReportedByCall, row.bytesInCall) << row.delayMs;
    EXPECT_EQ(system.ElapsedMs(), row.elapsedMs) << row.delayMs;
  }
}

TEST(SimulatedReader, AnswersEachRequest) {
  struct Row {
    const char* name;
    Bytes request;
    std::optional<Bytes> reply;  // the first bytes after the report ID
  };
  const Bytes factory = {0x02, 0x30, '%', '?', ';', '?', '+', '?', '7', '8', 0x03};
  auto withByte = [&](std::size_t index, std::uint8_t value) {
    Bytes frame = factory;
    frame[index - 1] = value;  // index counts the report ID
    return frame;
  };
  const Row rows[] = {
      {"format accepted", factory, Bytes{0x02, 0x30, 'Y', 0x03}},
      {"format without ETX", withByte(11, 0x00), Bytes{0x02, 0x30, 'N', 0x03}},
      {"format outputting no track", withByte(9, '0'), Bytes{0x02, 0x30, 'N', 0x03}},
      {"format output digit 8", withByte(9, '8'), Bytes{0x02, 0x30, 'N', 0x03}},
      {"format return digit 9", withByte(10, '9'), Bytes{0x02, 0x30, 'N', 0x03}},
      {"format return digit 0", withByte(10, '0'), Bytes{0x02, 0x30, 'Y', 0x03}},
      {"version", {0x02, 0x05, 0x03}, Bytes{0x02, 0x05, 'V', '1', '.', '0', '2', 0x03}},
      {"passive", {0x02, 0x06, 0x03}, Bytes{0x02, 0x06, 'Y', 0x03}},
      {"active", {0x02, 0x07, 0x03}, Bytes{0x02, 0x07, 'Y', 0x03}},
      {"card status without swipe", {0x02, 0x09, 0x03}, Bytes{0x02, 0x09, 'Y', 0x00, 0x03}},
      {"read card without swipe", {0x02, 0x08, 0x06, 0x03}, Bytes{0x02, 0x08, 'N', 0x00}},
      {"read card selection 7", {0x02, 0x08, 0x07, 0x03}, std::nullopt},
      {"no STX", {0x00, 0x05, 0x03}, std::nullopt},
      {"unknown command", {0x02, 0x31, 0x03}, std::nullopt},
      {"version without ETX", {0x02, 0x05, 0x00}, std::nullopt},
  };
  for (const Row& row : rows) {
    SimulatedHidSystem system(SaneReaderConfig());
    auto device = OpenReader(system);
    const std::optional<Bytes> reply = Ask(system, *device, Request(row.request));
    ASSERT_EQ(reply.has_value(), row.reply.has_value()) << row.name;
    if (!reply) continue;
    Bytes expected = Request(*row.reply);
    EXPECT_EQ(*reply, expected) << row.name;
  }
}

TEST(SimulatedReader, KeepsTheFormatItAcceptsOnly) {
  SimulatedHidSystem system(SaneReaderConfig());
  auto device = OpenReader(system);
  Ask(system, *device, Request({0x02, 0x30, 'A', 'B', 0xFF, 'D', 'E', 'F', '2', '5', 0x03}));
  Ask(system, *device, Request({0x02, 0x30, 'x', 'x', 'x', 'x', 'x', 'x', '0', '5', 0x03}));
  const reader::ReaderFormat expected{{'A', 'B', 0xFF, 'D', 'E', 'F'}, '2', '5'};
  EXPECT_EQ(system.Reader().Format(), expected);
}

TEST(SimulatedReader, TellsHowTheLastSwipeWent) {
  SimulatedHidSystem system(SaneReaderConfig());
  auto device = OpenReader(system);
  system.Reader().Swipe(reader::CardSwipe::Failed());
  EXPECT_EQ(Ask(system, *device, Request({0x02, 0x09, 0x03})).value()[4], 1);
  EXPECT_EQ(Ask(system, *device, Request({0x02, 0x08, 0x06, 0x03})).value(), Request({0x02, 0x08, 'N', 0x01}));
  system.Reader().Swipe(reader::CardSwipe::Good("ab", "", "c"));
  EXPECT_EQ(Ask(system, *device, Request({0x02, 0x09, 0x03})).value()[4], 2);
  // Track 1 asked for, track 3 not: it goes out blank.
  EXPECT_EQ(Ask(system, *device, Request({0x02, 0x08, 0x04, 0x03})).value(),
            Request({0x02, 0x08, 'Y', 2, 'a', 'b', 0, 0}));
}

TEST(SimulatedReader, SpreadsALongReplyOverReports) {
  SimulatedHidSystem system(SaneReaderConfig());
  auto device = OpenReader(system);
  system.Reader().Swipe(reader::CardSwipe::Good(std::string(100, 'a'), std::string(40, 'b'), std::string(127 + 5, 'c')));
  device->Write(Request({0x02, 0x08, 0x06, 0x03}), 100);
  Bytes stream;
  Bytes buffer(65);
  while (device->Read(buffer, 50) == TransferStatus::Completed) {
    EXPECT_EQ(buffer[0], 0x00);
    stream.insert(stream.end(), buffer.begin() + 1, buffer.end());
  }
  // 3 + (1 + 100) + (1 + 40) + (1 + 127) bytes: the third track is cut to the longest a length byte carries.
  ASSERT_EQ(stream.size(), 5u * 64);
  EXPECT_EQ(stream[3], 100);
  EXPECT_EQ(stream[104], 40);
  EXPECT_EQ(stream[145], 127);
  EXPECT_EQ(stream[145 + 127], 'c');
  EXPECT_EQ(stream[146 + 127], 0);
}

TEST(SimulatedReader, TypesSwipesOnlyInActiveUpload) {
  SimulatedHidSystem system(SaneReaderConfig());
  system.Reader().Swipe(reader::CardSwipe::Good("B1", "2", "3"));
  EXPECT_EQ(system.Reader().TypedForLastSwipe(), "%B1?;2?+3?\n");
  auto device = OpenReader(system);
  Ask(system, *device, Request({0x02, 0x06, 0x03}));
  EXPECT_EQ(system.Reader().TypedForLastSwipe(), "");
}

TEST(SimulatedReader, LateReplyWaitsForTheNextRead) {
  SimulatedReaderConfig config = SaneReaderConfig();
  config.reader.replyDelayMs = 1500;
  SimulatedHidSystem system(config);
  auto device = OpenReader(system);
  EXPECT_FALSE(Ask(system, *device, Request({0x02, 0x07, 0x03})).has_value());
  // The answer to the first request is what the second one reads.
  EXPECT_EQ(Ask(system, *device, Request({0x02, 0x05, 0x03})).value(), Request({0x02, 0x07, 'Y', 0x03}));
}

TEST(SimulatedReader, ScriptedReportsAreFittedToTheInputLength) {
  SimulatedReaderConfig config = SaneReaderConfig();
  config.interfaces[kSaneReaderIndex].reportLengths = reader::ReportLengths{4, 65};
  config.reader.scriptedReply = {{0x00, 0x02, 0x05, 'A', 'B', 0x03}, {0x00}};
  SimulatedHidSystem system(config);
  auto device = OpenReader(system);
  device->Write(Request({0x02, 0x30, 0x03}), 1000);
  Bytes buffer(8, 0xEE);
  ASSERT_EQ(device->Read(std::span(buffer.data(), 4), 100), TransferStatus::Completed);
  EXPECT_EQ(buffer, (Bytes{0x00, 0x02, 0x05, 'A', 0xEE, 0xEE, 0xEE, 0xEE}));
  ASSERT_EQ(device->Read(buffer, 100), TransferStatus::Completed);
  EXPECT_EQ(buffer, (Bytes{0x00, 0x00, 0x00, 0x00, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST(SimulatedReader, FloodingReaderNeverRunsDry) {
  SimulatedReaderConfig config = SaneReaderConfig();
  config.reader.floodEveryMs = 3;
  SimulatedHidSystem system(config);
  auto device = OpenReader(system);
  Bytes buffer(65);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(device->Read(buffer, 50), TransferStatus::Completed) << i;
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[64], '*');
  EXPECT_EQ(system.ElapsedMs(), 3000);
}

TEST(SimulatedSystem, ProvokesEachWalkAndOpenFault) {
  // The mouse, second of three, listed each way.
  struct Row {
    Listing listing;
    reader::WalkEnd end;
    std::vector<std::string> visited;
  };
  const Row rows[] = {
      {Listing::Listed, reader::WalkEnd::Completed, {"sim:hid/0-keyboard", "sim:hid/1-mouse", "sim:hid/2-magstripe"}},
      {Listing::DetailFails, reader::WalkEnd::DetailFailed, {"sim:hid/0-keyboard"}},
      {Listing::EnumerationFails, reader::WalkEnd::Completed, {"sim:hid/0-keyboard"}},
  };
  for (const Row& row : rows) {
    SimulatedReaderConfig config = SaneReaderConfig();
    config.interfaces[1].listing = row.listing;
    SimulatedHidSystem system(config);
    EXPECT_EQ(Walk(system), std::pair(row.end, row.visited));
  }

  SimulatedReaderConfig config = SaneReaderConfig();
  config.interfaces[1].opens = false;
  config.interfaces[2].opens = false;
  config.interfaces[2].permissionDenied = true;
  SimulatedHidSystem system(config);
  EXPECT_EQ(system.Open("sim:hid/1-mouse").failure, reader::OpenFailure::Other);
  EXPECT_EQ(system.Open("sim:hid/2-magstripe").failure, reader::OpenFailure::PermissionDenied);
  EXPECT_EQ(system.Open("no such path").failure, reader::OpenFailure::NotFound);
  EXPECT_TRUE(system.Seen().opened.empty());

  system.Config().listObtainable = false;
  EXPECT_EQ(Walk(system).first, reader::WalkEnd::ListFailed);
  EXPECT_EQ(system.Seen().walks, 1);
}

// Devices opened on one interface share its lock; with virtual pacing a
// lock held elsewhere costs the whole wait at once, in real time it is
// waited for until the holder lets go.
TEST(SimulatedSystem, DevicesOnOneInterfaceShareItsLock) {
  SimulatedHidSystem system(SaneReaderConfig());
  auto first = OpenReader(system);
  auto second = OpenReader(system);
  EXPECT_EQ(first->Lock(0), reader::LockStatus::Owned);
  EXPECT_EQ(system.Open("sim:hid/0-keyboard").device->Lock(0), reader::LockStatus::Owned);
  EXPECT_EQ(second->Lock(300), reader::LockStatus::Busy);
  EXPECT_EQ(system.ElapsedMs(), 300);
  first.reset();  // closing lets go
  EXPECT_EQ(second->Lock(300), reader::LockStatus::Owned);

  SimulatedReaderConfig realTime = SaneReaderConfig();
  realTime.pacing = Pacing::RealTime;
  SimulatedHidSystem paced(realTime);
  auto holder = OpenReader(paced);
  holder->Lock(0);
  std::thread letGo([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    holder->Unlock();
  });
  EXPECT_EQ(OpenReader(paced)->Lock(5000), reader::LockStatus::Owned);
  letGo.join();
}

TEST(SimulatedSystem, RecordsOpensClosesAndCalls) {
  auto system = std::make_unique<SimulatedHidSystem>(SaneReaderConfig());
  auto keyboard = system->Open("sim:hid/0-keyboard").device;
  auto device = OpenReader(*system);
  keyboard.reset();
  device->GetReportLengths();
  device->PassesUsageCheck(Bytes(65));
  Bytes buffer(65);
  EXPECT_EQ(device->Read(buffer, 50), TransferStatus::TimedOut);  // nothing was asked
  EXPECT_EQ(system->Seen().StillOpen(), std::vector<std::string>{"sim:hid/2-magstripe"});
  EXPECT_EQ(system->Seen().reportLengthQueries, 1);
  EXPECT_EQ(system->Seen().usageChecks, 1);
  EXPECT_EQ(system->Seen().cancelledTransfers, 1);
  // A device may outlive the system that opened it.
  system.reset();
  EXPECT_EQ(device->GetAttributes()->versionNumber, kSaneReaderVersion);
}

TEST(SplitIntoReports, GivesEachReportIdZeroAnd64StreamBytes) {
  Bytes stream(130);
  for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<std::uint8_t>(i + 1);
  const auto reports = SplitIntoReports(stream, 65);
  ASSERT_EQ(reports.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    ASSERT_EQ(reports[k].size(), 65u);
    EXPECT_EQ(reports[k][0], 0);
    EXPECT_EQ(reports[k][1], k * 64 + 1);
  }
  EXPECT_EQ(reports[2][2], 130);
  EXPECT_EQ(reports[2][3], 0);
  EXPECT_EQ(SplitIntoReports({}, 65), (std::vector<Bytes>{Bytes(65, 0)}));
  EXPECT_EQ(SplitIntoReports(stream, 3)[1], (Bytes{0, 65, 66}));
}

TEST(DemoReader, IsTheSaneReaderInRealTimeWithNoCardSwipedYet) {
  EXPECT_EQ(DemoReaderConfig().pacing, Pacing::RealTime);
  auto system = MakeDemoHidSystem();
  auto* simulated = dynamic_cast<SimulatedHidSystem*>(system.get());
  ASSERT_NE(simulated, nullptr);
  EXPECT_EQ(simulated->Reader().LastSwipe().kind, reader::CardSwipe::Kind::None);
  EXPECT_EQ(Walk(*system).second.at(kSaneReaderIndex), "sim:hid/2-magstripe");
}

}  // namespace
}  // namespace magcfg::sim
