#include "reader/card_data.h"

namespace magcfg::reader {
namespace {

constexpr std::size_t kShortestCardNumber = 12;
constexpr std::size_t kLongestCardNumber = 19;
constexpr std::size_t kShownAtStart = 6;
constexpr std::size_t kShownAtEnd = 4;

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool IsGroupSeparator(char32_t c) { return c == U' ' || c == U'-'; }

// digits holds ASCII digits only.
bool PassesLuhn(std::string_view digits) {
  int sum = 0;
  bool doubled = false;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    int digit = *it - '0';
    if (doubled) {
      digit *= 2;
      if (digit > 9) digit -= 9;
    }
    sum += digit;
    doubled = !doubled;
  }
  return !digits.empty() && sum % 10 == 0;
}

// The positions of the characters that are shown: all but the zeros.
std::vector<std::size_t> ShownPositions(std::u32string_view text) {
  std::vector<std::size_t> at;
  at.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != U'\0') at.push_back(i);
  }
  return at;
}

// digits: the positions of one number's digits, in order.
void HideNumber(const std::vector<std::size_t>& digits, std::vector<bool>& hidden) {
  if (digits.size() <= kShownAtStart + kShownAtEnd) return;
  for (std::size_t k = kShownAtStart; k < digits.size() - kShownAtEnd; ++k) hidden[digits[k]] = true;
}

bool IsCardNumberLength(std::size_t digits) { return digits >= kShortestCardNumber && digits <= kLongestCardNumber; }

// A run is groups of digits, each after the first joined to the one before
// by one space or dash. Any stretch of whole groups with 12 to 19 digits that
// passes the Luhn check is a number, so a number stays a number whatever
// digits stand a separator away from it.
void HideRuns(std::u32string_view text, std::vector<bool>& hidden) {
  const std::vector<std::size_t> at = ShownPositions(text);
  std::size_t k = 0;
  while (k < at.size()) {
    if (!IsDigit(text[at[k]])) {
      ++k;
      continue;
    }
    std::vector<std::vector<std::size_t>> groups;
    while (true) {
      std::vector<std::size_t>& group = groups.emplace_back();
      while (k < at.size() && IsDigit(text[at[k]])) group.push_back(at[k++]);
      if (k + 1 < at.size() && IsGroupSeparator(text[at[k]]) && IsDigit(text[at[k + 1]])) {
        ++k;
        continue;
      }
      break;
    }
    for (std::size_t first = 0; first < groups.size(); ++first) {
      std::vector<std::size_t> digits;
      std::string number;
      for (std::size_t last = first; last < groups.size(); ++last) {
        for (const std::size_t i : groups[last]) {
          digits.push_back(i);
          number.push_back(static_cast<char>(text[i]));
        }
        if (digits.size() > kLongestCardNumber) break;
        if (IsCardNumberLength(digits.size()) && PassesLuhn(number)) HideNumber(digits, hidden);
      }
    }
  }
}

// The account number field: track 1 after its one-character format code up
// to '^', track 2 up to '=', track 3 after its two-digit format code up to
// '=' (to the end where the separator is missing). Its digits are a card
// number when there are 12 to 19 of them, whether or not they pass the
// Luhn check.
void HideAccountNumber(int track, std::u32string_view text, std::vector<bool>& hidden) {
  if (track < 1 || track > 3) return;
  const std::vector<std::size_t> at = ShownPositions(text);
  const std::size_t formatCode = track == 1 ? 1 : track == 3 ? 2 : 0;
  const char32_t separator = track == 1 ? U'^' : U'=';
  std::vector<std::size_t> digits;
  for (std::size_t k = formatCode; k < at.size() && text[at[k]] != separator; ++k) {
    if (IsDigit(text[at[k]])) digits.push_back(at[k]);
  }
  if (IsCardNumberLength(digits.size())) HideNumber(digits, hidden);
}

std::u32string Mask(std::u32string_view text, const std::vector<bool>& hidden) {
  std::u32string masked(text);
  for (std::size_t i = 0; i < masked.size(); ++i) {
    if (hidden[i]) masked[i] = U'*';
  }
  return masked;
}

}  // namespace

CardTrack::CardTrack(int track, std::u32string characters)
    : characters_(std::move(characters)), hidden_(characters_.size(), false) {
  HideAccountNumber(track, characters_, hidden_);
  HideRuns(characters_, hidden_);
}

