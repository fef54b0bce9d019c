#include "platform/win32/device_notifications.h"

#include <windows.h>

#include <dbt.h>  // after windows.h, whose types it takes

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "platform/win32/hid_api.h"
#include "platform/win32/text_convert.h"
#include "reader/reader_identity.h"

namespace magcfg::win32 {
namespace {

using reader::DeviceEvent;

constexpr wchar_t kWindowClass[] = L"magcfg-cli device notifications";

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The four hexadecimal digits after key in a lower-case path.
std::optional<std::uint16_t> HexAfter(const std::string& path, std::string_view key) {
  const std::size_t at = path.find(key);
  if (at == std::string::npos || path.size() < at + key.size() + 4) return std::nullopt;
  unsigned value = 0;
  for (std::size_t i = at + key.size(); i < at + key.size() + 4; ++i) {
    const char c = path[i];
    const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<unsigned>(digit);
  }
  return static_cast<std::uint16_t>(value);
}

// What the window's thread and the console's control handler hand to Next():
// one per process, never destroyed, as the system may call the handler in a
// thread of its own at any time, even while the events are being closed.
struct Inbox {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::pair<DeviceEvent::Kind, std::string>> arrived;
  bool stopped = false;

  void Push(DeviceEvent::Kind kind, std::string path) {
    {
      const std::lock_guard lock(mutex);
      arrived.emplace_back(kind, std::move(path));
    }
    changed.notify_one();
  }
  void Stop() {
    {
      const std::lock_guard lock(mutex);
      stopped = true;
    }
    changed.notify_all();
  }
};

Inbox& TheInbox() {
  static Inbox* const inbox = new Inbox;
  return *inbox;
}

BOOL WINAPI OnConsoleControl(DWORD type) {
  if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT && type != CTRL_CLOSE_EVENT) return FALSE;
  TheInbox().Stop();
  return TRUE;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
  if (message != WM_DEVICECHANGE || (wParam != DBT_DEVICEARRIVAL && wParam != DBT_DEVICEREMOVECOMPLETE) ||
      header == nullptr || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  // The name runs to the end of the record, which the record's size bounds.
  const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
  const std::size_t nameOffset = offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name);
  const std::size_t room = record->dbcc_size > nameOffset ? (record->dbcc_size - nameOffset) / sizeof(wchar_t) : 0;
  const std::wstring_view name(record->dbcc_name, wcsnlen(record->dbcc_name, room));
  TheInbox().Push(wParam == DBT_DEVICEARRIVAL ? DeviceEvent::Kind::Added : DeviceEvent::Kind::Removed,
                  WideToUtf8(name));
  return TRUE;
}

class DeviceNotifications final : public reader::DeviceEvents {
 public:
  explicit DeviceNotifications(std::shared_ptr<reader::HidSystem> system) : system_(std::move(system)) {}

  ~DeviceNotifications() override {
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
    if (pump_.joinable()) pump_.join();
  }

  // Starts the window's thread; error set when it could not register.
  bool Start(std::string& error) {
    std::promise<std::string> registered;
    std::future<std::string> outcome = registered.get_future();
    pump_ = std::thread([this, registered = std::move(registered)]() mutable { Pump(registered); });
    error = outcome.get();
    if (!error.empty()) return false;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    // The interfaces present, which the watch sets up from the list, may be
    // pulled out before anything else is heard of them.
    system_->WalkInterfaces([this](const std::string& path) {
      spelt_[Lower(path)] = path;
      return true;
    });
    return true;
  }

  std::optional<DeviceEvent> Next() override {
    Inbox& inbox = TheInbox();
    std::pair<DeviceEvent::Kind, std::string> arrived;
    {
      std::unique_lock lock(inbox.mutex);
      inbox.changed.wait(lock, [&] { return inbox.stopped || !inbox.arrived.empty(); });
      if (inbox.stopped) return std::nullopt;
      arrived = std::move(inbox.arrived.front());
      inbox.arrived.pop_front();
    }
    DeviceEvent event;
    event.kind = arrived.first;
    const std::string key = Lower(arrived.second);
    if (event.kind == DeviceEvent::Kind::Added) {
      event.path = Listed(key).value_or(arrived.second);
      spelt_[key] = event.path;
      AddOtherDeviceIds(event);
    } else if (const auto known = spelt_.find(key); known != spelt_.end()) {
      event.path = known->second;
      spelt_.erase(known);
    } else {
      event.path = arrived.second;
    }
    return event;
  }

 private:
  void Pump(std::promise<std::string>& registered) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    const HWND window = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
    if (window == nullptr) {
      registered.set_value("no message window (error " + std::to_string(GetLastError()) + ")");
      return;
    }
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    HidD_GetHidGuid(&filter.dbcc_classguid);
    const HDEVNOTIFY notification = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (notification == nullptr) {
      const DWORD failure = GetLastError();
      DestroyWindow(window);
      registered.set_value("the HID device notifications could not be had (error " + std::to_string(failure) + ")");
      return;
    }
    window_ = window;
    registered.set_value({});
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    UnregisterDeviceNotification(notification);
    DestroyWindow(window);
  }

  // The path as the system's list of interfaces spells it; nullopt once the
  // interface is gone again.
  std::optional<std::string> Listed(const std::string& key) {
    std::optional<std::string> listed;
    system_->WalkInterfaces([&](const std::string& path) {
      if (Lower(path) == key) listed = path;
      return !listed;
    });
    return listed;
  }

  std::shared_ptr<reader::HidSystem> system_;
  std::map<std::string, std::string> spelt_;  // lower case to the list's spelling, of interfaces present
  std::thread pump_;
  HWND window_ = nullptr;  // set before Start() returns
};

}  // namespace

void AddOtherDeviceIds(DeviceEvent& event) {
  const std::string path = Lower(event.path);
  const std::optional<std::uint16_t> vendor = HexAfter(path, "vid_");
  const std::optional<std::uint16_t> product = HexAfter(path, "pid_");
  if (!vendor || !product || (*vendor == reader::kReaderVendorId && *product == reader::kReaderProductId)) return;
  event.vendorId = vendor;
  event.productId = product;
}

std::unique_ptr<reader::DeviceEvents> OpenDeviceNotifications(std::shared_ptr<reader::HidSystem> system,
                                                              std::string& error) {
  auto events = std::make_unique<DeviceNotifications>(std::move(system));
  if (!events->Start(error)) return nullptr;
  return events;
}

}  // namespace magcfg::win32
