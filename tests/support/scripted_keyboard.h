// A reader keyboard for tests: the nodes present and what each Wait brings
// follow a script, as the evdev backend would deliver them (a node that is
// gone is reported once and closed; a node not present cannot be opened).
#pragma once

#include <deque>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "reader/keyboard_port.h"

namespace magcfg::test {

// The key events a US keyboard sends to type text: each character's key
// pressed and released, inside Shift where it needs one.
std::vector<reader::KeyEvent> KeyStrokesFor(std::string_view text);

// Thrown when the program waits past the end of the script.
struct ScriptEnded : std::runtime_error {
  ScriptEnded() : std::runtime_error("the keyboard script ran out") {}
};

class ScriptedKeyboard final : public reader::KeyboardPort {
 public:
  // One step of the script, taken by one Wait.
  struct Step {
    reader::KeyboardInput input;
    std::vector<std::string> present;  // the nodes present after this step
  };

  explicit ScriptedKeyboard(std::vector<std::string> present) : present_(std::move(present)) {}

  // The node types text (in one batch of key events).
  void Types(const std::string& path, std::string_view text);
  // The node types before, then the system loses key strokes, then the node
  // types after, all in one batch.
  void TypesWithLoss(const std::string& path, std::string_view before, std::string_view after);
  // The node goes away; the reader's other nodes stay.
  void Unplugged(const std::string& path);
  // Nothing happens in one wait; then the nodes present are these.
  void Quiet(std::vector<std::string> presentAfter);

  std::vector<std::string> ReaderKeyboards() override { return present_; }
  std::vector<std::string> KeyboardsOf(const std::string&) override { return {}; }
  std::optional<std::string> ReaderKeyboardAt(const std::string& path) override;
  reader::KeyboardOpen Open(const std::string& path, bool grab) override;
  reader::KeyboardInput Wait(int timeoutMs) override;
  void CloseAll() override { openNow.clear(); }

  // Refusals for Open, by path.
  std::map<std::string, reader::KeyboardOpen> refusals;
  // Links and the node each leads to, for ReaderKeyboardAt.
  std::map<std::string, std::string> links;

  std::vector<std::pair<std::string, bool>> opens;  // path and grab, per successful Open
  std::set<std::string> openNow;
  int waits = 0;
  int longestWaitMs = 0;

 private:
  std::vector<std::string> present_;
  std::deque<Step> script_;
};

}  // namespace magcfg::test
