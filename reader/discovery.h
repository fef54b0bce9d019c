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
  AccessDenied,  // no reader opened, but one was seen that the user may not open
};

struct FindResult {
  FindOutcome outcome = FindOutcome::NotFound;
  std::unique_ptr<HidDevice> device;  // set only when Found
  std::string path;                   // the reader's, also when AccessDenied
  std::uint16_t versionNumber = 0;
};

// The first matching interface, opened. Interfaces that cannot be opened,
// whose attributes cannot be read or whose IDs differ are passed over (and
// closed again). An interface whose details cannot be read stops the walk
// with DetailFailed. A reader that the platform refuses to open for lack of
// permission, known as the reader without opening it, is passed over too,
// but remembered: when no reader opens, the outcome is AccessDenied with its
// path. Does not pause.
FindResult FindFirstReader(HidSystem& system);

// An open that failed for lack of permission, at an interface known to be
// the reader without opening it.
bool IsRefusedReader(HidSystem& system, const std::string& path, OpenFailure failure);

struct ReaderInfo {
  std::string path;
  std::uint16_t versionNumber = 0;
};

// Every matching interface, each opened only to read its attributes.
// `refusedPath`, when given, gets the first reader refused for lack of
// permission.
std::vector<ReaderInfo> ListReaders(HidSystem& system, FindOutcome* outcome = nullptr,
                                    std::string* refusedPath = nullptr);

}  // namespace magcfg::reader
