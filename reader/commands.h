// The reader's six commands and what the report exchange needs to run each
// of them: its payload, its time-outs, the usage check and whether the
// reply is still read after a write that ran out. How each step is shown
// is the front ends' business (res/exchange_notices.h).
#pragma once

#include <cstddef>
#include <cstdint>

namespace magcfg::reader {

enum class CommandCode : std::uint8_t {
  Version = 0x05,
  PassiveMode = 0x06,
  ActiveMode = 0x07,
  ReadCard = 0x08,
  CardStatus = 0x09,
  SetFormat = 0x30,
};

struct ExchangeParameters {
  CommandCode code;
  std::size_t payloadLength;
  int writeTimeoutMs;
  int readTimeoutMs;  // for the first report, and for each further one of a card read
  bool usageCheck;
  bool stopAfterWriteTimeout;  // no read after a write that ran out
};

// The parameters of a command; every CommandCode has a row.
const ExchangeParameters& ParametersFor(CommandCode code);

inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::size_t kInputBufferSize = 1024;

}  // namespace magcfg::reader
