// The command line of magcfg-cli: any arguments through the parser, and, for
// the commands that need no reader, through the whole program with no HID
// services at all.
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/program.h"
#include "fuzz/fuzz_check.h"

namespace {

bool NamesAFile(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg.starts_with("--profile")) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace magcfg;
  // Arguments separated by 0x00, at most 64 of them.
  std::vector<std::string> args;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= size && args.size() < 64; ++i) {
    if (i < size && data[i] != 0) continue;
    args.emplace_back(reinterpret_cast<const char*>(data + start), i - start);
    start = i + 1;
  }

  const cli::Checked<cli::Invocation> parsed = cli::ParseArguments(args);
  if (!parsed) {
    FUZZ_CHECK(!parsed.error.empty());
    FUZZ_CHECK(parsed.error.find('\n') == std::string::npos);
    FUZZ_CHECK(parsed.error.find('\x1B') == std::string::npos);
    FUZZ_CHECK(parsed.error.size() <= 600);
  } else if (parsed.value->choice == cli::ReaderChoice::Path) {
    FUZZ_CHECK(!parsed.value->path.empty());
  }
  // A profile would be read from the file system: the profile has a target
  // of its own.
  if (NamesAFile(args)) return 0;

  // No HID services: every reader command ends at once; preview, help and
  // the udev rule run whole.
  std::ostringstream out, err;
  const int exit = cli::RunProgram(args, cli::HidSystems{}, out, err);
  FUZZ_CHECK(exit >= 0 && exit <= 6);
  FUZZ_CHECK(static_cast<bool>(parsed) || exit == 2);
  if (exit == 2) {
    FUZZ_CHECK(out.str().empty());
    const std::string error = err.str();
    FUZZ_CHECK(!error.empty() && error.back() == '\n');
    FUZZ_CHECK(error.find('\n') == error.size() - 1);
    FUZZ_CHECK(error.find('\x1B') == std::string::npos);
    FUZZ_CHECK(error.size() <= 700);
  }
  return 0;
}
