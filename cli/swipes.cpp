#include "cli/swipes.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "cli/visible_text.h"
#include "reader/card_data.h"
#include "reader/swipe_parse.h"
#include "reader/typed_keys.h"
#include "text/text_codec.h"

namespace magcfg::cli {
namespace {

using reader::KeyboardInput;
using reader::KeyboardOpen;

constexpr std::string_view kProgram = "magcfg-cli";

// One open keyboard node: its Shift keys and its own capture, so that two
// readers typing at once do not mix their swipes.
struct Keyboard {
  reader::UsKeyboard keys;
  reader::SwipeParse capture;
  bool lostKeys = false;  // key strokes of the swipe under way were lost
};

// A path in a message.
std::string ShownPath(const std::string& path) { return Echoed(path, kEchoedPathCharacters); }

std::string OpenFailure(const std::string& path, KeyboardOpen outcome) {
  switch (outcome) {
    case KeyboardOpen::PermissionDenied:
      return ShownPath(path) +
             ": permission denied; install the udev rule (magcfg-cli --print-udev-rules) and plug the reader in again";
    case KeyboardOpen::Busy: return ShownPath(path) + ": another program has taken the reader's keyboard for itself";
    case KeyboardOpen::Missing: return ShownPath(path) + ": gone before it could be opened";
    case KeyboardOpen::NotTheReader:
      return ShownPath(path) +
             ": another device has taken the card reader's node; it is not read, and the reader is looked for again";
    case KeyboardOpen::Failed:
    case KeyboardOpen::Opened: break;
  }
  return ShownPath(path) + ": cannot be opened";
}

class Listener {
 public:
  Listener(reader::KeyboardPort& port, const SwipesRequest& request, std::ostream& out, std::ostream& err)
      : port_(port), request_(request), out_(out), err_(err) {}

  ExitCode Run() {
    const std::vector<std::string> found = Candidates();
    if (found.empty()) {
      err_ << kProgram << ": "
           << (request_.path.empty() ? "no card reader keyboard found (vendor 5131, product 2007)"
                                     : ShownPath(request_.path) + " is not a card reader's keyboard")
           << '\n';
      return ExitCode::NoReader;
    }
    std::vector<std::string> failures;
    bool refused = false;
    for (const std::string& path : found) {
      const KeyboardOpen outcome = port_.Open(path, request_.grab);
      if (outcome == KeyboardOpen::Opened) {
        open_[path];
      } else if (outcome == KeyboardOpen::NotTheReader) {
        passedOver_.insert(path);
        failures.push_back(OpenFailure(path, outcome));
      } else {
        failures.push_back(OpenFailure(path, outcome));
        refused = refused || outcome == KeyboardOpen::PermissionDenied;
      }
    }
    for (const std::string& failure : failures) err_ << kProgram << ": " << failure << '\n';
    // A reader whose node another device took is gone: it is waited for.
    if (open_.empty() && passedOver_.empty()) return refused ? ExitCode::PermissionDenied : ExitCode::Failed;
    lastScan_ = Clock::now();

    while (request_.count == 0 || swipes_ < request_.count) {
      KeyboardInput input = port_.Wait(kKeyboardRescanMs);
      switch (input.kind) {
        case KeyboardInput::Kind::Keys:
          if (!Type(input)) return StopForOutput();
          break;
        case KeyboardInput::Kind::Gone:
          // Whatever the reader had typed of a swipe is dropped with it.
          open_.erase(input.path);
          err_ << kProgram << ": " << ShownPath(input.path) << ": the card reader is gone; waiting for it\n";
          err_.flush();
          break;
        case KeyboardInput::Kind::Quiet: break;
      }
      if (input.kind == KeyboardInput::Kind::Quiet || Clock::now() - lastScan_ >= kRescan) PickUpNew();
    }
    return ExitCode::Success;
  }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr auto kRescan = std::chrono::milliseconds(kKeyboardRescanMs);

  std::vector<std::string> Candidates() {
    if (request_.path.empty()) return port_.ReaderKeyboards();
    const std::optional<std::string> node = port_.ReaderKeyboardAt(request_.path);
    return node ? std::vector<std::string>{*node} : std::vector<std::string>{};
  }

