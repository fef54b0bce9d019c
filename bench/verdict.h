// The verdict lines every benchmark program ends with: each goal's figures,
// whether it was met and, when not, by how much it was missed. The absolute
// figures are printed beside the ratios, for information.
#pragma once

#include <string>
#include <string_view>

namespace magcfg::bench {

enum class Unit { Nanoseconds, Megabytes };

// A median over repetitions and its spread (standard deviation).
struct Figure {
  double median = 0;
  double spread = 0;
};

class Verdicts {
 public:
  explicit Verdicts(std::string_view program);

  // Met when measured.median / floor.median is at most maxRatio.
  void Ratio(std::string_view what, Figure measured, Figure floor, double maxRatio, Unit unit);
  // A goal whose benchmark or floor did not run counts as broken: it would
  // otherwise pass unseen.
  void NotRun(std::string_view what);

  int Broken() const { return broken_; }
  // Prints the closing line; the program's exit status (1 when a goal was broken).
  int Finish() const;

 private:
  std::string program_;
  int broken_ = 0;
};

// "7.42 ms", "312 ns", "32.5 MB".
std::string Format(double value, Unit unit);

}  // namespace magcfg::bench
