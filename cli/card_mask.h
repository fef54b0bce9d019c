// Card numbers kept out of the output: a run of 13 to 19 digits that passes
// the Luhn check shows its first six and last four digits, the rest as '*'.
// Everything magcfg-cli prints goes through this unless --show-card-data.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace magcfg::cli {

// digits holds ASCII digits only.
bool PassesLuhn(std::string_view digits);

// Masks, in place, every whole run of ASCII digits of 13 to 19 that passes
// the Luhn check. A run is bounded by non-digits or the ends of the text.
void MaskCardNumbers(std::span<char> text);
std::string MaskCardNumbers(std::string_view text);

// The same over several reports read one after the other: a run may go on
// from the end of one report into the next one's data, which starts after
// its report ID (byte 0).
void MaskCardNumbersInReports(std::vector<std::vector<std::uint8_t>>& reports);

// A stream buffer that masks what passes through it to another one. A run
// of digits is held back until it ends, so it is judged whole; a flush does
// not release it, Finish does.
class CardMaskingBuffer final : public std::streambuf {
 public:
  explicit CardMaskingBuffer(std::streambuf* target) : target_(target) {}
  ~CardMaskingBuffer() override { Finish(); }

  // Writes out a run still held back and flushes the target; false when
  // anything written so far did not reach it.
  bool Finish();

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* text, std::streamsize count) override;
  int sync() override;

 private:
  void EndRun();

  std::streambuf* target_;
  std::string run_;
  bool lost_ = false;  // a write to the target came up short
};

// An output stream that masks card numbers on their way to `target`.
class CardMaskingStream final : public std::ostream {
 public:
  explicit CardMaskingStream(std::ostream& target) : std::ostream(nullptr), buffer_(target.rdbuf()) {
    rdbuf(&buffer_);
  }
  ~CardMaskingStream() override { buffer_.Finish(); }

  // Releases what is held back; false when any of the output was lost.
  bool Finish() { return buffer_.Finish() && good(); }

 private:
  CardMaskingBuffer buffer_;
};

}  // namespace magcfg::cli
