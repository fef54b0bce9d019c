#include "platform/win32/hid_system.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform_hid.h"
#include "platform/win32/text_convert.h"

namespace magcfg::win32 {
namespace {

using reader::TransferStatus;

// Not in every mingw-w64's winerror.h.
#ifndef ERROR_NO_SUCH_DEVICE
#define ERROR_NO_SUCH_DEVICE 433L
#endif

DWORD ClampTimeout(int milliseconds) { return milliseconds < 0 ? 0 : static_cast<DWORD>(milliseconds); }

// How a failed transfer ended: the errors of a device no longer there (the
// HID class gives ERROR_DEVICE_NOT_CONNECTED once it is unplugged), or any
// other failure.
TransferStatus FailureFor(DWORD error) {
  switch (error) {
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_REMOVED:
      return TransferStatus::ReaderGone;
    default:
      return TransferStatus::Failed;
  }
}

// The device path in an interface's detail record; nullopt when the record
// cannot be read. The record's buffer lives for this call only.
std::optional<std::string> DetailPath(const HidApi& api, HDEVINFO list, SP_DEVICE_INTERFACE_DATA& interfaceData) {
  DWORD required = 0;
  api.getDeviceInterfaceDetail(list, &interfaceData, nullptr, 0, &required, nullptr);
  if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || required > kMaxDetailSize) return std::nullopt;
  std::unique_ptr<std::byte[]> buffer(new (std::nothrow) std::byte[required]);
  if (!buffer) return std::nullopt;
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(buffer.get());
  // The fixed part of the record: 8 bytes on x64 (size field, first
  // character, padding), 6 on x86. Never the 32-bit ANSI record's 5.
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
  if (!api.getDeviceInterfaceDetail(list, &interfaceData, detail, required, nullptr, nullptr)) return std::nullopt;
  // The path may not be terminated within the buffer the platform asked for.
  const std::size_t room = (required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_W, DevicePath)) / sizeof(WCHAR);
  const std::size_t length = wcsnlen(detail->DevicePath, room);
  return WideToUtf8(std::wstring_view(detail->DevicePath, length));
}

// Why CreateFile failed, from its last error.
reader::OpenFailure OpenFailureFor(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DEVICE_NOT_CONNECTED:
      return reader::OpenFailure::NotFound;
    case ERROR_ACCESS_DENIED:
      return reader::OpenFailure::PermissionDenied;
    case ERROR_SHARING_VIOLATION:
      return reader::OpenFailure::Busy;
    default:
      return reader::OpenFailure::Other;
  }
}

// Preparsed data held for one call and released on every path.
class PreparsedData {
 public:
  PreparsedData(const HidApi& api, HANDLE device) : api_(api) {
    if (!api_.getPreparsedData(device, &data_)) data_ = nullptr;
  }
  ~PreparsedData() {
    if (data_ != nullptr) api_.freePreparsedData(data_);
  }
  PreparsedData(const PreparsedData&) = delete;
  PreparsedData& operator=(const PreparsedData&) = delete;
  PHIDP_PREPARSED_DATA get() const { return data_; }

 private:
  const HidApi& api_;
  PHIDP_PREPARSED_DATA data_ = nullptr;
};

class Win32HidDevice final : public reader::HidDevice {
 public:
  Win32HidDevice(const HidApi& api, HANDLE handle, std::wstring lockName)
      : api_(api), handle_(handle), lockName_(std::move(lockName)) {}

  ~Win32HidDevice() override {
    Unlock();
    if (event_ != nullptr) api_.closeHandle(event_);
    api_.closeHandle(handle_);
  }

  std::optional<reader::HidAttributes> GetAttributes() override {
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (!api_.getAttributes(handle_, &attributes)) return std::nullopt;
    return reader::HidAttributes{attributes.VendorID, attributes.ProductID, attributes.VersionNumber};
  }

