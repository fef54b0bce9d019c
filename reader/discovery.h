// Finding the reader: walk the HID interfaces in the platform's order and
// keep the first whose vendor and product IDs are the reader's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "reader/hid_port.h"

namespace magcfg::reader {

enum class FindOutcome {
  Found,         // the reader is open
  NotFound,      // every interface examined without a match
  ListFailed,    // the list of HID interfaces could not be obtained
  DetailFailed,  // an interface's details could not be read; the search stopped
};

struct FindResult {
  FindOutcome outcome = FindOutcome::NotFound;
  std::unique_ptr<HidDevice> device;  // set only when Found
  std::string path;
  std::uint16_t versionNumber = 0;
};

// The first matching interface, opened. Interfaces that cannot be opened,
// whose attributes cannot be read or whose IDs differ are passed over (and
// closed again). An enumeration failure other than the end of the list ends
// the walk as the end of the list does, rather than asking again for ever.
// Does not pause.
FindResult FindFirstReader(HidSystem& system);

struct ReaderInfo {
  std::string path;
  std::uint16_t versionNumber = 0;
};

// Every matching interface, each opened only to read its attributes.
std::vector<ReaderInfo> ListReaders(HidSystem& system, FindOutcome* outcome = nullptr);

}  // namespace magcfg::reader
