#include "cli/report.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/format_options.h"
#include "cli/visible_text.h"
#include "reader/card_data.h"
#include "text/text_codec.h"

namespace magcfg::cli {
namespace {

using Json = nlohmann::ordered_json;

struct Gloss {
  MessageKey key;
  const char* english;
};
constexpr Gloss kGlosses[] = {
    {MessageKey::ActiveModeSet, "active upload mode set"},
    {MessageKey::PassiveModeSet, "passive upload mode set"},
    {MessageKey::NoSwipe, "no swipe"},
    {MessageKey::SwipeFailed, "swipe failed"},
    {MessageKey::SwipeOk, "swipe OK"},
    {MessageKey::BlankTrack, "blank track"},
};

std::string WithGloss(MessageKey key) {
  std::string text(MessageText(key, UiLanguage::English));
  for (const Gloss& gloss : kGlosses) {
    if (gloss.key == key) return text + " (" + gloss.english + ")";
  }
  return text;
}

std::string Dump(const Json& json) {
  return json.dump(2, ' ', /*ensure_ascii=*/false, Json::error_handler_t::replace) + "\n";
}

// Bytes to UTF-8, each byte the character of that value; zero bytes kept.
std::string BytesAsUtf8(std::string_view bytes) {
  std::string text;
  for (const char byte : bytes) AppendUtf8(text, static_cast<unsigned char>(byte));
  return text;
}

// A track read, its card numbers masked unless they are to be shown whole.
std::string ShownTrack(std::size_t index, const std::string& utf8, bool whole) {
  return EncodeUtf8(reader::CardTrack(static_cast<int>(index) + 1, DecodeUtf8(utf8)).Shown(whole));
}

Json TrackNumbers(const std::array<bool, 3>& tracks) {
  Json list = Json::array();
  for (int i = 0; i < 3; ++i) {
    if (tracks[i]) list.push_back(i + 1);
  }
  return list;
}

// The format as a profile holds it, so that it can be read back as one.
Json FormatJson(const reader::OutputFormat& format) {
  Json json = Json::object();
  for (std::size_t i = 0; i < 6; ++i) {
    const std::string& sentinel = format.sentinels[i];
    json[std::string(kSentinelNames[i])] = sentinel.empty() ? Json(nullptr) : Json(sentinel);
  }
  json["tracks"] = TrackNumbers(format.outputTrack);
  json["cr-after"] = format.crAfterPacket ? Json("packet") : TrackNumbers(format.crAfterTrack);
  return json;
}

std::string PayloadHex(const reader::OutputFormat& format) {
  const std::array<std::uint8_t, 8> payload = reader::FormatPayload(format);
  return Hex(payload);
}

const char* CardStatusName(CardStatus status) {
  switch (status) {
    case CardStatus::NoSwipe: return "no-swipe";
    case CardStatus::SwipeFailed: return "swipe-failed";
    case CardStatus::SwipeOk: return "swipe-ok";
  }
  return "?";
}

Json ReportJson(const ReaderReport& report, const CommandRequest& request, bool wholeCardData) {
  Json json = Json::object();
  json["path"] = report.path ? Json(*report.path) : Json(nullptr);
  json["command"] = CommandName(request.command);
  json["outcome"] = OutcomeName(report.exit);
  json["exit"] = AsInt(report.exit);
  json["message"] = report.message;
  json["notices"] = report.notices;
  switch (request.command) {
    case Command::SetFormat:
      json["format"] = FormatJson(request.format);
      json["payload"] = PayloadHex(request.format);
      break;
    case Command::Mode: json["mode"] = request.mode == UploadMode::Active ? "active" : "passive"; break;
    case Command::Status:
      json["cardStatus"] = report.cardStatus ? Json(CardStatusName(*report.cardStatus)) : Json(nullptr);
      break;
    case Command::Read:
      json["trackSelection"] = request.trackSelection;
      if (report.tracks) {
        Json tracks = Json::array();
        for (std::size_t i = 0; i < 3; ++i) {
          const auto& track = (*report.tracks)[i];
          tracks.push_back(track ? Json(ShownTrack(i, *track, wholeCardData)) : Json(nullptr));
        }
        json["tracks"] = tracks;
        Json cut = Json::array();
        for (std::size_t i = 0; i < 3; ++i) {
          if (report.truncated[i]) cut.push_back(i + 1);
        }
        // Present only when a track did not arrive whole.
        if (!cut.empty()) {
          json["truncated"] = true;
          json["truncatedTracks"] = cut;
        }
      } else {
        json["tracks"] = nullptr;
      }
      break;
    case Command::Version: json["version"] = report.versionText ? Json(*report.versionText) : Json(nullptr); break;
    case Command::List:
    case Command::Preview:
    case Command::Watch: break;
    case Command::Swipes: break;
  }
  if (report.unexpectedFrame) json["unexpectedFrame"] = *report.unexpectedFrame;
  return json;
}

std::string Readable(std::string_view utf8) { return VisibleText(DecodeUtf8(utf8), LineFeed::AsLf); }

void PrintReportText(const ReaderReport& report, const CommandRequest& request, bool withPaths, bool wholeCardData,
                     std::ostream& out, std::ostream& err) {
  const std::string lead = withPaths && report.path ? Readable(*report.path) + ": " : "";
  if (report.unexpectedFrame) err << lead << "warning: the reply is not the frame expected: " << *report.unexpectedFrame << '\n';
  if (report.exit != ExitCode::Success) {
    err << lead << TextMessage(report) << '\n';
    return;
  }
  if (request.command == Command::Read && report.tracks) {
    for (std::size_t i = 0; i < 3; ++i) {
      const auto& track = (*report.tracks)[i];
      std::string text = track ? Readable(ShownTrack(i, *track, wholeCardData)) : WithGloss(MessageKey::BlankTrack);
      if (report.truncated[i]) text += (text.empty() ? "" : " ") + ("[truncated: " + *report.truncated[i] + "]");
      out << lead << "track " << i + 1 << ":" << (text.empty() ? "" : " ") << text << '\n';
    }
    return;
  }
  out << lead << TextMessage(report) << '\n';
}

}  // namespace

std::string TextMessage(const ReaderReport& report) {
  if (report.key && MessageText(*report.key, UiLanguage::English) == report.message) return WithGloss(*report.key);
  return Readable(report.message);
}

void PrintReports(std::span<const ReaderReport> reports, const CommandRequest& request, bool withPaths, bool json,
                  bool wholeCardData, std::ostream& out, std::ostream& err) {
  if (json) {
    if (withPaths) {
      Json all = Json::array();
      for (const ReaderReport& report : reports) all.push_back(ReportJson(report, request, wholeCardData));
      out << Dump(all);
    } else {
      for (const ReaderReport& report : reports) out << Dump(ReportJson(report, request, wholeCardData));
    }
    return;
  }
  for (const ReaderReport& report : reports) PrintReportText(report, request, withPaths, wholeCardData, out, err);
}

void PrintReaderList(std::span<const reader::ReaderInfo> readers,
                     std::span<const std::vector<std::string>> keyboards, bool json, std::ostream& out) {
  const auto keyboardsOf = [&](std::size_t i) { return i < keyboards.size() ? keyboards[i] : std::vector<std::string>{}; };
  if (json) {
    Json list = Json::array();
    for (std::size_t i = 0; i < readers.size(); ++i) {
      const reader::ReaderInfo& info = readers[i];
      char hex[8];
      std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(info.versionNumber));
      list.push_back(Json{{"path", info.path},
                          {"versionNumber", info.versionNumber},
                          {"versionHex", hex},
                          {"keyboards", keyboardsOf(i)}});
    }
    out << Dump(list);
    return;
  }
  for (std::size_t i = 0; i < readers.size(); ++i) {
    const reader::ReaderInfo& info = readers[i];
    char version[16];
    std::snprintf(version, sizeof version, "ver%X", static_cast<unsigned>(info.versionNumber));
    out << Readable(info.path) << '\t' << version;
    std::string separator = "\t";
    for (const std::string& keyboard : keyboardsOf(i)) {
      out << separator << Readable(keyboard);
      separator = ",";
    }
    out << '\n';
  }
}

void PrintPreview(const reader::OutputFormat& format, const reader::CardSwipe& swipe,
                  const std::optional<std::string>& typed, bool json, std::ostream& out, std::ostream& err) {
  if (json) {
    Json preview = Json::object();
    preview["format"] = FormatJson(format);
    preview["payload"] = PayloadHex(format);
    Json tracks = Json::array();
    for (const std::string& track : swipe.tracks) tracks.push_back(BytesAsUtf8(track));
    preview["swipe"] = tracks;
    preview["typed"] = typed ? Json(BytesAsUtf8(*typed)) : Json(nullptr);
    preview["visible"] = typed ? Json(VisibleBytes(*typed, LineFeed::AsEnter)) : Json(nullptr);
    out << Dump(preview);
    return;
  }
  if (!typed) {
    err << "A reader would refuse this format (payload " << PayloadHex(format) << ")\n";
    return;
  }
  out << VisibleBytes(*typed, LineFeed::AsEnter) << '\n';
}

}  // namespace magcfg::cli
