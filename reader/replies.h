// Reading the reader's replies. Every function takes the input buffer as it
// was read (byte 0 the report ID) and reads only inside it; bytes past its
// end count as 0, as bytes that did not arrive do.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "reader/commands.h"

namespace magcfg::reader {

// --- Every reply starts with STX and the code of the command it answers:
// the two bytes after the report ID when they are not these, nullopt when
// they are. Only the command line says so; nothing else reads them.
std::optional<std::array<std::uint8_t, 2>> UnexpectedHeader(std::span<const std::uint8_t> reply, CommandCode code);

// --- Set format: byte 3 carries the verdict.
enum class FormatVerdict { Accepted, Refused, None };
struct FormatReply {
  FormatVerdict verdict = FormatVerdict::None;
  std::uint8_t byte3 = 0;  // the byte the verdict was read from
};
FormatReply ReadFormatReply(std::span<const std::uint8_t> reply);

// --- Version: the bytes between each 0x05 and the next 0x03 among the first
// inputLength bytes, joined. The text holds at most 29 bytes; a longer one is
// cut there. A zero byte ends the text as shown.
inline constexpr std::size_t kVersionTextCapacity = 29;
std::string ExtractVersionText(std::span<const std::uint8_t> reply, std::size_t inputLength);

// --- Card status: byte 4, read as a signed code: 0, 1 or 2.
enum class CardStatus { NoSwipe, SwipeFailed, SwipeOk };
struct CardStatusReply {
  std::optional<CardStatus> status;  // nullopt for a code that names no result
  std::uint8_t byte4 = 0;            // the code as it came
};
CardStatusReply ReadCardStatus(std::span<const std::uint8_t> reply);

// --- Card read.
// The accumulate test's value: 256 * s(byte 1) + s(byte 2), bytes read as
// signed 8-bit numbers. A reply is collected only when it exceeds 56.
int AccumulateValue(std::span<const std::uint8_t> report);
inline constexpr int kAccumulateThreshold = 56;

inline constexpr std::size_t kReplyBytesPerReport = 64;
inline constexpr std::size_t kReplyBufferReports = 16;
inline constexpr std::size_t kReplyBufferSize = kReplyBytesPerReport * kReplyBufferReports;

// Gathers bytes 1 to 64 of each report of a card-read reply, 64 bytes per
// report whatever the report length, up to 16 reports.
class CardReplyCollector {
 public:
  // Copies the report's bytes 1 to 64; returns false, copying nothing, once
  // the buffer is full.
  bool Add(std::span<const std::uint8_t> report);
  bool Full() const { return reports_ == kReplyBufferReports; }
  std::size_t Reports() const { return reports_; }
  const std::array<std::uint8_t, kReplyBufferSize>& Buffer() const { return buffer_; }

 private:
  std::array<std::uint8_t, kReplyBufferSize> buffer_{};
  std::size_t reports_ = 0;
};

// Why the reader sent no track data ('N'), for the two reasons it names.
enum class RefusalReason { NoSwipe, SwipeFailed };

struct CardReadResult {
  enum class Kind {
    Tracks,   // 'Y': each track's bytes, or a blank track
    Refused,  // 'N' with a known reason
    Nothing,  // anything else: nothing to show
  };
  Kind kind = Kind::Nothing;
  // For Tracks: each track's raw bytes (zero bytes kept; the display drops
  // them), or nullopt for a blank track (length 0).
  std::array<std::optional<std::string>, 3> tracks;
  RefusalReason reason = RefusalReason::NoSwipe;  // for Refused
  // For Tracks: a track that did not arrive whole. Its length ran past the
  // bytes received, or its length byte (0x80 and up) announced no length.
  // The window shows such a track as decoded; the command line marks it.
  struct Cut {
    int announced = 0;         // the length byte, signed
    std::size_t received = 0;  // the track's bytes that arrived
  };
  std::array<std::optional<Cut>, 3> cut;
  // For Tracks: where each track's bytes start in the reply stream, so that
  // a log of the reports can find them (offset n is byte n % 64 + 1 of
  // report n / 64).
  std::array<std::size_t, 3> trackOffsets{};
};

// received: how many bytes of the stream came from the reader; bytes after
// it are the buffer's zero filling.
CardReadResult DecodeCardReply(std::span<const std::uint8_t, kReplyBufferSize> stream,
                               std::size_t received = kReplyBufferSize);

}  // namespace magcfg::reader
