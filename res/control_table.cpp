#include "res/control_table.h"

#include "res/control_ids.h"

namespace magcfg {
namespace {

using K = ControlKind;
using T = TextSource;
using namespace style;

constexpr std::uint32_t kSentinelEdit = kTabStop | kCentered | kBorder | kAutoHScroll;
constexpr std::uint32_t kTrackEdit = kTabStop | kMultiLine | kReadOnly | kVScroll | kBorder | kAutoVScroll;

constexpr ControlSpec kControls[] = {
    {ctl::kDeviceFrame, K::GroupBox, 0, 7, 4, 197, 34, T::Language, "Device Controls", "frame around Find Device and Disconnect"},
    {ctl::kFindDevice, K::PushButton, kTabStop, 17, 15, 73, 18, T::Language, "Find Device", "Find Device"},
    {ctl::kNone, K::GroupBox, kHidden, 213, 4, 146, 32, T::Template, "语言选项(Language option)", "frame of the language choice"},
    {ctl::kLanguageChinese, K::AutoRadioButton, kHidden, 222, 18, 55, 9, T::Template, "中文(Chinese)", "language choice: Chinese"},
    {ctl::kLanguageEnglish, K::AutoRadioButton, kHidden, 289, 18, 55, 9, T::Template, "English(英文)", "language choice: English"},
    {ctl::kSentinelFrame, K::GroupBox, 0, 7, 41, 95, 64, T::Language, "SS and ES flag option", "frame of the sentinel boxes"},
    {ctl::kNone, K::StaticText, 0, 13, 67, 11, 8, T::Template, "SS:", "row caption of the start sentinels"},
    {ctl::kNone, K::StaticText, 0, 13, 83, 11, 8, T::Template, "ES:", "row caption of the end sentinels"},
    {ctl::kTrack1Start, K::Edit, kSentinelEdit, 24, 65, 15, 13, T::Panel, "", "track 1 start sentinel"},
    {ctl::kTrack1End, K::Edit, kSentinelEdit, 24, 82, 15, 13, T::Panel, "", "track 1 end sentinel"},
    {ctl::kTrack2End, K::Edit, kSentinelEdit, 48, 82, 15, 13, T::Panel, "", "track 2 end sentinel"},
    {ctl::kTrack3End, K::Edit, kSentinelEdit, 72, 82, 15, 13, T::Panel, "", "track 3 end sentinel"},
    {ctl::kTrack3Start, K::Edit, kSentinelEdit, 72, 65, 15, 13, T::Panel, "", "track 3 start sentinel"},
    {ctl::kTrack2Start, K::Edit, kSentinelEdit, 48, 65, 15, 13, T::Panel, "", "track 2 start sentinel"},
    {ctl::kOutputFrame, K::GroupBox, 0, 105, 42, 104, 64, T::Language, "Output Track option", "frame of the track output boxes"},
    {ctl::kOutputTrack1, K::AutoCheckBox, kTabStop, 112, 56, 80, 9, T::Language, "Output track 1 data", "output track 1"},
    {ctl::kOutputTrack2, K::AutoCheckBox, kTabStop, 112, 72, 80, 9, T::Language, "Output track 2 data", "output track 2"},
    {ctl::kOutputTrack3, K::AutoCheckBox, kTabStop, 112, 88, 80, 9, T::Language, "Output track 3 data", "output track 3"},
    {ctl::kCrFrame, K::GroupBox, 0, 212, 42, 169, 64, T::Language, "Output CR flag option", "frame of the CR boxes"},
    {ctl::kCrTrack1, K::AutoCheckBox, kTabStop, 219, 52, 132, 9, T::Language, "Output (CR) flag at the end of Track 1", "CR after track 1"},
    {ctl::kCrTrack2, K::AutoCheckBox, kTabStop, 219, 63, 132, 9, T::Language, "Output (CR) flag at the end of Track 2", "CR after track 2"},
    {ctl::kCrTrack3, K::AutoCheckBox, kTabStop, 219, 74, 132, 9, T::Language, "Output (CR) flag at the end of Track 3", "CR after track 3"},
    {ctl::kCrPacket, K::AutoCheckBox, kTabStop, 219, 90, 132, 9, T::Language, "Output (CR) flag at the end of packet", "CR after the whole packet"},
    {ctl::kNone, K::StaticText, 0, 24, 56, 17, 8, T::Template, "TRK1", "column caption, track 1"},
    {ctl::kNone, K::StaticText, 0, 47, 56, 17, 8, T::Template, "TRK2", "column caption, track 2"},
    {ctl::kNone, K::StaticText, 0, 71, 56, 17, 8, T::Template, "TRK3", "column caption, track 3"},
    {ctl::kSetDevice, K::PushButton, kTabStop, 169, 174, 74, 15, T::Language, "Set Device", "Set Device"},
    {ctl::kSetDefaultFormat, K::PushButton, kTabStop, 246, 174, 74, 15, T::Language, "Set default format", "Set default format"},
    {ctl::kStatusCaption, K::StaticText, kRightAligned, 4, 321, 37, 8, T::Language, "Status", "caption of the status line"},
    {ctl::kStatusLine, K::StaticText, kSunkenEdge, 44, 320, 348, 11, T::Empty, "", "status line"},
    {ctl::kDisconnect, K::PushButton, kTabStop, 100, 15, 73, 18, T::Language, "Disconnect Device", "Disconnect"},
    {ctl::kGetVersion, K::PushButton, kTabStop | kDisabled, 322, 174, 74, 15, T::Language, "Get Version", "Get Version"},
    {ctl::kInstruction1, K::StaticText, 0, 17, 120, 338, 10, T::Language, "First,insert USB magstripe card reader, then click 'Find device' ", "instruction line 1"},
    {ctl::kNoticeLine, K::StaticText, 0, 18, 147, 359, 20, T::Language, "Notice: 'Output (CR) flag at the end of packet' and 'Output (CR) flag at the end of Track X', they cann't select at the same time", "notice line"},
    {ctl::kInstruction2, K::StaticText, 0, 17, 135, 338, 9, T::Language, "Second,if status information is 'Detect device OK', then you can 'Set Device' ", "instruction line 2"},
    {ctl::kActiveUpload, K::PushButton, kTabStop, 246, 189, 74, 15, T::Language, "Upload mode active", "active upload mode"},
    {ctl::kPassiveUpload, K::PushButton, kTabStop, 169, 189, 74, 15, T::Language, "passive mode upload", "passive upload mode"},
    {ctl::kReadCard, K::PushButton, kTabStop | kMultiLine, 69, 183, 96, 22, T::Language, "Reader (passive mode upload)", "read card"},
    {ctl::kTrack1Data, K::Edit, kTrackEdit, 20, 238, 373, 26, T::Empty, "", "track 1 data"},
    {ctl::kTrack2Data, K::Edit, kTrackEdit, 20, 264, 373, 26, T::Empty, "", "track 2 data"},
    {ctl::kTrack3Data, K::Edit, kTrackEdit, 20, 290, 373, 26, T::Empty, "", "track 3 data"},
    {ctl::kTrack1Label, K::StaticText, 0, 8, 240, 8, 21, T::Language, "T\n1", "row label of track 1"},
    {ctl::kTrack2Label, K::StaticText, 0, 8, 268, 8, 21, T::Language, "T\n2", "row label of track 2"},
    {ctl::kTrack3Label, K::StaticText, 0, 8, 295, 8, 21, T::Language, "T\n3", "row label of track 3"},
    {ctl::kNone, K::StaticText, 0, 0, 184, 69, 8, T::Template, "Upload passive mode", "caption of the track selection list"},
    {ctl::kTrackSelection, K::DropDownList, kTabStop | kVScroll, 5, 194, 55, 57, T::Language, "", "track selection list"},
    {ctl::kCardStatus, K::PushButton, kTabStop, 322, 189, 74, 15, T::Language, "Check credit card status", "card status"},
    {ctl::kSwipeBox, K::Edit, kTabStop | kMultiLine | kVScroll | kBorder | kAutoVScroll | kWantReturn, 20, 209, 316, 25, T::Language,
     "before swipe the magnetic card please make sure the cursor is here!", "swipe box"},
    {ctl::kClearSwipe, K::PushButton, kTabStop, 343, 209, 50, 25, T::Language, "clear", "Clear"},
    {ctl::kInstructionsFrame, K::GroupBox, 0, 5, 110, 377, 62, T::Language, "Instructions", "frame of the instructions"},
};

static_assert(std::size(kControls) == 50, "the main window has 50 controls");

constexpr DialogSpec kDialog = {102, 136, 402, 337, "Microsoft Sans Serif", 9, "Magstripe Reader Setup"};

}  // namespace

const DialogSpec& MainDialogSpec() { return kDialog; }

std::span<const ControlSpec> MainDialogControls() { return kControls; }

const ControlSpec* FindControl(int id) {
  if (id == ctl::kNone) return nullptr;
  for (const ControlSpec& c : kControls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

}  // namespace magcfg
