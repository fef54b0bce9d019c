// A HID system that forwards everything but the pause: Find Device's fixed
// 100 ms wait afterwards is the program's waiting, not its work, and would
// swamp what the benchmarks measure.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "reader/hid_port.h"

namespace magcfg::bench {

class WithoutPause final : public reader::HidSystem {
 public:
  explicit WithoutPause(reader::HidSystem& inner) : inner_(inner) {}
  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override {
    return inner_.WalkInterfaces(visit);
  }
  reader::OpenResult Open(const std::string& path) override { return inner_.Open(path); }
  std::optional<reader::HidAttributes> IdentityWithoutOpening(const std::string& path) override {
    return inner_.IdentityWithoutOpening(path);
  }
  void Pause(int) override {}

 private:
  reader::HidSystem& inner_;
};

}  // namespace magcfg::bench
