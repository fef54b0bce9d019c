#include "tests/e2e/reader/reader_script.h"

#include <charconv>
#include <string>

namespace magcfg::e2e {
namespace {

std::optional<int> NumberAfter(std::string_view line, std::string_view word, int highest) {
  if (line.size() <= word.size() + 1 || !line.starts_with(word) || line[word.size()] != ' ') return std::nullopt;
  const std::string_view digits = line.substr(word.size() + 1);
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size() || value < 0 || value > highest) return std::nullopt;
  return value;
}

}  // namespace

std::optional<ReaderScript> ParseReaderScript(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
  ReaderScript script;
  if (line == "normal" || line.empty()) return script;
  if (line == "silent") return ReaderScript{ReaderScript::Kind::Silent};
  if (line == "unplug") return ReaderScript{ReaderScript::Kind::Unplug};
  if (line == "vanish") return ReaderScript{ReaderScript::Kind::Vanish};
  if (line == "swipe-demo") script.swipe = ReaderScript::Swipe::Demo;
  if (line == "swipe-failed") script.swipe = ReaderScript::Swipe::Failed;
  if (line == "swipe-none") script.swipe = ReaderScript::Swipe::None;
  if (script.swipe != ReaderScript::Swipe::Keep) return script;
  if (const auto ms = NumberAfter(line, "late", 60000)) return ReaderScript{ReaderScript::Kind::Late, *ms};
  if (const auto count = NumberAfter(line, "flood", 10000)) return ReaderScript{ReaderScript::Kind::Flood, 0, *count};
  return std::nullopt;
}

}  // namespace magcfg::e2e
