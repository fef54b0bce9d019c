#include "cli/profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <nlohmann/json.hpp>

namespace magcfg::cli {
namespace {

using nlohmann::json;

// "[json.exception.parse_error.101] parse error at line 1, ..." without the
// bracketed tag, on one line.
std::string OneLine(std::string_view what) {
  if (what.starts_with("[json.exception.")) {
    const std::size_t end = what.find("] ");
    if (end != std::string_view::npos) what.remove_prefix(end + 2);
  }
  std::string line(what);
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return line;
}

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
      text += std::to_string(item.get<long long>());
    } else if (packetAllowed && item.is_string() && item.get<std::string>() == "packet") {
      text += "packet";
    } else {
      return Checked<std::string>::Fail(std::string(key) + ": " + OneLine(item.dump()) + " is not a track" +
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
  json root;
  try {
    root = json::parse(text, nullptr, /*allow_exceptions=*/true, /*ignore_comments=*/true);
  } catch (const json::exception& e) {
    return Checked<FormatChoice>::Fail(OneLine(e.what()));
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
      error = "unknown setting " + OneLine(json(key).dump()) +
              " (settings: t1-start, t1-end, t2-start, t2-end, t3-start, t3-end, tracks, cr-after)";
      ok = false;
    }
    if (!ok) return Checked<FormatChoice>::Fail(error);
  }
  return Checked<FormatChoice>::Ok(choice);
}

Checked<FormatChoice> LoadProfile(const std::string& path) {
  const auto fail = [&](const std::string& why) { return Checked<FormatChoice>::Fail(path + ": " + why); };
  errno = 0;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return fail(std::strerror(errno != 0 ? errno : ENOENT));
  std::string text;
  char chunk[4096];
  while (true) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
    text.append(chunk, got);
    if (text.size() > kLargestProfile) return fail("larger than " + std::to_string(kLargestProfile) + " bytes, not a profile");
    if (got < sizeof chunk) break;
  }
  if (std::ferror(file.get())) return fail(std::strerror(errno != 0 ? errno : EIO));
  Checked<FormatChoice> parsed = ParseProfile(text);
  if (!parsed) return fail(parsed.error);
  return parsed;
}

}  // namespace magcfg::cli
