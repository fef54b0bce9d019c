// The udev rule that --print-udev-rules prints: the shipped file, which gives
// the reader's nodes to the user at the seat alone, or, asked for by name,
// the same rule with a group given read and write on them as well.
#pragma once

#include <string>
#include <string_view>

namespace magcfg::cli {

// A name that may stand in the rule as its group: 1 to 32 characters from
// the portable set (letters, digits, '_', '.', '-'), the first a letter or
// '_'. Quotes, backslashes, blanks and udev's substitutions ('$', '%') can
// thus never reach the rule text, and a name of digits is never taken for a
// group number.
bool IsRuleGroupName(std::string_view name);

// rules: the shipped rule file. Each rule keeps its match and its uaccess
// tag, and gives its node to group (mode 0660) instead of root alone; the
// comments are replaced by one saying what that grants. group must pass
// IsRuleGroupName.
std::string UdevRulesWithGroup(std::string_view rules, std::string_view group);

}  // namespace magcfg::cli