  std::optional<reader::ReportLengths> GetReportLengths() override {
    const PreparsedData preparsed(api_, handle_);
    if (preparsed.get() == nullptr) return std::nullopt;
    // The result is not examined; zeroed capabilities give zero lengths,
    // which no request fits.
    HIDP_CAPS caps{};
    api_.getCaps(preparsed.get(), &caps);
    return reader::ReportLengths{caps.InputReportByteLength, caps.OutputReportByteLength};
  }

  bool PassesUsageCheck(std::span<const std::uint8_t> report) override {
    const PreparsedData preparsed(api_, handle_);
    if (preparsed.get() == nullptr) return false;
    // Setting no usage changes no byte; the call still wants a writable report.
    std::vector<char> copy(report.begin(), report.end());
    USAGE usages[3] = {0, 0, 0};
    ULONG usageCount = 0;
    const NTSTATUS status = api_.setUsages(HidP_Output, 1, 0, usages, &usageCount, preparsed.get(), copy.data(),
                                           static_cast<ULONG>(copy.size()));
    return status == HIDP_STATUS_SUCCESS;
  }

  // The HID class hands every input report to every open handle, and the
  // share flags let other programs open the reader too: the programs that
  // use it take turns through a named mutex, made for each exchange. A
  // mutex belongs to a thread, so a second open of the interface on the
  // same thread is not kept out; the program uses one per reader.
  reader::LockStatus Lock(int waitMs) override {
    if (mutex_ != nullptr) return reader::LockStatus::Owned;
    const DWORD wait = ClampTimeout(waitMs);
    DWORD waited = 0;
    for (;;) {
      mutex_ = api_.createMutex(nullptr, FALSE, lockName_.c_str());
      if (mutex_ != nullptr) break;
      // A mutex made by a program of another account, which this account
      // may not open; it goes away once that program lets go of it.
      if (api_.getLastError() != ERROR_ACCESS_DENIED) {
        // No mutex to be had at all (the name taken by another kind of
        // object, the system out of handles): the exchange goes on
        // unlocked, as on a platform without locks.
        return reader::LockStatus::Owned;
      }
      if (waited >= wait) return reader::LockStatus::Busy;
      const DWORD step = std::min(kLockRetryMs, wait - waited);
      api_.sleep(step);
      waited += step;
    }
    // WAIT_ABANDONED: a program died holding it; the reader is this one's now.
    const DWORD result = api_.waitForSingleObject(mutex_, wait - waited);
    if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return reader::LockStatus::Owned;
    api_.closeHandle(mutex_);
    mutex_ = nullptr;
    // A wait that failed outright says nothing of other programs: on, unlocked.
    return result == WAIT_TIMEOUT ? reader::LockStatus::Busy : reader::LockStatus::Owned;
  }

  void Unlock() override {
    if (mutex_ == nullptr) return;
    api_.releaseMutex(mutex_);
    api_.closeHandle(mutex_);
    mutex_ = nullptr;
  }

  reader::WriteResult Write(std::span<const std::uint8_t> report, int timeoutMs) override {
    // A write begins the transfers of one request: it gets a fresh event,
    // which the reads of the reply share. Without one there is nothing to
    // wait on: the platform is failing.
    if (!BeginTransfer(/*newEvent=*/true)) return {TransferStatus::Failed, 0};
    DWORD written = 0;
    const BOOL done = api_.writeFile(handle_, report.data(), static_cast<DWORD>(report.size()), &written, &overlapped_);
    const TransferStatus status = Finish(done, timeoutMs);
    return {status, written};
  }

