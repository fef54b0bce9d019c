// The swipe capture fed with any sequence of swipe box texts and sentinel sets.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "res/control_ids.h"
#include "tests/support/fake_window.h"
#include "text/text_codec.h"
#include "ui/swipe_capture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace magcfg;
  magcfg::test::FakeWindow window;
  SentinelSet sentinels;
  SwipeCapture capture;
  // Records separated by 0x00: a record starting with 0x01 sets the six
  // sentinels from its next bytes (0x02 for an empty one); any other record is
  // the swipe box's next text.
  std::size_t start = 0;
  for (std::size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != 0) continue;
    const std::string record(reinterpret_cast<const char*>(data + start), i - start);
    start = i + 1;
    if (!record.empty() && record[0] == '\x01') {
      for (std::size_t s = 0; s < 6; ++s) {
        const char c = s + 1 < record.size() ? record[s + 1] : '\x02';
        sentinels.texts[s] = c == '\x02' ? std::string() : std::string(1, c);
      }
      continue;
    }
    window.SetText(ctl::kSwipeBox, record);
    capture.OnSwipeBoxChange(window, sentinels);
    int capturing = 0;
    for (bool flag : capture.capturing) capturing += flag ? 1 : 0;
    FUZZ_CHECK(capturing <= 1);
    if (!record.empty() && LastCodePoint(record) == U'\n') {
      FUZZ_CHECK(capturing == 0);
      for (const auto& track : capture.tracks) FUZZ_CHECK(track.empty());
    }
    // The boxes show what was captured before: valid text, never the sentinel '?'.
    for (int box : ctl::kTrackDataBoxes) FUZZ_CHECK(window.GetText(box).find('?') == std::string::npos);
  }
  return 0;
}
