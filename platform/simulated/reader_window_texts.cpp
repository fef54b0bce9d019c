#include "platform/simulated/reader_window_texts.h"

#include <algorithm>
#include <iterator>

namespace magcfg::sim {
namespace {

struct Row {
  ReaderWindowText key;
  BilingualText text;
};

constexpr Row kTexts[] = {
    {ReaderWindowText::Intro,
     {"This window stands in for the card reader. Swipe a sample card:", "此窗口代替读卡器。刷一张样卡："}},
    {ReaderWindowText::SwipeGood, {"Swipe a good card (three tracks)", "刷一张好卡（三个轨道）"}},
    {ReaderWindowText::SwipeBlankTrack3, {"Swipe a card with track 3 blank", "刷一张第3轨空白的卡"}},
    {ReaderWindowText::SwipeUnreadable, {"Swipe an unreadable card", "刷一张无法读取的卡"}},
    {ReaderWindowText::StateBox, {"The reader now", "读卡器当前状态"}},
    {ReaderWindowText::ModeLabel, {"Upload mode:", "上传模式："}},
    {ReaderWindowText::FormatLabel, {"Format:", "格式："}},
    {ReaderWindowText::LastSwipeLabel, {"Last swipe:", "上次刷卡："}},
    {ReaderWindowText::NoSwipeYet, {"No card swiped yet.", "尚未刷卡。"}},
    {ReaderWindowText::PassiveKeepsSwipe,
     {"Nothing typed: in passive upload the reader keeps the swipe until the program asks for it.",
      "未输入任何字符：被动上传模式下，读卡器保留刷卡数据，直到程序来读取。"}},
    {ReaderWindowText::UnreadableCard,
     {"Nothing typed: the card could not be read. \u201C{1}\u201D tells the program so.",
      "未输入任何字符：无法读取此卡。\u201C{1}\u201D会告知程序。"}},
    {ReaderWindowText::NoFocus,
     {"Nothing typed: no box of the program has the keyboard focus. Click into the swipe box, then swipe again.",
      "未输入任何字符：程序中没有输入框获得键盘焦点。请先点击刷卡框，再刷一次。"}},
    {ReaderWindowText::Typing, {"Typing {1} characters\u2026", "正在输入 {1} 个字符\u2026"}},
    {ReaderWindowText::TypingStopped,
     {"Typing stopped after {1} of {2} characters: the box went away or did not get the keyboard focus back.",
      "输入了 {2} 个字符中的 {1} 个后停止：输入框已关闭，或没能重新获得键盘焦点。"}},
    {ReaderWindowText::TypedIntoSwipeBox, {"Typed {1} characters into the swipe box.", "已向刷卡框输入 {1} 个字符。"}},
    {ReaderWindowText::TypedIntoOtherBox,
     {"Typed {1} characters into the focused box. To see the tracks split, click into the swipe box and swipe "
      "again.",
      "已向获得焦点的输入框输入 {1} 个字符。要看各轨分开显示，请点击刷卡框后再刷一次。"}},
    {ReaderWindowText::ModeActive,
     {"active: each swipe is typed into the box that has the keyboard focus; click into the swipe box first.",
      "主动：每次刷卡都输入到获得键盘焦点的输入框中；请先点击刷卡框。"}},
    {ReaderWindowText::ModePassive,
     {"passive: a swipe waits in the reader for \u201C{1}\u201D or \u201C{2}\u201D.",
      "被动：刷卡数据留在读卡器中，等待\u201C{1}\u201D或\u201C{2}\u201D。"}},
    {ReaderWindowText::TrackFormat, {"Track {1}: {2}", "第{1}轨：{2}"}},
    {ReaderWindowText::TrackNotSent, {"not sent", "不输出"}},
    {ReaderWindowText::Sentinels, {"{1} \u2026 {2}", "{1} \u2026 {2}"}},
    {ReaderWindowText::SentinelNone, {"none", "无"}},
    {ReaderWindowText::SentinelSpace, {"space", "空格"}},
    {ReaderWindowText::EnterAfterSwipe, {"Enter: once, after the whole swipe", "回车：整次刷卡之后一次"}},
    {ReaderWindowText::EnterNone, {"Enter: none", "回车：无"}},
    {ReaderWindowText::EnterAfterTracks, {"Enter: after track {1}", "回车：第{1}轨之后"}},
    {ReaderWindowText::ListComma, {", ", "、"}},
    {ReaderWindowText::ListAnd, {" and ", "、"}},
    {ReaderWindowText::OneTrack, {"track {1}", "第{1}轨"}},
    {ReaderWindowText::SeveralTracks, {"tracks {1}", "第{1}轨"}},
    {ReaderWindowText::SwipeNone, {"none", "无"}},
    {ReaderWindowText::SwipeUnread, {"failed: the card could not be read", "失败：无法读取此卡"}},
    {ReaderWindowText::SwipeRead, {"read", "已读"}},
    {ReaderWindowText::SwipeReadTracks, {"read: {1}", "已读：{1}"}},
    {ReaderWindowText::SwipeBlankTracks, {", {1} blank", "，{1}空白"}},
};

}  // namespace

std::string WindowText(ReaderWindowText key, UiLanguage language, std::initializer_list<std::string_view> values) {
  const auto* row = std::find_if(std::begin(kTexts), std::end(kTexts), [&](const Row& r) { return r.key == key; });
  if (row == std::end(kTexts)) return {};
  std::string text = row->text.In(language);
  std::size_t number = 1;
  for (const std::string_view value : values) {
    const std::string mark = "{" + std::to_string(number++) + "}";
    const std::size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, mark.size(), value);
  }
  return text;
}

std::string_view CaptionOf(int control, UiLanguage language) {
  for (const CaptionRow& row : CaptionTable()) {
    if (row.control == control) return row.text.In(language);
  }
  return {};
}

}  // namespace magcfg::sim
