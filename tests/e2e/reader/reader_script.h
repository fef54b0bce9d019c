// What the rig's gadget reader does with the next request, read from its
// control file: answer as the reader model does, or misbehave once.
#pragma once

#include <optional>
#include <string_view>

namespace magcfg::e2e {

struct ReaderScript {
  enum class Kind {
    Normal,  // the model's reply at once
    Late,    // the model's reply after `milliseconds`
    Silent,  // no reply
    Flood,   // the model's reply `count` times in a row
    Unplug,  // the first report of the reply, then off the bus
    Vanish,  // off the bus without a reply
  };
  Kind kind = Kind::Normal;
  int milliseconds = 0;
  int count = 0;
  // The last swipe the reader keeps changes before it answers.
  enum class Swipe { Keep, Demo, Failed, None };
  Swipe swipe = Swipe::Keep;
};

// One line such as "late 1500", "flood 40", "silent", "unplug", "vanish",
// "swipe-failed"; nullopt for anything else.
std::optional<ReaderScript> ParseReaderScript(std::string_view line);

}  // namespace magcfg::e2e
