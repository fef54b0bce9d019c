// The USB identity of the magnetic-stripe reader.
#pragma once

#include <cstdint>

#include "reader/hid_port.h"

namespace magcfg::reader {

inline constexpr std::uint16_t kReaderVendorId = 0x5131;
inline constexpr std::uint16_t kReaderProductId = 0x2007;

// Both IDs must be the reader's.
inline bool IsReader(const HidAttributes& attributes) {
  return attributes.vendorId == kReaderVendorId && attributes.productId == kReaderProductId;
}

}  // namespace magcfg::reader
