// Format settings from a JSON profile, with the option names as keys:
//   {"t1-start": "%", "t1-end": "?", "t2-start": ";", "t2-end": "?",
//    "t3-start": "+", "t3-end": null, "tracks": [1, 2, 3], "cr-after": "packet"}
// A sentinel is a one-character text, or "" or null for none. "tracks" and
// "cr-after" are arrays ([1, 3], ["packet"], []) or the texts the options
// take ("1,3", "packet", "none"). Comments are allowed; unknown keys are not,
// so a misspelt setting cannot pass unnoticed. Settings left out keep the
// factory values. The "format" object of set-format's JSON report is a
// profile of the format it sent.
#pragma once

#include <string>
#include <string_view>

#include "cli/checked.h"
#include "cli/format_options.h"

namespace magcfg::cli {

// Profiles are a few hundred bytes; anything past this is not one.
inline constexpr std::size_t kLargestProfile = 64 * 1024;

// The settings of a profile's text. Errors are one line, naming the setting.
Checked<FormatChoice> ParseProfile(std::string_view text);

// Reads and parses the file; errors start with the file's name.
Checked<FormatChoice> LoadProfile(const std::string& path);

}  // namespace magcfg::cli
