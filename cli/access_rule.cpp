#include "cli/access_rule.h"

namespace magcfg::cli {
namespace {

constexpr std::size_t kLongestGroupName = 32;
constexpr std::string_view kRootAlone = R"(GROUP="root", MODE="0600")";

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool IsRuleGroupName(std::string_view name) {
  if (name.empty() || name.size() > kLongestGroupName) return false;
  if (!IsLetter(name[0]) && name[0] != '_') return false;
  for (const char c : name) {
    if (!IsLetter(c) && !(c >= '0' && c <= '9') && c != '_' && c != '.' && c != '-') return false;
  }
  return true;
}

std::string UdevRulesWithGroup(std::string_view rules, std::string_view group) {
  const std::string name(group);
  std::string text =
      "# magcfg: the magnetic-stripe reader's hidraw node and its own keyboard\n"
      "# (vendor 5131, product 2007) for the user at the seat (uaccess) and for\n";
  text += "# group " + name + " (read and write), as made by\n";
  text += "# magcfg-cli --print-udev-rules --group " + name + ".\n";
  text += "# Every member of group " + name + " can read the card numbers swiped at the seat.\n";
  while (!rules.empty()) {
    const std::size_t end = rules.find('\n');
    std::string line(rules.substr(0, end));
    rules.remove_prefix(end == std::string_view::npos ? rules.size() : end + 1);
    if (line.empty() || line[0] == '#') continue;
    const std::size_t at = line.find(kRootAlone);
    if (at != std::string::npos) line.replace(at, kRootAlone.size(), "GROUP=\"" + name + "\", MODE=\"0660\"");
    text += line + '\n';
  }
  return text;
}

}  // namespace magcfg::cli
