#include "tests/support/scripted_keyboard.h"

#include <algorithm>

#include "reader/typed_keys.h"

namespace magcfg::test {

std::vector<reader::KeyEvent> KeyStrokesFor(std::string_view text) {
  std::vector<reader::KeyEvent> events;
  for (const char c : text) {
    bool found = false;
    for (std::uint16_t code = 0; code < 256 && !found; ++code) {
      for (const bool shift : {false, true}) {
        if (reader::UsCharacter(code, shift) != c) continue;
        if (shift) events.push_back({reader::keycode::kLeftShift, 1});
        events.push_back({code, 1});
        events.push_back({code, 0});
        if (shift) events.push_back({reader::keycode::kLeftShift, 0});
        found = true;
        break;
      }
    }
    if (!found) throw std::invalid_argument("no US key types this character");
  }
  return events;
}

void ScriptedKeyboard::Types(const std::string& path, std::string_view text) {
  Step step;
  step.input.kind = reader::KeyboardInput::Kind::Keys;
  step.input.path = path;
  step.input.keys = KeyStrokesFor(text);
  step.present = script_.empty() ? present_ : script_.back().present;
  script_.push_back(std::move(step));
}

void ScriptedKeyboard::TypesWithLoss(const std::string& path, std::string_view before, std::string_view after) {
  Types(path, before);
  reader::KeyboardInput& input = script_.back().input;
  input.lostBefore = input.keys.size();
  // As the evdev backend resumes after a loss: both Shift keys as held now.
  input.keys.push_back({reader::keycode::kLeftShift, 0});
  input.keys.push_back({reader::keycode::kRightShift, 0});
  const std::vector<reader::KeyEvent> rest = KeyStrokesFor(after);
  input.keys.insert(input.keys.end(), rest.begin(), rest.end());
}

void ScriptedKeyboard::Unplugged(const std::string& path) {
  Step step;
  step.input.kind = reader::KeyboardInput::Kind::Gone;
  step.input.path = path;
  step.present = script_.empty() ? present_ : script_.back().present;
  std::erase(step.present, path);
  script_.push_back(std::move(step));
}

void ScriptedKeyboard::Quiet(std::vector<std::string> presentAfter) {
  Step step;
  step.present = std::move(presentAfter);
  script_.push_back(std::move(step));
}

std::optional<std::string> ScriptedKeyboard::ReaderKeyboardAt(const std::string& path) {
  const auto link = links.find(path);
  const std::string node = link == links.end() ? path : link->second;
  if (std::find(present_.begin(), present_.end(), node) == present_.end()) return std::nullopt;
  return node;
}

reader::KeyboardOpen ScriptedKeyboard::Open(const std::string& path, bool grab) {
  if (std::find(present_.begin(), present_.end(), path) == present_.end()) return reader::KeyboardOpen::Missing;
  const auto refusal = refusals.find(path);
  if (refusal != refusals.end()) return refusal->second;
  opens.emplace_back(path, grab);
  openNow.insert(path);
  return reader::KeyboardOpen::Opened;
}

reader::KeyboardInput ScriptedKeyboard::Wait(int timeoutMs) {
  ++waits;
  longestWaitMs = std::max(longestWaitMs, timeoutMs);
  // Input comes only from open nodes; a step for a node not open is skipped,
  // as the kernel would not deliver it.
  while (!script_.empty()) {
    Step step = std::move(script_.front());
    script_.pop_front();
    present_ = step.present;
    if (step.input.kind == reader::KeyboardInput::Kind::Quiet) return step.input;
    if (!openNow.contains(step.input.path)) continue;
    if (step.input.kind == reader::KeyboardInput::Kind::Gone) openNow.erase(step.input.path);
    return step.input;
  }
  throw ScriptEnded();
}

}  // namespace magcfg::test
