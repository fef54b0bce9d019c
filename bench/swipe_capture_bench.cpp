// The swipe capture: the cost of one typed character, and of a long paste.
#include <benchmark/benchmark.h>

#include "bench/lean_window.h"
#include "res/control_ids.h"
#include "ui/swipe_capture.h"

namespace magcfg::bench {
namespace {

const std::string kSwipe = "%B4111111111111111^DOE/JOHN^2512101000000000?;4111111111111111=25121010000000000?+0123456789?\n";

// One parse per character, as the reader types a whole swipe. With parse
// off it is the floor: the same typing into the box without the capture.
template <bool parse>
void TypeSwipe(benchmark::State& state) {
  LeanWindow window;
  SentinelSet sentinels;
  SwipeCapture capture;
  std::string box;
  for (auto _ : state) {
    for (char c : kSwipe) {
      box.push_back(c);
      window.SetText(ctl::kSwipeBox, box);
      if constexpr (parse) capture.OnSwipeBoxChange(window, sentinels);
      box = window.GetText(ctl::kSwipeBox);  // the parse may have emptied it
    }
    box.clear();
  }
}
void BM_SwipeCaptureTyped(benchmark::State& state) { TypeSwipe<true>(state); }
void BM_SwipeBoxTypedBare(benchmark::State& state) { TypeSwipe<false>(state); }
BENCHMARK(BM_SwipeCaptureTyped);
BENCHMARK(BM_SwipeBoxTypedBare);

// A 10,000-character text pasted in one change: one parse over the whole
// text. The floor puts the same text in the box and reads it back once.
template <bool parse>
void PasteText(benchmark::State& state) {
  LeanWindow window;
  SentinelSet sentinels;
  SwipeCapture capture;
  std::string paste;
  while (paste.size() < 10000) paste += kSwipe;
  paste.resize(10000);
  for (auto _ : state) {
    window.SetText(ctl::kSwipeBox, paste);
    if constexpr (parse) {
      capture.OnSwipeBoxChange(window, sentinels);
    } else {
      benchmark::DoNotOptimize(window.GetText(ctl::kSwipeBox));
    }
  }
}
void BM_SwipeCapturePaste10k(benchmark::State& state) { PasteText<true>(state); }
void BM_SwipeBoxPaste10kBare(benchmark::State& state) { PasteText<false>(state); }
BENCHMARK(BM_SwipeCapturePaste10k);
BENCHMARK(BM_SwipeBoxPaste10kBare);

}  // namespace
}  // namespace magcfg::bench
