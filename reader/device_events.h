// HID interfaces appearing and going as readers are plugged in and pulled
// out, from whatever the platform tells of it. The watch command waits on
// this; tests hand it a scripted list instead of the kernel's events.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace magcfg::reader {

struct DeviceEvent {
  enum class Kind {
    Added,    // an interface appeared at path
    Removed,  // the interface at path went away
    Rescan,   // events were lost: look at what is present now
  };
  Kind kind = Kind::Added;
  std::string path;
  // The interface's vendor and product IDs when the platform tells them
  // without opening it; nullopt when it does not.
  std::optional<std::uint16_t> vendorId;
  std::optional<std::uint16_t> productId;
};

class DeviceEvents {
 public:
  virtual ~DeviceEvents() = default;
  // Blocks until the next event; nullopt once the watch is to end (the
  // program was asked to stop, or the source failed for good).
  virtual std::optional<DeviceEvent> Next() = 0;
  // Why the events ended, when the source failed rather than was stopped.
  virtual std::optional<std::string> Failure() const { return std::nullopt; }
};

}  // namespace magcfg::reader
