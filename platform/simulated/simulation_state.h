// What the simulated system and the devices it opened share: the
// configuration, the reader, the clock, the record of calls and the input
// reports on their way to the host.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/simulated/reader_model.h"
#include "platform/simulated/simulated_hid.h"
#include "platform/simulated/virtual_clock.h"

namespace magcfg::sim {

struct SimulatedHidSystem::State {
  explicit State(SimulatedReaderConfig initial)
      : config(std::move(initial)), model(config.reader.versionText), clock(config.pacing) {}

  // The reader takes a request written at startMs and queues its reply.
  void Deliver(std::span<const std::uint8_t> request, std::int64_t startMs, std::size_t inputLength);

  // The next input report if it arrives within timeoutMs, moving the clock to
  // its arrival; otherwise the clock moves by the whole time-out.
  std::optional<std::vector<std::uint8_t>> Receive(int timeoutMs, std::size_t inputLength);

  // Drops the reports that have arrived by now, as the platform's queue
  // would hold them; those still on their way stay. Returns how many.
  int DiscardArrived();

  SimulatedReaderConfig config;
  ReaderModel model;
  VirtualClock clock;
  Observations seen;

  // The devices opened on one interface share its lock: which device holds
  // each interface's, by the interface's index.
  std::mutex lockMutex;
  std::condition_variable lockReleased;
  std::map<std::size_t, const void*> lockHolders;

 private:
  struct Inbound {
    std::int64_t arrivalMs;
    std::vector<std::uint8_t> bytes;
  };
  void Queue(std::vector<std::uint8_t> report, std::int64_t arrivalMs);

  // Reports stay queued until read, as the platform buffers them: a reply
  // that came too late is what the next read finds.
  std::deque<Inbound> inbound_;
  std::int64_t lastArrivalMs_ = 0;
};

}  // namespace magcfg::sim