CardTrack CardTrack::FromBytes(int track, std::string_view bytes) {
  std::u32string characters;
  characters.reserve(bytes.size());
  for (const char byte : bytes) characters.push_back(static_cast<unsigned char>(byte));
  return CardTrack(track, std::move(characters));
}

std::u32string CardTrack::Masked() const { return Mask(characters_, hidden_); }

std::vector<bool> HiddenInRuns(std::u32string_view text) {
  std::vector<bool> hidden(text.size(), false);
  HideRuns(text, hidden);
  return hidden;
}

std::u32string MaskRuns(std::u32string_view text) { return Mask(text, HiddenInRuns(text)); }

CardSwipe MaskedSwipe(const CardSwipe& swipe) {
  CardSwipe masked = swipe;
  for (int i = 0; i < 3; ++i) {
    std::string& bytes = masked.tracks[static_cast<std::size_t>(i)];
    const std::u32string shown = CardTrack::FromBytes(i + 1, bytes).Masked();
    // Each character came from one byte, and '*' is one too.
    for (std::size_t k = 0; k < shown.size(); ++k) bytes[k] = static_cast<char>(shown[k]);
  }
  return masked;
}

namespace {

// A character that ends any run: a byte of a decoded track, which its own
// track masks.
constexpr char32_t kTrackByte = U'\uFFFD';

}  // namespace

void MaskCardData(std::span<std::vector<std::uint8_t>> reports, const CardReadResult* decoded) {
  const std::size_t streamSize = reports.size() * kReplyBytesPerReport;
  // Offset n of the reply stream is byte n % 64 + 1 of report n / 64, when
  // that report is long enough to have it.
  const auto byteAt = [&](std::size_t offset) -> std::uint8_t* {
    std::vector<std::uint8_t>& report = reports[offset / kReplyBytesPerReport];
    const std::size_t index = offset % kReplyBytesPerReport + 1;
    return index < report.size() ? &report[index] : nullptr;
  };

  std::vector<bool> inTrack(streamSize, false);
  std::vector<std::uint8_t*> hidden;
  if (decoded != nullptr && decoded->kind == CardReadResult::Kind::Tracks) {
    for (std::size_t t = 0; t < 3; ++t) {
      if (!decoded->tracks[t]) continue;
      const CardTrack track = CardTrack::FromBytes(static_cast<int>(t) + 1, *decoded->tracks[t]);
      for (std::size_t i = 0; i < track.Whole().size(); ++i) {
        const std::size_t offset = decoded->trackOffsets[t] + i;
        if (offset >= streamSize) break;
        inTrack[offset] = true;
        std::uint8_t* byte = byteAt(offset);
        if (byte != nullptr && track.Hidden(i)) hidden.push_back(byte);
      }
    }
  }

  // The stream as the decoding reads it: a byte a short report does not
  // have reads as 0, which is not shown.
  std::u32string stream(streamSize, U'\0');
  for (std::size_t offset = 0; offset < streamSize; ++offset) {
    const std::uint8_t* byte = byteAt(offset);
    stream[offset] = inTrack[offset] ? kTrackByte : byte != nullptr ? *byte : U'\0';
  }
  const std::vector<bool> inStream = HiddenInRuns(stream);
  for (std::size_t offset = 0; offset < streamSize; ++offset) {
    std::uint8_t* byte = byteAt(offset);
    if (inStream[offset] && byte != nullptr) hidden.push_back(byte);
  }

  // Each report as it is shown, all its bytes after the report ID.
  for (std::size_t k = 0; k < reports.size(); ++k) {
    std::vector<std::uint8_t>& report = reports[k];
    std::u32string shown(report.size(), U'\0');
    for (std::size_t index = 1; index < report.size(); ++index) {
      const std::size_t offset = k * kReplyBytesPerReport + index - 1;
      const bool trackByte = index <= kReplyBytesPerReport && inTrack[offset];
      shown[index] = trackByte ? kTrackByte : report[index];
    }
    const std::vector<bool> inReport = HiddenInRuns(shown);
    for (std::size_t index = 1; index < report.size(); ++index) {
      if (inReport[index]) hidden.push_back(&report[index]);
    }
  }

  for (std::uint8_t* byte : hidden) *byte = '*';
}

}  // namespace magcfg::reader
