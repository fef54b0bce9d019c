// The speed budgets the benchmarks are held to. A benchmark's median over
// its repetitions, divided by the units of work one iteration does (its
// "units" counter, 1 when it has none), must stay under its budget.
#pragma once

#include <string_view>

namespace magcfg::bench {

struct Budget {
  std::string_view benchmark;  // name as registered (prefix match, so arguments may follow)
  double limitNs;              // per unit of work
  std::string_view unit;
};

inline constexpr Budget kBudgets[] = {
    {"BM_SwipeCapturePerTypedCharacter", 1000.0, "typed character"},
    {"BM_SwipeCapturePaste10k", 1'000'000.0, "10,000-character paste"},
    {"BM_SetDeviceExchangeOverhead", 100'000.0, "Set Device exchange"},
    {"BM_CardReadExchangeOverhead", 100'000.0, "16-report card read"},
    {"BM_FindDevice/256", 10'000'000.0, "Find Device over 256 interfaces"},
};

}  // namespace magcfg::bench
