// The USB identity of the magnetic-stripe reader.
#pragma once

#include <cstdint>

namespace magcfg::reader {

inline constexpr std::uint16_t kReaderVendorId = 0x5131;
inline constexpr std::uint16_t kReaderProductId = 0x2007;

}  // namespace magcfg::reader
