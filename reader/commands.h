// The reader's six commands and how the report exchange runs each of them:
// time-outs, the usage check and the notices shown along the way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "res/texts.h"

namespace magcfg::reader {

enum class CommandCode : std::uint8_t {
  Version = 0x05,
  PassiveMode = 0x06,
  ActiveMode = 0x07,
  ReadCard = 0x08,
  CardStatus = 0x09,
  SetFormat = 0x30,
};

// How a notice reaches the operator.
enum class NoticeForm {
  StatusLine,
  ErrorBox,           // the message as text, title "Error", error icon
  StatusAndErrorBox,  // the status line, then the message in a box titled "ERROR"
};

struct ExchangeParameters {
  CommandCode code;
  std::size_t payloadLength;
  int writeTimeoutMs;
  int readTimeoutMs;
  bool usageCheck;
  NoticeForm writeTimeoutNotice;  // always MSG_SEND_TIMEOUT
  bool stopAfterWriteTimeout;
  MessageKey writeSuccessNotice;  // in the status line
  // The version command shows its write notice only when the write was still
  // under way when the write call returned.
  bool writeNoticeOnlyIfCompletedLater;
  MessageKey readTimeoutNotice;
  NoticeForm readTimeoutForm;

  // Report ID, STX, command, payload, ETX.
  std::size_t FrameLength() const { return 4 + payloadLength; }
};

// The parameters of a command; every CommandCode has a row.
const ExchangeParameters& ParametersFor(CommandCode code);

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::size_t kInputBufferSize = 1024;

}  // namespace magcfg::reader