  // Opens reader keyboards that came since the last look. One that cannot be
  // opened yet (udev may not have given it to the user) is tried again at
  // the next look; one that another device has taken is said once.
  void PickUpNew() {
    lastScan_ = Clock::now();
    const std::vector<std::string> candidates = Candidates();
    std::erase_if(passedOver_, [&](const std::string& path) {
      return std::find(candidates.begin(), candidates.end(), path) == candidates.end();
    });
    for (const std::string& path : candidates) {
      if (open_.contains(path)) continue;
      const KeyboardOpen outcome = port_.Open(path, request_.grab);
      if (outcome == KeyboardOpen::NotTheReader && passedOver_.insert(path).second) {
        err_ << kProgram << ": " << OpenFailure(path, outcome) << '\n';
        err_.flush();
      }
      if (outcome != KeyboardOpen::Opened) continue;
      passedOver_.erase(path);
      open_[path];
      err_ << kProgram << ": " << ShownPath(path) << ": reading the card reader\n";
      err_.flush();
    }
  }

  // Standard output took no more: every node is closed, so that a grab does
  // not go on taking swipes that would be lost.
  ExitCode StopForOutput() {
    port_.CloseAll();
    open_.clear();
    err_ << kProgram << ": stopped reading swipes; the card reader's keyboard is let go\n";
    return ExitCode::Failed;
  }

  // False when a swipe could not be written out.
  bool Type(const KeyboardInput& input) {
    const auto keyboard = open_.find(input.path);
    if (keyboard == open_.end()) return true;
    Keyboard& typing = keyboard->second;
    for (std::size_t n = 0; n < input.keys.size(); ++n) {
      if (input.lostBefore == n) typing.lostKeys = true;
      const std::optional<char> typed = typing.keys.Take(input.keys[n]);
      if (!typed) continue;
      const reader::SwipeStep step =
          typing.capture.TakeCharacter(static_cast<unsigned char>(*typed), request_.sentinels);
      if (!step.finishedSwipe) continue;
      // A swipe with characters missing would print wrong tracks as if they
      // were the card's; it is left out, and the operator told.
      if (typing.lostKeys) {
        typing.lostKeys = false;
        err_ << kProgram << ": " << ShownPath(input.path)
             << ": key strokes of a swipe were lost (the program was not reading in time); it is left out: swipe the "
                "card again\n";
        err_.flush();
        continue;
      }
      if (!Print(input.path, *step.finishedSwipe)) return false;
      if (request_.count != 0 && ++swipes_ >= request_.count) return true;
    }
    if (input.lostBefore == input.keys.size()) typing.lostKeys = true;
    return true;
  }

  // False when standard output did not take the line.
  bool Print(const std::string& path, const std::array<std::u32string, 3>& swiped) {
    std::array<std::u32string, 3> tracks;
    for (std::size_t i = 0; i < 3; ++i) {
      tracks[i] = reader::CardTrack(static_cast<int>(i) + 1, swiped[i]).Shown(request_.wholeCardData);
    }
    if (request_.json) {
      nlohmann::ordered_json line = nlohmann::ordered_json::object();
      line["path"] = path;
      nlohmann::ordered_json texts = nlohmann::ordered_json::array();
      for (const std::u32string& track : tracks) texts.push_back(EncodeUtf8(track));
      line["tracks"] = texts;
      out_ << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
    } else {
      out_ << VisibleText(tracks[0]) << '\t' << VisibleText(tracks[1]) << '\t' << VisibleText(tracks[2]) << '\n';
    }
    out_.flush();
    return static_cast<bool>(out_);
  }

  reader::KeyboardPort& port_;
  const SwipesRequest& request_;
  std::ostream& out_;
  std::ostream& err_;
  std::map<std::string, Keyboard> open_;
  std::set<std::string> passedOver_;  // nodes another device had taken when last tried
  int swipes_ = 0;
  Clock::time_point lastScan_;
};

}  // namespace

ExitCode RunSwipes(reader::KeyboardPort& port, const SwipesRequest& request, std::ostream& out, std::ostream& err) {
  return Listener(port, request, out, err).Run();
}

}  // namespace magcfg::cli
