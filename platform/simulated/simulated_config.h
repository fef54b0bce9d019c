// A simulated HID system described by plain data: which interfaces are
// present, how each one behaves, and how the reader among them answers.
// Tests start from SaneReaderConfig() and change a field or two to provoke
// one fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reader/hid_port.h"

namespace magcfg::sim {

// Virtual: transfers and pauses only move a clock, so tests never wait.
// RealTime: they also sleep, for the interactive program.
enum class Pacing { Virtual, RealTime };

enum class WriteCompletion {
  InsideCall,  // done before the write call returns, which then reports the whole report written
  AfterDelay,  // done writeDelayMs after the call; a shorter time-out runs out first
  Never,       // every wait for it runs out
};

// What a walk of the interfaces meets at one of them.
enum class Listing {
  Listed,            // its path is handed to the walk
  DetailFails,       // its details (its path) cannot be read: the walk stops there with DetailFailed
  EnumerationFails,  // the platform fails to enumerate it: the walk ends there, as at the end of the list
};

struct SimulatedInterface {
  std::string path;
  reader::HidAttributes attributes;
  Listing listing = Listing::Listed;
  bool opens = true;
  // When it does not open: refused for lack of permission, as Linux refuses
  // a hidraw node that belongs to root, rather than failing otherwise.
  bool permissionDenied = false;
  bool attributesReadable = true;
  // nullopt: the report description (preparsed data) cannot be had.
  std::optional<reader::ReportLengths> reportLengths = reader::ReportLengths{65, 65};
  bool usageCheckPasses = true;
  // Requests written to it reach the reader model, and its replies come back.
  bool isReader = false;
};

struct ReaderBehaviour {
  WriteCompletion writeCompletion = WriteCompletion::AfterDelay;
  int writeDelayMs = 1;
  // Whether the reader answers at all; it takes the requests either way.
  bool replies = true;
  int replyDelayMs = 4;      // from the start of the write to the first report of the reply
  int reportIntervalMs = 2;  // between the reports of one reply
  // When not empty, every request is answered with exactly these input
  // reports (byte 0 the report ID), each cut or zero-padded to the input
  // report length, instead of the model's answer.
  std::vector<std::vector<std::uint8_t>> scriptedReply;
  // When set, the reader also sends a filler report this often, for ever.
  std::optional<int> floodEveryMs;
  std::uint8_t floodByte = '*';
  // When set to Failed or ReaderGone, every write (read) on the reader ends
  // at once that way, as with a stalled endpoint or a reader pulled out.
  std::optional<reader::TransferStatus> failWrites;
  std::optional<reader::TransferStatus> failReads;
  std::string versionText = "V1.02";
};

struct SimulatedReaderConfig {
  bool listObtainable = true;
  std::vector<SimulatedInterface> interfaces;  // in enumeration order
  ReaderBehaviour reader;
  Pacing pacing = Pacing::Virtual;
};

inline constexpr std::uint16_t kSaneReaderVersion = 0x0102;
inline constexpr std::uint16_t kSaneReportLength = 65;  // report ID plus 64 bytes

// A keyboard, a mouse and then the reader (version 0x0102, reports of 65
// bytes), all opening and answering as they should.
SimulatedReaderConfig SaneReaderConfig();
inline constexpr std::size_t kSaneReaderIndex = 2;

// An interface that is not the reader.
SimulatedInterface OtherInterface(std::string path, std::uint16_t vendorId, std::uint16_t productId);
// An interface with the reader's identity.
SimulatedInterface ReaderInterface(std::string path, std::uint16_t versionNumber = kSaneReaderVersion);

}  // namespace magcfg::sim
