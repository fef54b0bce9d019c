// Writes magcfg-cli's manual page and shell completions from its option
// table, at build time, for Linux:
//   magcfg_cli_docs man TEMPLATE OUTPUT | bash OUTPUT | zsh OUTPUT | fish OUTPUT
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/docs_writer.h"
#include "cli/option_table.h"

int main(int argc, char** argv) {
  using namespace magcfg::cli;
  const std::string_view what = argc > 1 ? argv[1] : "";
  const bool man = what == "man";
  if (argc != (man ? 4 : 3)) {
    std::fprintf(stderr, "usage: magcfg_cli_docs man TEMPLATE OUTPUT | bash OUTPUT | zsh OUTPUT | fish OUTPUT\n");
    return 2;
  }
  std::string text;
  if (man) {
    std::ifstream in(argv[2], std::ios::binary);
    std::stringstream page;
    page << in.rdbuf();
    if (!in) {
      std::fprintf(stderr, "magcfg_cli_docs: cannot read %s\n", argv[2]);
      return 1;
    }
    text = ManualPage(page.str(), kLinux);
  } else if (what == "bash") {
    text = BashCompletion(kLinux);
  } else if (what == "zsh") {
    text = ZshCompletion(kLinux);
  } else if (what == "fish") {
    text = FishCompletion(kLinux);
  } else {
    std::fprintf(stderr, "magcfg_cli_docs: no such output: %s\n", argv[1]);
    return 2;
  }
  const char* path = argv[argc - 1];
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    std::fprintf(stderr, "magcfg_cli_docs: cannot write %s\n", path);
    return 1;
  }
  return 0;
}
