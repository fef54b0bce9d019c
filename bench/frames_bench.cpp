// Building request frames and decoding replies, per call.
#include <benchmark/benchmark.h>

#include <vector>

#include "reader/frames.h"
#include "reader/replies.h"

namespace magcfg::bench {
namespace {

void BM_BuildFormatFrame(benchmark::State& state) {
  reader::OutputFormat format;
  format.sentinels = {"%", "?", ";", "?", "+", "?"};
  format.outputTrack = {true, true, true};
  format.crAfterPacket = true;
  for (auto _ : state) {
    const auto payload = reader::FormatPayload(format);
    benchmark::DoNotOptimize(reader::BuildOutputReport(reader::CommandCode::SetFormat, payload, 65));
  }
}
BENCHMARK(BM_BuildFormatFrame);

void BM_ExtractVersionText(benchmark::State& state) {
  std::vector<std::uint8_t> reply(1024, 0);
  const std::uint8_t bytes[] = {0, 2, 5, 'V', '1', '.', '0', '2', 3};
  std::copy(std::begin(bytes), std::end(bytes), reply.begin());
  for (auto _ : state) benchmark::DoNotOptimize(reader::ExtractVersionText(reply, 65));
}
BENCHMARK(BM_ExtractVersionText);

// Sixteen full reports gathered and decoded: the largest card-read reply.
void BM_CollectAndDecodeCardReply16Reports(benchmark::State& state) {
  std::vector<std::uint8_t> stream = {2, 8, 'Y', 127};
  stream.resize(4 + 127, '1');
  stream.push_back(127);
  stream.resize(stream.size() + 127, '2');
  stream.push_back(127);
  stream.resize(stream.size() + 127, '3');
  stream.resize(16 * 64, 0);
  std::vector<std::vector<std::uint8_t>> reports;
  for (std::size_t at = 0; at < stream.size(); at += 64) {
    std::vector<std::uint8_t> report(65, 0);
    std::copy_n(stream.begin() + at, 64, report.begin() + 1);
    reports.push_back(report);
  }
  for (auto _ : state) {
    reader::CardReplyCollector collector;
    for (const auto& report : reports) collector.Add(report);
    benchmark::DoNotOptimize(reader::DecodeCardReply(collector.Buffer()));
  }
}
BENCHMARK(BM_CollectAndDecodeCardReply16Reports);

}  // namespace
}  // namespace magcfg::bench