  TransferStatus Read(std::span<std::uint8_t> buffer, int timeoutMs) override {
    if (!BeginTransfer(/*newEvent=*/false)) return TransferStatus::Failed;
    DWORD read = 0;
    const BOOL done = api_.readFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, &overlapped_);
    return Finish(done, timeoutMs);
  }

  void DiscardPendingReports() override {
    // The HID class keeps the input reports nobody has read yet in a queue
    // of its own; this empties it.
    if (api_.flushQueue(handle_)) return;
    // Wine's HID class (8.0) refuses the flush (seen in the test machine:
    // "Unsupported ioctl 0xb0197") and keeps a late reply queued, to be
    // taken for the next request's reply. The queued reports are read and
    // dropped instead, until a read finds none.
    const std::optional<reader::ReportLengths> lengths = GetReportLengths();
    if (!lengths || lengths->input == 0) return;
    std::vector<std::uint8_t> report(lengths->input);
    for (int i = 0; i < kMaxDrainedReports; ++i) {
      if (Read(report, kDrainWaitMs) != TransferStatus::Completed) break;
    }
  }

 private:
  // Cancels the transfer under way and waits, within a bound, for it to
  // come back: until then it still owns its buffer and the overlapped record.
  void CancelTransfer() {
    api_.cancelIo(handle_);
    if (outstanding_) {
      api_.waitForSingleObject(event_, kCancelSettleMs);
      outstanding_ = false;
    }
  }

  bool BeginTransfer(bool newEvent) {
    if (newEvent && event_ != nullptr) {
      api_.closeHandle(event_);
      event_ = nullptr;
    }
    if (event_ == nullptr) {
      // Manual reset, created signalled, unnamed; reset before each transfer.
      event_ = api_.createEvent(nullptr, TRUE, TRUE, nullptr);
      if (event_ == nullptr) return false;
    }
    api_.resetEvent(event_);
    overlapped_ = OVERLAPPED{};
    overlapped_.hEvent = event_;
    return true;
  }

  // Waits for the transfer the call `done` started and says how it ended.
  TransferStatus Finish(BOOL done, int timeoutMs) {
    if (!done) {
      const DWORD error = api_.getLastError();
      // Failed at once: nothing was started, and the event will never be
      // set. Waiting for it would only sit out the time-out.
      if (error != ERROR_IO_PENDING) return FailureFor(error);
      outstanding_ = true;
    }
    const DWORD waited = api_.waitForSingleObject(event_, ClampTimeout(timeoutMs));
    if (waited == WAIT_TIMEOUT || waited == WAIT_ABANDONED) {
      CancelTransfer();
      return TransferStatus::TimedOut;
    }
    if (waited != WAIT_OBJECT_0) {
      // The wait itself failed; the transfer may still be under way.
      CancelTransfer();
      return TransferStatus::Failed;
    }
    outstanding_ = false;
    // The event tells that the transfer ended, not how.
    DWORD moved = 0;
    if (!api_.getOverlappedResult(handle_, &overlapped_, &moved, FALSE)) return FailureFor(api_.getLastError());
    return TransferStatus::Completed;
  }

  const HidApi& api_;
  HANDLE handle_;
  std::wstring lockName_;
  HANDLE mutex_ = nullptr;  // held from Lock to Unlock
  HANDLE event_ = nullptr;
  OVERLAPPED overlapped_{};
  bool outstanding_ = false;
};

class Win32HidSystem final : public reader::HidSystem {
 public:
  explicit Win32HidSystem(const HidApi& api) : api_(api) {}

  reader::WalkEnd WalkInterfaces(const std::function<bool(const std::string& path)>& visit) override {
    GUID hidGuid{};
    api_.getHidGuid(&hidGuid);
    const HDEVINFO list = api_.getClassDevs(&hidGuid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) return reader::WalkEnd::ListFailed;
    struct Release {
      const HidApi& api;
      HDEVINFO list;
      ~Release() { api.destroyDeviceInfoList(list); }
    } release{api_, list};

    for (DWORD index = 0;; ++index) {
      SP_DEVICE_INTERFACE_DATA interfaceData{};
      // The record's own size, not a constant: it differs between 32-bit and
      // 64-bit builds, and the platform refuses any other value.
      interfaceData.cbSize = sizeof(SP_DEVICE_INTERFACE_DATA);
      // ERROR_NO_MORE_ITEMS once the index is past the end. Any other
      // failure would only come again for the same index: it ends the walk
      // as the end does.
      if (!api_.enumDeviceInterfaces(list, nullptr, &hidGuid, index, &interfaceData)) {
        return reader::WalkEnd::Completed;
      }
      const std::optional<std::string> path = DetailPath(api_, list, interfaceData);
      if (!path) return reader::WalkEnd::DetailFailed;
      if (!visit(*path)) return reader::WalkEnd::Completed;
    }
  }

