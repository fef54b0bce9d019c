#include "cli/profile.h"

#include <algorithm>
#include <charconv>
#include <set>
#include <vector>
#include <nlohmann/json.hpp>

#include "cli/visible_text.h"
#include "platform/file_read.h"

namespace magcfg::cli {
namespace {

using nlohmann::json;

// What the parser last read, with its own names for the control characters
// in it ("<U+001B>") turned back into those characters, so that they are
// made visible once, as everything else echoed.
std::string TokenRead(std::string_view token) {
  std::string text;
  while (!token.empty()) {
    unsigned code = 0x20;
    if (token.size() >= 8 && token.starts_with("<U+") && token[7] == '>') {
      const auto [end, error] = std::from_chars(token.data() + 3, token.data() + 7, code, 16);
      if (error != std::errc() || end != token.data() + 7) code = 0x20;
    }
    if (code < 0x20) {
      text.push_back(static_cast<char>(code));
      token.remove_prefix(8);
    } else {
      text.push_back(token.front());
      token.remove_prefix(1);
    }
  }
  return text;
}

// "[json.exception.parse_error.101] parse error at line 1, ..." without the
// bracketed tag, on one line. What the parser last read is cut short: it may
// be a whole long string of the file. The parser's own words follow it
// ("; expected end of input").
std::string OneLine(std::string_view what) {
  if (what.starts_with("[json.exception.")) {
    const std::size_t end = what.find("] ");
    if (end != std::string_view::npos) what.remove_prefix(end + 2);
  }
  constexpr std::string_view kLastRead = "; last read: '";
  constexpr std::string_view kExpected = "'; expected ";
  const std::size_t lastRead = what.find(kLastRead);
  std::string line(what.substr(0, lastRead));
  if (lastRead != std::string_view::npos) {
    std::string_view token = what.substr(lastRead + kLastRead.size());
    std::string_view after;
    if (const std::size_t expected = token.rfind(kExpected); expected != std::string_view::npos) {
      after = token.substr(expected + 1);
      token = token.substr(0, expected);
    } else if (token.ends_with('\'')) {
      token.remove_suffix(1);
    }
    line += "; last read: " + Quoted(TokenRead(token)) + std::string(after);
  }
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return line;
}

// A value in a message: short scalars as written, a text cut short, and
// arrays and objects by their type, never dumped whole.
std::string Described(const json& value) {
  if (value.is_string()) return "\"" + Echoed(value.get_ref<const std::string&>()) + "\"";
  if (value.is_array()) return "an array";
  if (value.is_object()) return "an object";
  return value.dump();  // a number, true, false or null
}

// Settings sit one level inside the object, list items two: anything much
// deeper is not a profile, and is refused before it is built.
constexpr int kDeepestNesting = 8;
struct TooDeep {};
// A key given twice in one object, as it reads once decoded: the parser
// would keep the last one silently.
struct GivenTwice {
  std::string key;
};

// A list setting given as an array becomes the text the option takes.
Checked<std::string> ListText(const json& value, std::string_view key, bool packetAllowed) {
  const std::string expected = packetAllowed ? "an array of tracks and \"packet\", or a text like \"1,3\""
                                             : "an array of tracks, or a text like \"1,2,3\"";
  if (value.is_string()) return Checked<std::string>::Ok(value.get<std::string>());
  if (!value.is_array()) return Checked<std::string>::Fail(std::string(key) + ": expected " + expected);
  std::string text;
  for (const json& item : value) {
    if (!text.empty()) text += ',';
    if (item.is_number_integer()) {
      text += item.dump();  // as written, whether signed or not
    } else if (packetAllowed && item.is_string() && item.get<std::string>() == "packet") {
      text += "packet";
    } else {
      return Checked<std::string>::Fail(std::string(key) + ": " + Described(item) + " is not a track" +
                                        (packetAllowed ? " or \"packet\"" : ""));
    }
  }
  if (text.empty()) text = packetAllowed ? "none" : "";
  return Checked<std::string>::Ok(text);
}

template <typename T>
bool Take(Checked<T> parsed, std::string_view key, std::optional<T>& into, std::string& error) {
  if (!parsed) {
    error = std::string(key) + ": " + parsed.error;
    return false;
  }
  into = std::move(parsed.value);
  return true;
}

}  // namespace

Checked<FormatChoice> ParseProfile(std::string_view text) {
  // The parser would stop at a NUL byte and take what came before it.
  const std::size_t nul = text.find('\0');
  if (nul != std::string_view::npos) {
    return Checked<FormatChoice>::Fail("a NUL byte at byte " + std::to_string(nul + 1) +
                                       "; a profile is JSON text");
  }
  json root;
  std::vector<std::set<std::string>> keys;  // of each object being read, the innermost last
  const json::parser_callback_t bounded = [&keys](int depth, json::parse_event_t event, json& parsed) {
    const bool opens = event == json::parse_event_t::object_start || event == json::parse_event_t::array_start;
    if (opens && depth >= kDeepestNesting) throw TooDeep{};
    if (event == json::parse_event_t::object_start) keys.emplace_back();
    if (event == json::parse_event_t::object_end && !keys.empty()) keys.pop_back();
    if (event == json::parse_event_t::key && !keys.empty() && parsed.is_string() &&
        !keys.back().insert(parsed.get<std::string>()).second) {
      throw GivenTwice{parsed.get<std::string>()};
    }
    return true;
  };
  try {
    root = json::parse(text, bounded, /*allow_exceptions=*/true, /*ignore_comments=*/true);
  } catch (const json::exception& e) {
    return Checked<FormatChoice>::Fail(OneLine(e.what()));
  } catch (const GivenTwice& twice) {
    return Checked<FormatChoice>::Fail("\"" + Echoed(twice.key) + "\" given twice");
  } catch (const TooDeep&) {
    return Checked<FormatChoice>::Fail("arrays or objects nested more than " + std::to_string(kDeepestNesting) +
                                       " deep; a profile is one object of settings");
  }
  if (!root.is_object()) return Checked<FormatChoice>::Fail("a profile is a JSON object of settings");

  FormatChoice choice;
  std::string error;
  for (const auto& [key, value] : root.items()) {
    bool ok = true;
    const auto sentinel = std::find(kSentinelNames.begin(), kSentinelNames.end(), key);
    if (sentinel != kSentinelNames.end()) {
      auto& slot = choice.sentinels[static_cast<std::size_t>(sentinel - kSentinelNames.begin())];
      if (value.is_null()) {
        slot = "";
      } else if (value.is_string()) {
        ok = Take(ParseSentinel(value.get<std::string>()), key, slot, error);
      } else {
        error = key + ": expected a one-character text, or \"\" or null for none";
        ok = false;
      }
    } else if (key == "tracks" || key == "cr-after") {
      const bool returns = key == "cr-after";
      const Checked<std::string> list = ListText(value, key, returns);
      if (!list) {
        error = list.error;
        ok = false;
      } else if (returns) {
        ok = Take(ParseCarriageReturns(*list.value), key, choice.carriageReturns, error);
      } else {
        ok = Take(ParseTrackList(*list.value), key, choice.tracks, error);
      }
    } else {
      error = "unknown setting \"" + Echoed(key) + "\"" +
              " (settings: t1-start, t1-end, t2-start, t2-end, t3-start, t3-end, tracks, cr-after)";
      ok = false;
    }
    if (!ok) return Checked<FormatChoice>::Fail(error);
  }
  return Checked<FormatChoice>::Ok(choice);
}

namespace {

// How long a pipe's writer may take to write the profile.
constexpr int kPipeWaitMs = 2000;

Checked<std::string> ReadProfileFile(const std::string& path) {
  using Result = Checked<std::string>;
  using Outcome = platform::SmallFile::Outcome;
  platform::SmallFile file = platform::ReadSmallFile(path, kLargestProfile, kPipeWaitMs);
  switch (file.outcome) {
    case Outcome::Read: return Result::Ok(std::move(file.text));
    case Outcome::SystemError: return Result::Fail(file.error);
    case Outcome::NotAFile: return Result::Fail("not a regular file or a pipe");
    case Outcome::TooLarge:
      return Result::Fail("larger than " + std::to_string(kLargestProfile) + " bytes, not a profile");
    case Outcome::PipeSilent:
      return Result::Fail("nothing came through the pipe within " + std::to_string(kPipeWaitMs / 1000) + " s");
    case Outcome::PipeNoWriter: return Result::Fail("a pipe with nothing written to it (no writer)");
  }
  return Result::Fail(file.error);
}

}  // namespace

Checked<FormatChoice> LoadProfile(const std::string& path) {
  const auto fail = [&](const std::string& why) {
    return Checked<FormatChoice>::Fail(Echoed(path, kEchoedPathCharacters) + ": " + why);
  };
  const Checked<std::string> text = ReadProfileFile(path);
  if (!text) return fail(text.error);
  Checked<FormatChoice> parsed = ParseProfile(*text.value);
  if (!parsed) return fail(parsed.error);
  return parsed;
}

}  // namespace magcfg::cli
