#include "tests/platform/win32/fake_hid_api.h"

#include <algorithm>
#include <cstring>

namespace magcfg::win32::test {
namespace {

FakeHidWorld* g_world = nullptr;
DWORD g_lastError = 0;

const HDEVINFO kList = reinterpret_cast<HDEVINFO>(0x3000);
constexpr std::uintptr_t kFileBase = 0x10000;
constexpr std::uintptr_t kEventBase = 0x20000;
constexpr std::uintptr_t kMutexBase = 0x80000;

struct Device {
  std::size_t index = 0;
  std::size_t writesDone = 0, readsDone = 0;
  bool outstanding = false;  // a transfer under way or run out, not cancelled
  bool cancelled = false;
};
std::map<HANDLE, Device> g_devices;
std::map<HANDLE, Outcome> g_eventOutcome;  // the outcome of the transfer on each event
std::uintptr_t g_nextEvent = 0;
std::uintptr_t g_nextMutex = 0;

FakeHidWorld& W() { return *g_world; }

bool IsFile(HANDLE h) { return reinterpret_cast<std::uintptr_t>(h) >= kFileBase && reinterpret_cast<std::uintptr_t>(h) < kEventBase; }
bool IsMutex(HANDLE h) { return reinterpret_cast<std::uintptr_t>(h) >= kMutexBase; }

std::size_t DetailSize(const FakeInterface& i) {
  return offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath) + (i.path.size() + 1) * sizeof(WCHAR);
}

void WINAPI FakeGetHidGuid(LPGUID guid) {
  // {4D1E55B2-F16F-11CF-88CB-001111000030}
  *guid = GUID{0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
}

HDEVINFO WINAPI FakeGetClassDevs(const GUID* guid, PCWSTR enumerator, HWND parent, DWORD flags) {
  W().classGuidAsked = guid != nullptr ? *guid : GUID{};
  W().classFlags = flags;
  if (enumerator != nullptr || parent != nullptr || !W().listObtainable) {
    g_lastError = ERROR_INVALID_PARAMETER;
    return INVALID_HANDLE_VALUE;
  }
  ++W().listsMade;
  return kList;
}

WINBOOL WINAPI FakeEnumDeviceInterfaces(HDEVINFO list, PSP_DEVINFO_DATA, const GUID*, DWORD index,
                                    PSP_DEVICE_INTERFACE_DATA data) {
  W().interfaceDataSizes.push_back(data->cbSize);
  // The platform refuses a record whose size is not its own.
  if (list != kList || data->cbSize != 32) {
    g_lastError = ERROR_INVALID_USER_BUFFER;
    return FALSE;
  }
  if (index >= W().interfaces.size()) {
    g_lastError = W().enumerationError.value_or(ERROR_NO_MORE_ITEMS);
    return FALSE;
  }
  data->Reserved = static_cast<ULONG_PTR>(index);
  return TRUE;
}

WINBOOL WINAPI FakeGetDeviceInterfaceDetail(HDEVINFO, PSP_DEVICE_INTERFACE_DATA data,
                                        PSP_DEVICE_INTERFACE_DETAIL_DATA_W detail, DWORD size, PDWORD required,
                                        PSP_DEVINFO_DATA) {
  const FakeInterface& i = W().interfaces.at(static_cast<std::size_t>(data->Reserved));
  const std::size_t needed = i.reportedSize != 0 ? i.reportedSize : DetailSize(i);
  if (detail == nullptr) {
    if (required != nullptr) *required = i.sizeQueryFails ? 0 : static_cast<DWORD>(needed);
    g_lastError = ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  W().detailSizes.push_back(detail->cbSize);
  if (detail->cbSize != 8 || i.detailFails || size < needed) {
    g_lastError = detail->cbSize != 8 ? ERROR_INVALID_USER_BUFFER : ERROR_INSUFFICIENT_BUFFER;
    return FALSE;
  }
  const std::size_t room = (size - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
  if (i.unterminatedPath) {
    for (std::size_t k = 0; k < room; ++k) detail->DevicePath[k] = L'x';
  } else {
    std::copy(i.path.begin(), i.path.end(), detail->DevicePath);
    detail->DevicePath[i.path.size()] = L'\0';
  }
  return TRUE;
}

WINBOOL WINAPI FakeDestroyDeviceInfoList(HDEVINFO list) {
  if (list == kList) ++W().listsDestroyed;
  return TRUE;
}

HANDLE WINAPI FakeCreateFile(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                         DWORD flags, HANDLE templateFile) {
  W().opens.push_back({path, access, share, disposition, flags, security != nullptr, templateFile != nullptr});
  for (std::size_t k = 0; k < W().interfaces.size(); ++k) {
    if (W().interfaces[k].path == path && W().interfaces[k].opens) {
      const HANDLE h = FakeFileHandle(k);
      if (W().openHandles.count(h) != 0) break;  // this fake opens each interface once at a time
      W().openHandles.insert(h);
      g_devices[h] = Device{k};
      return h;
    }
  }
  g_lastError = W().openError;
  return INVALID_HANDLE_VALUE;
}

WINBOOL WINAPI FakeCloseHandle(HANDLE h) {
  if (W().openHandles.erase(h) == 0) {
    g_lastError = ERROR_INVALID_HANDLE;
    return FALSE;
  }
  if (IsMutex(h)) {
    W().calls.push_back("close mutex");
  } else if (IsFile(h)) {
    if (g_devices[h].outstanding) ++W().closedWithTransferOutstanding;
    g_devices.erase(h);
    W().calls.push_back("close file");
  } else {
    g_eventOutcome.erase(h);
    W().calls.push_back("close event");
  }
  return TRUE;
}

const FakeInterface* InterfaceOf(HANDLE h) {
  const auto it = g_devices.find(h);
  return it == g_devices.end() ? nullptr : &W().interfaces[it->second.index];
}

BOOLEAN WINAPI FakeGetAttributes(HANDLE h, PHIDD_ATTRIBUTES attributes) {
  const FakeInterface* i = InterfaceOf(h);
  if (i == nullptr || !i->attributesReadable || attributes->Size != sizeof(HIDD_ATTRIBUTES)) return FALSE;
  attributes->VendorID = i->vendorId;
  attributes->ProductID = i->productId;
  attributes->VersionNumber = i->versionNumber;
  return TRUE;
}

BOOLEAN WINAPI FakeGetPreparsedData(HANDLE h, PHIDP_PREPARSED_DATA* data) {
  const FakeInterface* i = InterfaceOf(h);
  if (i == nullptr || !i->preparsed) return FALSE;
  ++W().preparsedTaken;
  *data = reinterpret_cast<PHIDP_PREPARSED_DATA>(const_cast<FakeInterface*>(i));
  return TRUE;
}

BOOLEAN WINAPI FakeFreePreparsedData(PHIDP_PREPARSED_DATA) {
  ++W().preparsedFreed;
  return TRUE;
}

NTSTATUS WINAPI FakeGetCaps(PHIDP_PREPARSED_DATA data, PHIDP_CAPS caps) {
  const auto* i = reinterpret_cast<const FakeInterface*>(data);
  *caps = HIDP_CAPS{};
  caps->InputReportByteLength = i->inputLength;
  caps->OutputReportByteLength = i->outputLength;
  return HIDP_STATUS_SUCCESS;
}

NTSTATUS WINAPI FakeSetUsages(HIDP_REPORT_TYPE type, USAGE page, USHORT link, PUSAGE usages, PULONG count,
                          PHIDP_PREPARSED_DATA data, PCHAR report, ULONG length) {
  const auto* i = reinterpret_cast<const FakeInterface*>(data);
  SetUsagesCall call{type, page, link, {usages[0], usages[1], usages[2]}, *count, {}, length};
  call.report.assign(reinterpret_cast<std::uint8_t*>(report), reinterpret_cast<std::uint8_t*>(report) + length);
  W().setUsages.push_back(std::move(call));
  return i->usageStatus;
}

HANDLE WINAPI FakeCreateEvent(LPSECURITY_ATTRIBUTES security, WINBOOL manualReset, WINBOOL initialState, LPCWSTR name) {
  if (security != nullptr || !manualReset || !initialState || name != nullptr) W().eventArgumentsRight = false;
  ++W().eventsCreated;
  const auto h = reinterpret_cast<HANDLE>(kEventBase + 16 * ++g_nextEvent);
  W().openHandles.insert(h);
  g_eventOutcome[h] = Outcome::InCall;  // created signalled
  return h;
}

WINBOOL WINAPI FakeResetEvent(HANDLE h) {
  W().calls.push_back("reset");
  g_eventOutcome[h] = Outcome::FailsAtOnce;  // not signalled until a transfer sets it
  return TRUE;
}

WINBOOL StartTransfer(HANDLE h, Outcome outcome, LPOVERLAPPED overlapped, LPDWORD count, DWORD length) {
  if (overlapped == nullptr || overlapped->Offset != 0 || overlapped->OffsetHigh != 0 ||
      g_eventOutcome.count(overlapped->hEvent) == 0) {
    W().overlappedRight = false;
  }
  Device& device = g_devices[h];
  device.cancelled = false;
  if (count != nullptr) *count = 0;
  g_eventOutcome[overlapped->hEvent] = outcome;
  switch (outcome) {
    case Outcome::InCall:
      if (count != nullptr) *count = length;
      return TRUE;
    case Outcome::FailsAtOnce:
      g_lastError = ERROR_DEVICE_NOT_CONNECTED;
      return FALSE;
    default:
      device.outstanding = true;
      g_lastError = ERROR_IO_PENDING;
      return FALSE;
  }
}

WINBOOL WINAPI FakeWriteFile(HANDLE h, LPCVOID buffer, DWORD length, LPDWORD written, LPOVERLAPPED overlapped) {
  W().calls.push_back("write");
  const FakeInterface* i = InterfaceOf(h);
  if (i == nullptr) return FALSE;
  Device& device = g_devices[h];
  const Outcome outcome = device.writesDone < i->writes.size() ? i->writes[device.writesDone] : Outcome::InCall;
  ++device.writesDone;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  W().written.emplace_back(bytes, bytes + length);
  return StartTransfer(h, outcome, overlapped, written, length);
}

WINBOOL WINAPI FakeReadFile(HANDLE h, LPVOID buffer, DWORD length, LPDWORD read, LPOVERLAPPED overlapped) {
  W().calls.push_back("read");
  const FakeInterface* i = InterfaceOf(h);
  if (i == nullptr) return FALSE;
  Device& device = g_devices[h];
  const FakeRead script = device.readsDone < i->reads.size() ? i->reads[device.readsDone] : FakeRead{Outcome::TimesOut, {}};
  ++device.readsDone;
  if (script.outcome != Outcome::TimesOut && script.outcome != Outcome::FailsAtOnce) {
    std::memcpy(buffer, script.bytes.data(), std::min<std::size_t>(length, script.bytes.size()));
  }
  return StartTransfer(h, script.outcome, overlapped, read, length);
}

DWORD WINAPI FakeWaitForSingleObject(HANDLE h, DWORD timeout) {
  if (IsMutex(h)) {
    W().calls.push_back("wait mutex " + std::to_string(timeout));
    const std::size_t k = W().mutexWaitCalls++;
    return k < W().mutexWaits.size() ? W().mutexWaits[k] : WAIT_OBJECT_0;
  }
  W().calls.push_back("wait " + std::to_string(timeout));
  const auto it = g_eventOutcome.find(h);
  if (it == g_eventOutcome.end()) return WAIT_FAILED;
  // The transfer on this event belongs to whichever device started it.
  Device* device = nullptr;
  for (auto& [file, d] : g_devices) {
    if (d.outstanding) device = &d;
  }
  switch (it->second) {
    case Outcome::InCall:
    case Outcome::Pending:
    case Outcome::EndsFailed:
      if (device != nullptr) device->outstanding = false;
      return WAIT_OBJECT_0;
    case Outcome::TimesOut:
      if (device != nullptr && device->cancelled) {
        device->outstanding = false;
        return WAIT_OBJECT_0;
      }
      return WAIT_TIMEOUT;
    case Outcome::Abandoned:
      return WAIT_ABANDONED;
    case Outcome::FailsAtOnce:
      return WAIT_TIMEOUT;
    case Outcome::WaitFails:
      if (device != nullptr) device->outstanding = false;
      return WAIT_FAILED;
  }
  return WAIT_FAILED;
}

WINBOOL WINAPI FakeGetOverlappedResult(HANDLE h, LPOVERLAPPED overlapped, LPDWORD count, WINBOOL wait) {
  W().calls.push_back("result");
  const auto it = overlapped != nullptr ? g_eventOutcome.find(overlapped->hEvent) : g_eventOutcome.end();
  if (InterfaceOf(h) == nullptr || it == g_eventOutcome.end() || wait) {
    g_lastError = ERROR_INVALID_PARAMETER;
    return FALSE;
  }
  if (it->second == Outcome::EndsFailed) {
    g_lastError = ERROR_GEN_FAILURE;
    return FALSE;
  }
  if (count != nullptr) *count = 0;
  return TRUE;
}

BOOLEAN WINAPI FakeFlushQueue(HANDLE h) {
  W().calls.push_back("flush");
  const FakeInterface* i = InterfaceOf(h);
  if (i == nullptr || i->flushRefused) {
    g_lastError = ERROR_NOT_SUPPORTED;
    return FALSE;
  }
  return TRUE;
}

WINBOOL WINAPI FakeCancelIo(HANDLE h) {
  W().calls.push_back("cancel");
  const auto it = g_devices.find(h);
  if (it == g_devices.end()) return FALSE;
  it->second.cancelled = true;
  for (auto& [event, outcome] : g_eventOutcome) {
    if (outcome == Outcome::Abandoned) outcome = Outcome::TimesOut;  // settles as cancelled
  }
  return TRUE;
}

HANDLE WINAPI FakeCreateMutex(LPSECURITY_ATTRIBUTES security, WINBOOL initialOwner, LPCWSTR name) {
  W().calls.push_back("create mutex");
  if (security != nullptr || initialOwner) W().mutexArgumentsRight = false;
  W().mutexNames.emplace_back(name != nullptr ? name : L"");
  const std::size_t k = W().mutexCreateCalls++;
  const DWORD error = k < W().mutexCreateErrors.size() ? W().mutexCreateErrors[k] : 0;
  if (error != 0) {
    g_lastError = error;
    return nullptr;
  }
  const auto h = reinterpret_cast<HANDLE>(kMutexBase + 16 * ++g_nextMutex);
  W().openHandles.insert(h);
  return h;
}

WINBOOL WINAPI FakeReleaseMutex(HANDLE h) {
  W().calls.push_back("release mutex");
  return IsMutex(h) && W().openHandles.count(h) != 0;
}

DWORD WINAPI FakeGetLastError() { return g_lastError; }
void WINAPI FakeSleep(DWORD milliseconds) { W().sleeps.push_back(milliseconds); }

}  // namespace

HANDLE FakeFileHandle(std::size_t index) { return reinterpret_cast<HANDLE>(kFileBase + 16 * index); }

void Install(FakeHidWorld& world) {
  g_world = &world;
  g_lastError = 0;
  g_devices.clear();
  g_eventOutcome.clear();
}

HidApi FakeHidApi() {
  return HidApi{&FakeGetHidGuid,     &FakeGetClassDevs,    &FakeEnumDeviceInterfaces, &FakeGetDeviceInterfaceDetail,
                &FakeDestroyDeviceInfoList, &FakeCreateFile, &FakeCloseHandle,  &FakeGetAttributes,
                &FakeGetPreparsedData, &FakeFreePreparsedData, &FakeGetCaps,   &FakeSetUsages,
                &FakeFlushQueue,     &FakeCreateEvent,     &FakeResetEvent,           &FakeWriteFile,
                &FakeReadFile,       &FakeWaitForSingleObject, &FakeGetOverlappedResult, &FakeCancelIo,
                &FakeCreateMutex,    &FakeReleaseMutex,
                &FakeGetLastError,   &FakeSleep};
}

}  // namespace magcfg::win32::test
