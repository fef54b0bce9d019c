// The report exchange. Against a simulated reader that answers in real time,
// with its usual latencies, an exchange should take the reader's own time
// and little more: the floor sleeps through the same waits the reader's
// clock made, without the program. The program's own time per exchange,
// over a reader with no latency at all, is measured too, for information.
#include <benchmark/benchmark.h>

#include "bench/lean_window.h"
#include "bench/reader_waits.h"
#include "bench/without_pause.h"
#include "platform/simulated/simulated_hid.h"
#include "res/control_ids.h"
#include "ui/main_dialog.h"

namespace magcfg::bench {
namespace {

enum class Command { SetDevice, ReadCard };

sim::SimulatedReaderConfig ZeroLatencyReader() {
  sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
  config.reader.writeCompletion = sim::WriteCompletion::InsideCall;
  config.reader.writeDelayMs = 0;
  config.reader.replyDelayMs = 0;
  config.reader.reportIntervalMs = 0;
  return config;
}

// One dialog connected to the reader, as after Find Device (its pause left
// out); with recordWaits, the reader's waits are noted from then on.
struct Connected {
  explicit Connected(sim::SimulatedReaderConfig config, bool recordWaits = false)
      : sim(std::move(config)),
        recorder(sim, [this] { return sim.ElapsedMs(); }),
        hid(recordWaits ? static_cast<reader::HidSystem&>(recorder) : sim),
        dialog(window, hid, state) {
    dialog.OnInitDialog();
    dialog.OnFindDevice();
    recorder.Forget();
  }
  LeanWindow window;
  sim::SimulatedHidSystem sim;
  WaitRecorder recorder;
  WithoutPause hid;
  ModuleState state;
  MainDialog dialog;
};

void BM_SetDeviceExchangeOverhead(benchmark::State& state) {
  Connected bench(ZeroLatencyReader());
  if (!bench.dialog.ReaderOpen()) state.SkipWithError("reader not found");
  for (auto _ : state) {
    bench.dialog.OnSetDevice();
    bench.sim.ForgetObservations();  // keeps the record of writes from growing
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
    bench.sim.ForgetObservations();
  }
}
BENCHMARK(BM_CardReadExchangeOverhead);

// The reader with its usual latencies (1 ms write, 4 ms to the reply, 2 ms
// between reports) holding a full three-track swipe. A card read ends only
// when a further report fails to come within 50 ms.
struct Scenario : Connected {
  explicit Scenario(sim::Pacing pacing, bool recordWaits = false) : Connected(Config(pacing), recordWaits) {
    sim.Reader().Swipe(reader::CardSwipe::Good(std::string(76, '1'), std::string(37, '2'), std::string(104, '3')));
    window.SelectListEntry(ctl::kTrackSelection, 6);
  }
  static sim::SimulatedReaderConfig Config(sim::Pacing pacing) {
    sim::SimulatedReaderConfig config = sim::SaneReaderConfig();
    config.pacing = pacing;
    return config;
  }
  void Run(Command command) {
    if (command == Command::ReadCard) {
      dialog.OnReadCard();
    } else {
      dialog.OnSetDevice();
    }
    sim.ForgetObservations();
  }
};

Command CommandOf(const benchmark::State& state) { return state.range(0) == 1 ? Command::ReadCard : Command::SetDevice; }

// The waits of one exchange, in the simulated reader's clock.
std::vector<std::int64_t> ReaderWaits(Command command) {
  Scenario scenario(sim::Pacing::Virtual, true);
  scenario.Run(command);
  return scenario.recorder.Waits();
}

// The exchange in real time: the program around the reader's waits.
void BM_ExchangeInRealTime(benchmark::State& state) {
  const Command command = CommandOf(state);
  Scenario scenario(sim::Pacing::RealTime);
  if (!scenario.dialog.ReaderOpen()) state.SkipWithError("reader not found");
  const std::int64_t start = scenario.sim.ElapsedMs();
  for (auto _ : state) scenario.Run(command);
  // The floor is fair only if every exchange here waited as the recorded one did.
  std::int64_t floorMs = 0;
  for (const std::int64_t ms : ReaderWaits(command)) floorMs += ms;
  const std::int64_t waited = scenario.sim.ElapsedMs() - start;
  if (waited != floorMs * static_cast<std::int64_t>(state.iterations())) {
    state.SkipWithError("the reader waited otherwise than in the recorded exchange");
  }
  state.SetLabel(command == Command::ReadCard ? "card read, three tracks" : "Set Device");
  state.counters["reader_ms"] = static_cast<double>(floorMs);
}
BENCHMARK(BM_ExchangeInRealTime)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// The floor: the reader's own waits slept through, nothing else.
void BM_ReaderOwnTime(benchmark::State& state) {
  const Command command = CommandOf(state);
  const std::vector<std::int64_t> waits = ReaderWaits(command);
  if (waits.empty()) state.SkipWithError("the reader made no wait");
  for (auto _ : state) SleepThrough(waits);
  state.SetLabel(command == Command::ReadCard ? "card read, three tracks" : "Set Device");
}
BENCHMARK(BM_ReaderOwnTime)->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace magcfg::bench
