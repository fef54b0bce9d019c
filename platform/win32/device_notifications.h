// HID interfaces arriving and leaving, from the device notifications the
// system sends to a message-only window registered for the HID interface
// class; the window lives in a thread of its own. Ctrl+C, Ctrl+Break and the
// console closing end the events.
#pragma once

#include <memory>
#include <string>

#include "reader/device_events.h"
#include "reader/hid_port.h"

namespace magcfg::win32 {

// The vendor and product IDs in a HID interface's device path
// ("\\?\HID#VID_5131&PID_2007#...", in either case), put in the event only
// where they name another device than the reader: the reader's own keyboard
// collection carries the reader's IDs too and does not open (the system keeps
// keyboards for itself), so the reader's IDs are left for the open to tell.
void AddOtherDeviceIds(reader::DeviceEvent& event);

// The events, paths spelt as system lists the interfaces (a notification may
// spell one in other case); the registration made before this returns.
// nullptr and error set when the window or the registration cannot be had.
std::unique_ptr<reader::DeviceEvents> OpenDeviceNotifications(std::shared_ptr<reader::HidSystem> system,
                                                              std::string& error);

}  // namespace magcfg::win32
