// The HID port on the Windows HID services: SetupAPI walks the HID
// interfaces, CreateFile opens one for overlapped I/O, the HID parser gives
// the report lengths and checks output reports.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/win32/hid_api.h"
#include "reader/hid_port.h"

namespace magcfg::win32 {

// The longest interface detail record accepted: a device path is at most
// 32767 UTF-16 units. A larger size from the platform counts as a failed read.
inline constexpr DWORD kMaxDetailSize = 0x10000 + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);

// How long cancelling waits for a cancelled transfer to come back, so that
// the buffer it was given may be released.
inline constexpr DWORD kCancelSettleMs = 1000;
// Where the HID class cannot flush its queue of input reports, each queued
// report is read and dropped, one read at a time, each given this long to
// complete (a queued report completes at once); at most this many are read.
inline constexpr int kDrainWaitMs = 50;
inline constexpr int kMaxDrainedReports = 64;

// Lock tries again this often while another account's program holds the
// reader's mutex, which this account may not open.
inline constexpr DWORD kLockRetryMs = 10;

// The name of the mutex that stands for the interface at a device path.
std::wstring LockName(std::wstring_view devicePath);

// The backend over the given calls; api must outlive it and every device it
// hands out.
std::unique_ptr<reader::HidSystem> MakeHidSystem(const HidApi& api);

}  // namespace magcfg::win32
