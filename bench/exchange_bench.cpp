// The program's own time per report exchange, over the simulated reader with
// no device latency: what the exchange, the frames and the reply decoding
// cost beyond the reader's own time. The reader's time (the waits the
// protocol fixes) is measured separately, in the simulated reader's clock.
#include <benchmark/benchmark.h>

#include "bench/lean_window.h"
#include "platform/simulated/simulated_hid.h"
#include "ui/main_dialog.h"

namespace magcfg::bench {
namespace {

sim::SimulatedReaderConfig ZeroLatencyReader() {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.writeCompletion = sim::WriteCompletion::InsideCall;
  config.reader.writeDelayMs = 0;
  config.reader.replyDelayMs = 0;
  config.reader.reportIntervalMs = 0;
  return config;
}

// One dialog connected to the reader, as after Find Device.
struct Connected {
  explicit Connected(sim::SimulatedReaderConfig config) : hid(std::move(config)), dialog(window, hid, state) {
    dialog.OnInitDialog();
    dialog.OnFindDevice();
  }
  LeanWindow window;
  sim::SimulatedHidSystem hid;
  ModuleState state;
  MainDialog dialog;
};

void BM_SetDeviceExchangeOverhead(benchmark::State& state) {
  Connected bench(ZeroLatencyReader());
  if (!bench.dialog.ReaderOpen()) state.SkipWithError("reader not found");
  for (auto _ : state) {
    bench.dialog.OnSetDevice();
    bench.hid.ForgetObservations();  // keeps the record of writes from growing
  }
}
BENCHMARK(BM_SetDeviceExchangeOverhead);

// The largest card-read reply: 16 reports gathered, then decoded.
void BM_CardReadExchangeOverhead(benchmark::State& state) {
  sim::SimulatedReaderConfig config = ZeroLatencyReader();
  std::vector<std::uint8_t> first(65, '7');
  first[0] = 0;
  first[1] = 0x02;
  first[2] = 0x08;  // 256 * 2 + 8 = 520: a reply to collect
  first[3] = 'Y';
  first[4] = 100;
  config.reader.scriptedReply.assign(16, std::vector<std::uint8_t>(65, '8'));
  config.reader.scriptedReply[0] = first;
  for (std::size_t i = 1; i < 16; ++i) config.reader.scriptedReply[i][0] = 0;
  Connected bench(std::move(config));
  if (!bench.dialog.ReaderOpen()) state.SkipWithError("reader not found");
  for (auto _ : state) {
    bench.dialog.OnReadCard();
    bench.hid.ForgetObservations();
  }
}
BENCHMARK(BM_CardReadExchangeOverhead);

// The reader's own time, as the protocol fixes it, with the simulated
// reader's usual latencies (1 ms write, 4 ms to the reply, 2 ms between
// reports): Set Device, and a card read of a full three-track swipe, which
// ends only when a further report fails to come within 50 ms.
void BM_ProtocolWaits(benchmark::State& state) {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  Connected bench(std::move(config));
  bench.hid.Reader().Swipe(sim::CardSwipe::Good(std::string(76, '1'), std::string(37, '2'), std::string(104, '3')));
  bench.window.SelectListEntry(1038, 6);
  const bool cardRead = state.range(0) == 1;
  const std::int64_t start = bench.hid.ElapsedMs();
  for (auto _ : state) {
    if (cardRead) {
      bench.dialog.OnReadCard();
    } else {
      bench.dialog.OnSetDevice();
    }
    bench.hid.ForgetObservations();
  }
  state.SetLabel(cardRead ? "card read, three tracks" : "Set Device");
  state.counters["protocol_ms"] =
      static_cast<double>(bench.hid.ElapsedMs() - start) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ProtocolWaits)->Arg(0)->Arg(1);

}  // namespace
}  // namespace magcfg::bench