  reader::OpenResult Open(const std::string& path) override {
    const std::wstring widePath = Utf8ToWide(path);
    // No device is named by an empty path or one with a zero in it.
    if (widePath.empty() || widePath.find(L'\0') != std::wstring::npos) return {nullptr, reader::OpenFailure::NotFound};
    const HANDLE handle = api_.createFile(widePath.c_str(), GENERIC_READ | GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {nullptr, OpenFailureFor(api_.getLastError())};
    return {std::make_unique<Win32HidDevice>(api_, handle, LockName(widePath)), reader::OpenFailure::Other};
  }

  void Pause(int milliseconds) override { api_.sleep(ClampTimeout(milliseconds)); }

 private:
  const HidApi& api_;
};

}  // namespace

std::wstring LockName(std::wstring_view devicePath) {
  // In the Global namespace, so that programs of every session (another
  // user logged on at the same time, a service) take turns too; a mutex,
  // unlike a file mapping, needs no privilege there. A name may hold no
  // backslash after its namespace, and device paths are alike whatever
  // their case.
  std::wstring name = L"Global\\magcfg-reader-";
  const std::size_t prefix = name.size();
  for (const wchar_t c : devicePath) name.push_back(c == L'\\' ? L'/' : (c >= L'A' && c <= L'Z') ? c - L'A' + L'a' : c);
  if (name.size() < MAX_PATH) return name;
  // Too long for an object name: the path's hash (FNV-1a) stands for it.
  std::uint64_t hash = 0xCBF29CE484222325u;
  for (std::size_t i = prefix; i < name.size(); ++i) hash = (hash ^ static_cast<std::uint16_t>(name[i])) * 0x100000001B3u;
  name.resize(prefix);
  for (int shift = 60; shift >= 0; shift -= 4) name.push_back(L"0123456789abcdef"[(hash >> shift) & 0xF]);
  return name;
}

const HidApi& SystemHidApi() {
  static const HidApi api = {
      &::HidD_GetHidGuid,
      &::SetupDiGetClassDevsW,
      &::SetupDiEnumDeviceInterfaces,
      &::SetupDiGetDeviceInterfaceDetailW,
      &::SetupDiDestroyDeviceInfoList,
      &::CreateFileW,
      &::CloseHandle,
      &::HidD_GetAttributes,
      &::HidD_GetPreparsedData,
      &::HidD_FreePreparsedData,
      &::HidP_GetCaps,
      &::HidP_SetUsages,
      &::HidD_FlushQueue,
      &::CreateEventW,
      &::ResetEvent,
      &::WriteFile,
      &::ReadFile,
      &::WaitForSingleObject,
      &::GetOverlappedResult,
      &::CancelIo,
      &::CreateMutexW,
      &::ReleaseMutex,
      &::GetLastError,
      &::Sleep,
  };
  return api;
}

std::unique_ptr<reader::HidSystem> MakeHidSystem(const HidApi& api) { return std::make_unique<Win32HidSystem>(api); }

}  // namespace magcfg::win32

namespace magcfg::platform {

std::unique_ptr<reader::HidSystem> MakePlatformHidSystem() { return win32::MakeHidSystem(win32::SystemHidApi()); }

}  // namespace magcfg::platform
