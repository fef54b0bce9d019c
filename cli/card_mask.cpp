#include "cli/card_mask.h"

#include <algorithm>

namespace magcfg::cli {
namespace {

constexpr std::size_t kShortestCardNumber = 13;
constexpr std::size_t kLongestCardNumber = 19;
constexpr std::size_t kShownAtStart = 6;
constexpr std::size_t kShownAtEnd = 4;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsCardNumber(std::string_view run) {
  return run.size() >= kShortestCardNumber && run.size() <= kLongestCardNumber && PassesLuhn(run);
}

void MaskRun(std::span<char> run) {
  std::fill(run.begin() + kShownAtStart, run.end() - kShownAtEnd, '*');
}

}  // namespace

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

void MaskCardNumbers(std::span<char> text) {
  std::size_t i = 0;
  while (i < text.size()) {
    if (!IsDigit(text[i])) {
      ++i;
      continue;
    }
    std::size_t end = i;
    while (end < text.size() && IsDigit(text[end])) ++end;
    const std::span<char> run = text.subspan(i, end - i);
    if (IsCardNumber(std::string_view(run.data(), run.size()))) MaskRun(run);
    i = end;
  }
}

std::string MaskCardNumbers(std::string_view text) {
  std::string masked(text);
  MaskCardNumbers(std::span<char>(masked));
  return masked;
}

void MaskCardNumbersInReports(std::vector<std::vector<std::uint8_t>>& reports) {
  // The reports' data, byte 0 of each left out, masked as one text.
  std::string joined;
  for (const auto& report : reports) {
    if (report.size() > 1) joined.append(report.begin() + 1, report.end());
  }
  MaskCardNumbers(std::span<char>(joined));
  std::size_t at = 0;
  for (auto& report : reports) {
    for (std::size_t i = 1; i < report.size(); ++i) report[i] = static_cast<std::uint8_t>(joined[at++]);
  }
}

void CardMaskingBuffer::EndRun() {
  if (run_.empty()) return;
  MaskCardNumbers(std::span<char>(run_));
  const auto size = static_cast<std::streamsize>(run_.size());
  if (target_->sputn(run_.data(), size) != size) lost_ = true;
  run_.clear();
}

CardMaskingBuffer::int_type CardMaskingBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize CardMaskingBuffer::xsputn(const char* text, std::streamsize count) {
  std::streamsize i = 0;
  while (i < count) {
    if (IsDigit(text[i])) {
      // A run longer than any card number is passed on as it comes; only its
      // last digits are held back in case they end it.
      run_.push_back(text[i++]);
      if (run_.size() > 4 * kLongestCardNumber) {
        const auto passed = static_cast<std::streamsize>(run_.size() - kLongestCardNumber - 1);
        if (target_->sputn(run_.data(), passed) != passed) lost_ = true;
        run_.erase(0, run_.size() - kLongestCardNumber - 1);
      }
      continue;
    }
    EndRun();
    std::streamsize end = i;
    while (end < count && !IsDigit(text[end])) ++end;
    if (target_->sputn(text + i, end - i) != end - i) {
      lost_ = true;
      return i;
    }
    i = end;
  }
  return count;
}

int CardMaskingBuffer::sync() { return target_->pubsync(); }

bool CardMaskingBuffer::Finish() {
  EndRun();
  if (target_->pubsync() != 0) lost_ = true;
  return !lost_;
}

}  // namespace magcfg::cli
