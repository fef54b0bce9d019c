// The reader's own keyboard: in active upload the reader types each swipe as
// a USB keyboard, and the platform can hand those key strokes to the program
// straight from the reader, whichever window has the focus. Linux evdev
// implements it; tests use a scripted stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace magcfg::reader {

// One key event of a keyboard node. Codes are Linux input key codes; value
// 0 is a release, 1 a press, 2 an auto-repeat.
struct KeyEvent {
  std::uint16_t code = 0;
  std::int32_t value = 0;
};

enum class KeyboardOpen {
  Opened,
  Missing,           // the node is not there (any more)
  PermissionDenied,  // the node belongs to someone else: the udev rule is missing
  Busy,              // another program has taken the keyboard for itself
  NotTheReader,      // what opened is another device (it took the node's number); it is closed again
  Failed,            // anything else
};

// What one wait for key strokes brought.
struct KeyboardInput {
  enum class Kind {
    Keys,   // key events from the node at path, in order
    Gone,   // the node at path went away (reader unplugged); it is closed
    Quiet,  // nothing within the time-out
  };
  Kind kind = Kind::Quiet;
  std::string path;
  std::vector<KeyEvent> keys;
  // Key strokes were lost just before keys[n] (n may be keys.size()): the
  // system's queue for the node ran over because the program did not read
  // it in time. The keys that follow start with the Shift keys as they are
  // held now, since their own presses or releases may be among those lost.
  std::optional<std::size_t> lostBefore;
};

class KeyboardPort {
 public:
  virtual ~KeyboardPort() = default;

  // The keyboard nodes of every reader attached, in a stable order.
  virtual std::vector<std::string> ReaderKeyboards() = 0;

  // The keyboard nodes of the reader whose HID interface is at hidPath.
  virtual std::vector<std::string> KeyboardsOf(const std::string& hidPath) = 0;

  // The node that path names (it may be a link to it) when it is one of a
  // reader's keyboard nodes, as ReaderKeyboards spells it; nullopt otherwise.
  virtual std::optional<std::string> ReaderKeyboardAt(const std::string& path) = 0;

  // Opens a node for reading. With grab, the key strokes come to this
  // program only: they are not typed into the focused window as well.
  virtual KeyboardOpen Open(const std::string& path, bool grab) = 0;

  // Waits at most timeoutMs for key strokes on the open nodes.
  virtual KeyboardInput Wait(int timeoutMs) = 0;

  // Closes every node opened, which lets go of any grab.
  virtual void CloseAll() = 0;
};

}  // namespace magcfg::reader
