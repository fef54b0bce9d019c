// The swipe capture: the cost of one typed character, and of a long paste.
#include <benchmark/benchmark.h>

#include "bench/lean_window.h"
#include "res/control_ids.h"
#include "ui/swipe_capture.h"

namespace magcfg::bench {
namespace {

const std::string kSwipe = "%B4111111111111111^DOE/JOHN^2512101000000000?;4111111111111111=25121010000000000?+0123456789?\n";

// One parse per character, as the reader types a whole swipe; the figure is
// per character.
void BM_SwipeCapturePerTypedCharacter(benchmark::State& state) {
  LeanWindow window;
  SentinelSet sentinels;
  SwipeCapture capture;
  std::string box;
  for (auto _ : state) {
    for (char c : kSwipe) {
      box.push_back(c);
      window.SetText(ctl::kSwipeBox, box);
      capture.OnSwipeBoxChange(window, sentinels);
      box = window.GetText(ctl::kSwipeBox);  // the parse may have emptied it
    }
    box.clear();
  }
  state.counters["units"] = static_cast<double>(kSwipe.size());
}
BENCHMARK(BM_SwipeCapturePerTypedCharacter);

// A 10,000-character text pasted in one change: one parse over the whole text.
void BM_SwipeCapturePaste10k(benchmark::State& state) {
  LeanWindow window;
  SentinelSet sentinels;
  SwipeCapture capture;
  std::string paste;
  while (paste.size() < 10000) paste += kSwipe;
  paste.resize(10000);
  for (auto _ : state) {
    window.SetText(ctl::kSwipeBox, paste);
    capture.OnSwipeBoxChange(window, sentinels);
  }
}
BENCHMARK(BM_SwipeCapturePaste10k);

}  // namespace
}  // namespace magcfg::bench
