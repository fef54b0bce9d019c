// magcfg-cli's help, laid out from its option table: the whole help, one
// command's help, and the pieces the manual page is written from.
#pragma once

#include <string>
#include <vector>

#include "cli/option_table.h"

namespace magcfg::cli {

// Rows next to each other that share their help, shown as one entry.
struct OptionEntry {
  std::vector<const OptionInfo*> rows;
  std::string help;  // with the commands that take it, where the section's heading does not say them
};

struct OptionSection {
  std::string heading;  // without the colon
  std::vector<OptionEntry> entries;
};

// Every option of the systems given, as the whole help and the manual page
// list them.
std::vector<OptionSection> OptionSections(unsigned systems);

// The options one command takes on the systems given, in the table's order.
std::vector<OptionEntry> CommandOptions(Command command, unsigned systems);

// "--t1-start C", "--simulate[=N]", "-h, --help".
std::string OptionSynopsis(const OptionInfo& option);

// The commands of a set of CommandBit, as "set-format, preview and watch",
// or "every command but preview and swipes" when all but one or two take it;
// the commands of other systems than those given are left out.
std::string CommandsNamed(unsigned commands, unsigned systems);

// What the text output looks like; the same paragraph in the manual page.
std::string_view OutputParagraph();

// The whole help (--help), one command's help (COMMAND --help), and the few
// lines shown when magcfg-cli is run with no arguments.
std::string HelpText(unsigned systems = kEverySystem);
std::string CommandHelpText(Command command, unsigned systems = kEverySystem);
std::string ShortUsage();

}  // namespace magcfg::cli
