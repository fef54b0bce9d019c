#include "bench/verdict.h"

#include <cstdio>

namespace magcfg::bench {

std::string Format(double value, Unit unit) {
  char text[32];
  if (unit == Unit::Megabytes) {
    std::snprintf(text, sizeof text, "%.1f MB", value);
  } else if (value >= 1e6) {
    std::snprintf(text, sizeof text, "%.2f ms", value / 1e6);
  } else if (value >= 1e3) {
    std::snprintf(text, sizeof text, "%.2f us", value / 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.0f ns", value);
  }
  return text;
}

Verdicts::Verdicts(std::string_view program) : program_(program) {
  std::printf("\n%-56s %11s %11s %11s %8s  %s\n", "goal", "median", "spread", "floor", "ratio", "verdict");
}

void Verdicts::Ratio(std::string_view what, Figure measured, Figure floor, double maxRatio, Unit unit) {
  const double ratio = floor.median > 0 ? measured.median / floor.median : 0;
  const bool met = floor.median > 0 && ratio <= maxRatio;
  std::printf("%-56.*s %11s %11s %11s %7.2fx  ", static_cast<int>(what.size()), what.data(),
              Format(measured.median, unit).c_str(), Format(measured.spread, unit).c_str(),
              Format(floor.median, unit).c_str(), ratio);
  if (met) {
    std::printf("met (goal %.2fx)\n", maxRatio);
  } else {
    std::printf("BROKEN: goal %.2fx, missed by %.2fx (%.0f%%)\n", maxRatio, ratio - maxRatio,
                100.0 * (ratio / maxRatio - 1.0));
    ++broken_;
  }
}

void Verdicts::NotRun(std::string_view what) {
  std::printf("%-56.*s NOT RUN\n", static_cast<int>(what.size()), what.data());
  ++broken_;
}

int Verdicts::Finish() const {
  if (broken_ > 0) {
    std::printf("%s: %d goal(s) broken\n", program_.c_str(), broken_);
    return 1;
  }
  std::printf("%s: every goal met\n", program_.c_str());
  return 0;
}

}  // namespace magcfg::bench
