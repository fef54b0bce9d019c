#include "cli/systems.h"

namespace magcfg::cli {
namespace {

struct OneSystemOnly {
  std::string_view word;
  System system;
};

// swipes reads the reader's keyboard through evdev, and --grab takes that
// keyboard from the desktop; the printed rule is udev's, and --group goes
// into it.
constexpr OneSystemOnly kOneSystemOnly[] = {
    {"swipes", System::Linux},
    {"--grab", System::Linux},
    {"--print-udev-rules", System::Linux},
    {"--group", System::Linux},
};

std::string_view SystemName(System system) { return system == System::Windows ? "Windows" : "Linux"; }

}  // namespace

std::optional<std::string> NotAvailableOn(System system, std::string_view word) {
  for (const OneSystemOnly& only : kOneSystemOnly) {
    if (only.word == word && only.system != system) {
      return std::string(word) + " is not available on " + std::string(SystemName(system));
    }
  }
  return std::nullopt;
}

}  // namespace magcfg::cli
