// The report lengths an interface's HID report descriptor implies, counted
// as the Windows HID capabilities count them: the longest report of each
// kind plus one byte for the report ID, which is counted even when the
// device uses no report IDs. Platforms that hand over the raw descriptor
// (Linux hidraw) get their lengths from here.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "reader/hid_port.h"

namespace magcfg::reader {

enum class DescriptorError {
  None,
  Empty,                 // no bytes at all
  TruncatedItem,         // an item's data runs past the end of the descriptor
  PopWithoutPush,        // a Pop with no saved global state
  PushTooDeep,           // more nested Pushes than any device needs
  UnbalancedCollection,  // an End Collection without its Collection, or a Collection left open
  InvalidReportId,       // Report ID 0 or above 255
};

struct DescriptorParse {
  // Input and output report lengths; 0 for a kind the descriptor has no
  // report of. nullopt when the descriptor is unusable.
  std::optional<ReportLengths> lengths;
  DescriptorError error = DescriptorError::None;  // why lengths is nullopt
  // Whether the reports carry report IDs (the descriptor names at least
  // one). Without them, hidraw hands over a report without an ID byte.
  bool usesReportIds = false;
};

// Lengths that do not fit 16 bits saturate at 0xFFFF; the parser never
// reads outside the span.
DescriptorParse ParseReportDescriptor(std::span<const std::uint8_t> descriptor);

}  // namespace magcfg::reader
