// The Windows calls of the HID backend, faked: a scripted list of HID
// interfaces with their paths, identities, report lengths and transfer
// outcomes, and a record of how the backend called each function.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/hid_api.h"

namespace magcfg::win32::test {

enum class Outcome {
  InCall,       // completes inside the call
  Pending,      // under way when the call returns, done when waited for
  TimesOut,     // the wait runs out; cancelling ends it
  Abandoned,    // the wait reports WAIT_ABANDONED
  FailsAtOnce,  // the call fails without starting, with ERROR_DEVICE_NOT_CONNECTED: the event is never set
  WaitFails,    // the wait itself fails (WAIT_FAILED)
  EndsFailed,   // under way when the call returns, then ends with ERROR_GEN_FAILURE
};

struct FakeRead {
  Outcome outcome = Outcome::InCall;
  std::vector<std::uint8_t> bytes;
};

struct FakeInterface {
  std::wstring path;
  bool sizeQueryFails = false;  // the size query reports 0
  DWORD reportedSize = 0;       // the size the query reports; 0: what the path needs
  bool detailFails = false;
  bool unterminatedPath = false;  // the record fills its buffer without a zero
  bool opens = true;
  bool attributesReadable = true;
  USHORT vendorId = 0, productId = 0, versionNumber = 0;
  bool preparsed = true;
  USHORT inputLength = 9, outputLength = 12;
  NTSTATUS usageStatus = HIDP_STATUS_SUCCESS;
  // HidD_FlushQueue fails, as under Wine 8.0, whose HID class does not
  // handle the request (seen in the test machine: "Unsupported ioctl 0xb0197").
  bool flushRefused = false;
  std::vector<Outcome> writes;  // one per write, in order; InCall when used up
  std::vector<FakeRead> reads;  // one per read, in order; TimesOut when used up
};

struct SetUsagesCall {
  HIDP_REPORT_TYPE reportType;
  USAGE usagePage;
  USHORT linkCollection;
  std::vector<USAGE> usages;  // the three entries of the list
  ULONG usageCount;
  std::vector<std::uint8_t> report;
  ULONG reportLength;
};

struct CreateFileCall {
  std::wstring path;
  DWORD access, share, disposition, flags;
  bool securityAttributes, templateFile;
};

struct FakeHidWorld {
  // The script.
  bool listObtainable = true;
  std::optional<DWORD> enumerationError;  // instead of ERROR_NO_MORE_ITEMS at the end of the list
  std::vector<FakeInterface> interfaces;
  DWORD openError = ERROR_ACCESS_DENIED;  // the last error of a CreateFile that fails
  // One per CreateMutexW, in order: 0 gives a mutex, anything else fails the
  // call with that error; 0 once used up.
  std::vector<DWORD> mutexCreateErrors;
  std::vector<DWORD> mutexWaits;  // one per wait on a mutex, in order; WAIT_OBJECT_0 once used up

  // The record.
  int listsMade = 0, listsDestroyed = 0;
  GUID classGuidAsked{};
  DWORD classFlags = 0;
  std::vector<DWORD> interfaceDataSizes;  // cbSize of each enumeration's record
  std::vector<DWORD> detailSizes;         // cbSize of each detail record read
  std::vector<CreateFileCall> opens;
  std::set<HANDLE> openHandles;           // files and events not yet closed
  int preparsedTaken = 0, preparsedFreed = 0;
  std::vector<SetUsagesCall> setUsages;
  int eventsCreated = 0;
  bool eventArgumentsRight = true;  // unnamed, manual reset, signalled, no security attributes
  // "write", "read", "reset", "wait 1000", "result", "cancel", "flush", "close event", "close file",
  // "create mutex", "wait mutex 1000", "release mutex", "close mutex"
  std::vector<std::string> calls;
  std::vector<std::wstring> mutexNames;  // of each CreateMutexW
  std::size_t mutexCreateCalls = 0, mutexWaitCalls = 0;
  bool mutexArgumentsRight = true;       // no security attributes, not owned at creation
  std::vector<std::vector<std::uint8_t>> written;
  bool overlappedRight = true;       // offsets 0 and the current event in every transfer
  int closedWithTransferOutstanding = 0;
  std::vector<DWORD> sleeps;
};

// The fake calls, acting on world until the next Install.
HidApi FakeHidApi();
void Install(FakeHidWorld& world);

// Handle of the file opened for interface index (for checks).
HANDLE FakeFileHandle(std::size_t index);

}  // namespace magcfg::win32::test
