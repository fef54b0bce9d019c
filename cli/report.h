// How results are printed: text for people (results on standard output,
// failures on standard error, each line led by the reader's path when
// several readers were served) or JSON for scripts (all on standard output).
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "cli/runner.h"
#include "reader/card_swipe.h"
#include "reader/discovery.h"

namespace magcfg::cli {

// The message of a report for a text line: the catalogue's texts that exist
// only in Chinese are followed by their meaning in English.
std::string TextMessage(const ReaderReport& report);

// withPaths: lines led by the path, and JSON as an array (--all).
// wholeCardData: tracks read are shown with their card numbers whole.
void PrintReports(std::span<const ReaderReport> reports, const CommandRequest& request, bool withPaths, bool json,
                  bool wholeCardData, std::ostream& out, std::ostream& err);

// The readers attached: path and version number, in hexadecimal as the
// window shows it, and the reader's keyboard nodes (keyboards[i] for
// readers[i]; text shows them only when there are some).
void PrintReaderList(std::span<const reader::ReaderInfo> readers,
                     std::span<const std::vector<std::string>> keyboards, bool json, std::ostream& out);

// typed: what the reader types (bytes, Enter as a line feed), nullopt when
// it would refuse the format. The swipe's card numbers are masked already
// unless they are to be shown.
void PrintPreview(const reader::OutputFormat& format, const reader::CardSwipe& swipe,
                  const std::optional<std::string>& typed, bool json, std::ostream& out, std::ostream& err);

}  // namespace magcfg::cli
