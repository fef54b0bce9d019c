// The Windows calls the HID backend makes, as a table of function pointers.
// The program uses the system's own functions; tests put fakes in their place
// to drive the backend where no reader (or no HID device at all) is present.
#pragma once

#include <windows.h>

#include <setupapi.h>

// The HID headers of mingw-w64 declare C functions without a C++ guard.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

namespace magcfg::win32 {

struct HidApi {
  decltype(&::HidD_GetHidGuid) getHidGuid;
  decltype(&::SetupDiGetClassDevsW) getClassDevs;
  decltype(&::SetupDiEnumDeviceInterfaces) enumDeviceInterfaces;
  decltype(&::SetupDiGetDeviceInterfaceDetailW) getDeviceInterfaceDetail;
  decltype(&::SetupDiDestroyDeviceInfoList) destroyDeviceInfoList;
  decltype(&::CreateFileW) createFile;
  decltype(&::CloseHandle) closeHandle;
  decltype(&::HidD_GetAttributes) getAttributes;
  decltype(&::HidD_GetPreparsedData) getPreparsedData;
  decltype(&::HidD_FreePreparsedData) freePreparsedData;
  decltype(&::HidP_GetCaps) getCaps;
  decltype(&::HidP_SetUsages) setUsages;
  decltype(&::HidD_FlushQueue) flushQueue;
  decltype(&::CreateEventW) createEvent;
  decltype(&::ResetEvent) resetEvent;
  decltype(&::WriteFile) writeFile;
  decltype(&::ReadFile) readFile;
  decltype(&::WaitForSingleObject) waitForSingleObject;
  decltype(&::GetOverlappedResult) getOverlappedResult;
  decltype(&::CancelIo) cancelIo;
  decltype(&::CreateMutexW) createMutex;
  decltype(&::ReleaseMutex) releaseMutex;
  decltype(&::GetLastError) getLastError;
  decltype(&::Sleep) sleep;
};

// The system's functions.
const HidApi& SystemHidApi();

}  // namespace magcfg::win32
