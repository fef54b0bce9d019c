// What the benchmarks of magcfg_bench are held to, judged on the median of
// ten repetitions. Most goals are ratios to a floor measured in the same
// run, the least work that reaches the same files or waits as long, so
// that a slow or loaded machine slows both sides alike.
#pragma once

#include <string_view>

namespace magcfg::bench {

struct RatioGoal {
  std::string_view benchmark;  // name as registered, arguments included
  std::string_view floor;      // the floor's name as registered
  double maxRatio;
  std::string_view what;
};

inline constexpr RatioGoal kRatioGoals[] = {
    {"BM_FindDevice/256", "BM_ReadSysfsFilesBare/256", 1.5,
     "Find Device, 256 interfaces / bare read of their files"},
    {"BM_ExchangeInRealTime/0", "BM_ReaderOwnTime/0", 1.2, "Set Device / the reader's own time"},
    {"BM_ExchangeInRealTime/1", "BM_ReaderOwnTime/1", 1.2, "card read / the reader's own time"},
};

// Absolute budgets, for the swipe capture only: it parses text already in
// memory, with no system call or wait beneath it that a floor could
// measure, and what matters is that a typed character is handled far
// faster than anyone types. The budgets are several times the figures, so
// noise does not break them; a pass that turned quadratic would.
struct Budget {
  std::string_view benchmark;  // name as registered (prefix match, so arguments may follow)
  double limitNs;              // per unit of work (the "units" counter, 1 without one)
  std::string_view what;
};

inline constexpr Budget kBudgets[] = {
    {"BM_SwipeCapturePerTypedCharacter", 1000.0, "swipe capture, per typed character"},
    {"BM_SwipeCapturePaste10k", 1'000'000.0, "swipe capture, a 10,000-character paste"},
};

}  // namespace magcfg::bench
