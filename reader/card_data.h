// Card numbers in card data. A track knows where a card number lies in it:
// track 1 after its format code up to '^', track 2 up to '=', track 3 after
// its two-digit format code up to '=' (a field of 12 to 19 digits), and any
// run of 12 to 19 digits that passes the Luhn check, also with the digits in
// groups split by single spaces or dashes. Output masks the track before it
// lays it out, escapes it or turns it into hexadecimal: a pattern run over
// finished output misses a number that a sentinel, an escape or a report
// boundary has joined to other digits.
//
// The mask keeps a number's first six and last four digits and shows a '*'
// for each digit between; separators and other characters stay.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "reader/card_swipe.h"
#include "reader/replies.h"

namespace magcfg::reader {

class CardTrack {
 public:
  // track: 1, 2 or 3, which says where its account number field lies. Each
  // character is one of the track; a byte of the reader stands for U+0000 to
  // U+00FF. A zero character is left out of what is shown, so it joins the
  // digits on its two sides, and is passed over here likewise.
  CardTrack(int track, std::u32string characters);
  // The track as the reader holds it: each byte one character.
  static CardTrack FromBytes(int track, std::string_view bytes);

  // The track as read, card numbers whole.
  const std::u32string& Whole() const { return characters_; }
  std::u32string Masked() const;
  std::u32string Shown(bool whole) const { return whole ? characters_ : Masked(); }

  // Whether the mask hides the character at index.
  bool Hidden(std::size_t index) const { return index < hidden_.size() && hidden_[index]; }

 private:
  std::u32string characters_;
  std::vector<bool> hidden_;
};

// Which characters of a text that is not a track the mask hides: the
// digits of its Luhn-valid runs alone. Zero characters are passed over, as
// in a track.
std::vector<bool> HiddenInRuns(std::u32string_view text);

// A text that is not a track (an echo of what the operator typed) with the
// digits of its Luhn-valid runs masked.
std::u32string MaskRuns(std::u32string_view text);

// The swipe with each track masked, as bytes again.
CardSwipe MaskedSwipe(const CardSwipe& swipe);

// Masks the card numbers in the reports of one reply, each as it was read
// (byte 0 the report ID), before they are shown in hexadecimal: a hidden
// digit becomes '*'. decoded: what a card read made of these reports, the
// first of them its first report; null for a reply that was not decoded as
// one. A decoded track is masked where it holds a card number. Every other
// byte gets the run rule, with runs going on from one report's byte 64 into
// the next report's byte 1, as the decoding reads them, and within each
// report whatever its length.
void MaskCardData(std::span<std::vector<std::uint8_t>> reports, const CardReadResult* decoded);

}  // namespace magcfg::reader
