#include "platform/simulated/simulation_state.h"

#include <algorithm>

#include "platform/simulated/reply_reports.h"

namespace magcfg::sim {

void SimulatedHidSystem::State::Queue(std::vector<std::uint8_t> report, std::int64_t arrivalMs) {
  // Reports arrive in the order they were sent.
  lastArrivalMs_ = std::max(lastArrivalMs_, arrivalMs);
  inbound_.push_back({lastArrivalMs_, std::move(report)});
}

void SimulatedHidSystem::State::Deliver(std::span<const std::uint8_t> request, std::int64_t startMs,
                                        std::size_t inputLength) {
  const ReaderBehaviour& behaviour = config.reader;
  const std::optional<std::vector<std::uint8_t>> stream = model.Answer(request);
  if (!behaviour.replies) return;
  std::vector<std::vector<std::uint8_t>> reports;
  if (!behaviour.scriptedReply.empty()) {
    for (const auto& report : behaviour.scriptedReply) reports.push_back(FitToLength(report, inputLength));
  } else if (stream) {
    reports = SplitIntoReports(*stream, inputLength);
  }
  std::int64_t arrivalMs = startMs + behaviour.replyDelayMs;
  for (auto& report : reports) {
    Queue(std::move(report), arrivalMs);
    arrivalMs += behaviour.reportIntervalMs;
  }
}

std::optional<std::vector<std::uint8_t>> SimulatedHidSystem::State::Receive(int timeoutMs, std::size_t inputLength) {
  const ReaderBehaviour& behaviour = config.reader;
  if (inbound_.empty() && behaviour.floodEveryMs) {
    std::vector<std::uint8_t> filler(inputLength, behaviour.floodByte);
    if (!filler.empty()) filler[0] = 0;  // report ID
    Queue(std::move(filler), std::max(lastArrivalMs_, clock.NowMs()) + std::max(*behaviour.floodEveryMs, 0));
  }
  const std::int64_t deadlineMs = clock.NowMs() + std::max(timeoutMs, 0);
  if (inbound_.empty() || inbound_.front().arrivalMs > deadlineMs) {
    clock.Advance(deadlineMs - clock.NowMs());
    return std::nullopt;
  }
  clock.Advance(inbound_.front().arrivalMs - clock.NowMs());
  std::vector<std::uint8_t> report = std::move(inbound_.front().bytes);
  inbound_.pop_front();
  return report;
}

int SimulatedHidSystem::State::DiscardArrived() {
  int dropped = 0;
  while (!inbound_.empty() && inbound_.front().arrivalMs <= clock.NowMs()) {
    inbound_.pop_front();
    ++dropped;
  }
  return dropped;
}

}  // namespace magcfg::sim
