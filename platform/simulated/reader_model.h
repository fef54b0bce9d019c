// The card reader behind the simulated HID interface: it keeps a format, an
// upload mode and the last swipe, and answers each request with the reply
// stream a reader sends.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "reader/card_swipe.h"
#include "reader/reader_format.h"

namespace magcfg::sim {

enum class UploadMode { Active, Passive };

class ReaderModel {
 public:
  explicit ReaderModel(std::string versionText = "V1.02") : versionText_(std::move(versionText)) {}

  // The reply stream (the bytes after the report ID, over as many reports as
  // they take) to one output report, byte 0 its report ID; nullopt for a
  // request the reader ignores. The request takes effect here: a format
  // accepted, a mode changed.
  std::optional<std::vector<std::uint8_t>> Answer(std::span<const std::uint8_t> request);

  // A card passes the head: the reader keeps it as the last swipe.
  void Swipe(const reader::CardSwipe& swipe) {
    lastSwipe_ = swipe;
    Changed();
  }

  // Called after the format, the mode or the last swipe was set (also when
  // set to what it was), so a window can show what the reader keeps. One
  // listener at a time; an empty function removes it.
  void SetChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

  // What the reader types for the last swipe in active upload; nothing in
  // passive upload, where the host fetches it.
  std::string TypedForLastSwipe() const;

  const reader::ReaderFormat& Format() const { return format_; }
  UploadMode Mode() const { return mode_; }
  const reader::CardSwipe& LastSwipe() const { return lastSwipe_; }

 private:
  std::vector<std::uint8_t> AnswerFormat(std::span<const std::uint8_t> request);
  std::vector<std::uint8_t> AnswerReadCard(std::uint8_t trackSelection) const;
  void Changed() const {
    if (listener_) listener_();
  }

  std::string versionText_;
  reader::ReaderFormat format_;
  UploadMode mode_ = UploadMode::Active;
  reader::CardSwipe lastSwipe_;
  std::function<void()> listener_;
};

}  // namespace magcfg::sim
