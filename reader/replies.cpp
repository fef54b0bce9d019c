#include "reader/replies.h"

#include <algorithm>

#include "reader/commands.h"

namespace magcfg::reader {
namespace {

std::uint8_t ByteAt(std::span<const std::uint8_t> bytes, std::size_t index) {
  return index < bytes.size() ? bytes[index] : 0;
}

int Signed(std::uint8_t byte) { return static_cast<std::int8_t>(byte); }

}  // namespace

std::optional<std::array<std::uint8_t, 2>> UnexpectedHeader(std::span<const std::uint8_t> reply, CommandCode code) {
  const std::array<std::uint8_t, 2> header = {ByteAt(reply, 1), ByteAt(reply, 2)};
  if (header[0] == kStx && header[1] == static_cast<std::uint8_t>(code)) return std::nullopt;
  return header;
}

FormatReply ReadFormatReply(std::span<const std::uint8_t> reply) {
  const std::uint8_t byte3 = ByteAt(reply, 3);
  switch (byte3) {
    case 'Y': return {FormatVerdict::Accepted, byte3};
    case 'N': return {FormatVerdict::Refused, byte3};
    default: return {FormatVerdict::None, byte3};
  }
}

std::string ExtractVersionText(std::span<const std::uint8_t> reply, std::size_t inputLength) {
  const std::size_t end = std::min(inputLength, reply.size());
  std::string text;
  bool copying = false;
  for (std::size_t i = 0; i < end; ++i) {
    const std::uint8_t byte = reply[i];
    if (copying && byte != kEtx && text.size() < kVersionTextCapacity) text.push_back(static_cast<char>(byte));
    if (byte == static_cast<std::uint8_t>(CommandCode::Version)) copying = true;
    if (byte == kEtx) copying = false;
  }
  // The text is shown as a zero-terminated string.
  const std::size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

CardStatusReply ReadCardStatus(std::span<const std::uint8_t> reply) {
  const std::uint8_t byte4 = ByteAt(reply, 4);
  switch (Signed(byte4)) {
    case 0: return {CardStatus::NoSwipe, byte4};
    case 1: return {CardStatus::SwipeFailed, byte4};
    case 2: return {CardStatus::SwipeOk, byte4};
    default: return {std::nullopt, byte4};
  }
}

int AccumulateValue(std::span<const std::uint8_t> report) {
  return 256 * Signed(ByteAt(report, 1)) + Signed(ByteAt(report, 2));
}

bool CardReplyCollector::Add(std::span<const std::uint8_t> report) {
  if (Full()) return false;
  std::uint8_t* out = buffer_.data() + reports_ * kReplyBytesPerReport;
  for (std::size_t i = 0; i < kReplyBytesPerReport; ++i) out[i] = ByteAt(report, i + 1);
  ++reports_;
  return true;
}

CardReadResult DecodeCardReply(std::span<const std::uint8_t, kReplyBufferSize> stream, std::size_t received) {
  const std::span<const std::uint8_t> bytes(stream.data(), stream.size());
  CardReadResult result;
  const std::uint8_t verdict = bytes[2];
  if (verdict == 'N') {
    const int reason = Signed(bytes[3]);
    if (reason == 0 || reason == 1) {
      result.kind = CardReadResult::Kind::Refused;
      result.reason = reason == 0 ? RefusalReason::NoSwipe : RefusalReason::SwipeFailed;
    }
    return result;
  }
  if (verdict != 'Y') return result;

  result.kind = CardReadResult::Kind::Tracks;
  std::size_t q = 3;
  for (auto& track : result.tracks) {
    result.trackOffsets[static_cast<std::size_t>(&track - result.tracks.data())] = q + 1;
    const int length = Signed(ByteAt(bytes, q));
    if (length == 0) {
      track.reset();
      q += 1;
    } else if (length < 0) {
      track = std::string();
      result.cut[static_cast<std::size_t>(&track - result.tracks.data())] = CardReadResult::Cut{length, 0};
      q += 1;
    } else {
      std::string data;
      for (int i = 1; i <= length; ++i) data.push_back(static_cast<char>(ByteAt(bytes, q + i)));
      track = std::move(data);
      const std::size_t end = q + 1 + static_cast<std::size_t>(length);
      if (end > received) {
        const std::size_t arrived = received > q + 1 ? received - (q + 1) : 0;
        result.cut[static_cast<std::size_t>(&track - result.tracks.data())] = CardReadResult::Cut{length, arrived};
      }
      q = end;
    }
  }
  return result;
}

}  // namespace magcfg::reader
