// The texts of the window that stands in for the reader with --simulate, in
// English and Chinese: its captions, what a swipe did, and the words that
// describe the reader's state. The window speaks the language the program
// starts in; its title, "Simulated reader", stays English in both.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "res/texts.h"

namespace magcfg::sim {

enum class ReaderWindowText {
  Intro,
  SwipeGood,
  SwipeBlankTrack3,
  SwipeUnreadable,
  StateBox,
  ModeLabel,
  FormatLabel,
  LastSwipeLabel,
  NoSwipeYet,
  PassiveKeepsSwipe,
  UnreadableCard,  // {1}: the caption of Check credit card status
  NoFocus,
  Typing,             // {1}: characters
  TypingStopped,      // {1} of {2} characters
  TypedIntoSwipeBox,  // {1}: characters
  TypedIntoOtherBox,  // {1}: characters
  // The reader's state in words.
  ModeActive,
  ModePassive,  // {1}, {2}: the captions of Read card and Check credit card status
  TrackFormat,  // {1}: the track, {2}: what it sends
  TrackNotSent,
  Sentinels,  // {1} … {2}
  SentinelNone,
  SentinelSpace,
  EnterAfterSwipe,
  EnterNone,
  EnterAfterTracks,  // {1}: the tracks' numbers
  ListComma,
  ListAnd,
  OneTrack,       // {1}: its number
  SeveralTracks,  // {1}: their numbers
  SwipeNone,
  SwipeUnread,
  SwipeRead,
  SwipeReadTracks,  // {1}: the tracks with data
  SwipeBlankTracks,  // {1}: the blank tracks
};

// The window's title, the same in both languages.
inline constexpr std::string_view kReaderWindowTitle = "Simulated reader";

// The text in that language, "{1}" and "{2}" replaced by the values given.
std::string WindowText(ReaderWindowText key, UiLanguage language, std::initializer_list<std::string_view> values = {});

// The caption a control of the main window has in that language.
std::string_view CaptionOf(int control, UiLanguage language);

}  // namespace magcfg::sim
