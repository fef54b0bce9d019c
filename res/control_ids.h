// Control IDs of the main window. Every part of the program addresses a
// control by one of these numbers; the window template gives each its place.
#pragma once

namespace magcfg::ctl {

inline constexpr int kNone = -1;  // controls that are never addressed

inline constexpr int kDeviceFrame = 1000;
inline constexpr int kFindDevice = 1001;
inline constexpr int kLanguageChinese = 1002;
inline constexpr int kLanguageEnglish = 1003;
inline constexpr int kSentinelFrame = 1004;
inline constexpr int kTrack1Start = 1005;
inline constexpr int kTrack1End = 1006;
inline constexpr int kTrack2End = 1007;
inline constexpr int kTrack3End = 1008;
inline constexpr int kTrack3Start = 1009;
inline constexpr int kTrack2Start = 1010;
inline constexpr int kOutputTrack1 = 1011;
inline constexpr int kOutputTrack2 = 1012;
inline constexpr int kOutputTrack3 = 1013;
inline constexpr int kCrTrack1 = 1014;
inline constexpr int kCrTrack2 = 1015;
inline constexpr int kCrTrack3 = 1016;
inline constexpr int kCrPacket = 1017;
inline constexpr int kOutputFrame = 1018;
inline constexpr int kCrFrame = 1019;
inline constexpr int kSetDevice = 1020;
inline constexpr int kSetDefaultFormat = 1021;
inline constexpr int kStatusCaption = 1022;
inline constexpr int kStatusLine = 1023;
inline constexpr int kDisconnect = 1024;
inline constexpr int kGetVersion = 1025;
inline constexpr int kInstructionsFrame = 1026;
inline constexpr int kInstruction1 = 1027;
inline constexpr int kInstruction2 = 1028;
inline constexpr int kNoticeLine = 1029;
inline constexpr int kActiveUpload = 1030;
inline constexpr int kPassiveUpload = 1031;
inline constexpr int kReadCard = 1032;
inline constexpr int kTrack1Data = 1035;
inline constexpr int kTrack2Data = 1036;
inline constexpr int kTrack3Data = 1037;
inline constexpr int kTrackSelection = 1038;
inline constexpr int kCardStatus = 1039;
inline constexpr int kSwipeBox = 1040;
inline constexpr int kClearSwipe = 1041;
inline constexpr int kTrack1Label = 1042;
inline constexpr int kTrack2Label = 1043;
inline constexpr int kTrack3Label = 1044;

// The six sentinel boxes in the order every panel operation visits them:
// start and end of track 1, of track 2, of track 3.
inline constexpr int kSentinelBoxes[6] = {kTrack1Start, kTrack1End, kTrack2Start,
                                          kTrack2End,   kTrack3Start, kTrack3End};
inline constexpr int kOutputTrackBoxes[3] = {kOutputTrack1, kOutputTrack2, kOutputTrack3};
inline constexpr int kTrackCrBoxes[3] = {kCrTrack1, kCrTrack2, kCrTrack3};
inline constexpr int kTrackDataBoxes[3] = {kTrack1Data, kTrack2Data, kTrack3Data};

}  // namespace magcfg::ctl
