// Find Device over 1, 16 and 256 hidraw interfaces in a fake sysfs tree, the
// reader last, so every interface is opened and examined. The 100 ms pause
// that follows the search is left out: it is the program's fixed wait, not
// its work. The floor is a bare read of the same files with plain system
// calls: the class directory listed, and for each node its /dev node opened
// and closed, its entry's "dev", its uevent and its USB device's bcdDevice
// read: the files Find Device reads.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "bench/lean_window.h"
#include "bench/without_pause.h"
#include "platform/linux/hidraw_system.h"
#include "tests/platform/linux/fake_hidraw_tree.h"
#include "ui/main_dialog.h"

namespace magcfg::bench {
namespace {

constexpr std::uint16_t kOtherVendor = 0x046D;
constexpr std::uint16_t kOtherProduct = 0xC31C;

void AddInterfaces(test::FakeHidrawTree& tree, std::uint32_t interfaces) {
  for (std::uint32_t n = 0; n + 1 < interfaces; ++n) tree.AddUsbHidNode(n, kOtherVendor, kOtherProduct, "0110");
  tree.AddUsbHidNode(interfaces - 1, 0x5131, 0x2007, "0102", test::VendorPage64Descriptor());
}

void BM_FindDevice(benchmark::State& state) {
  const auto interfaces = static_cast<std::uint32_t>(state.range(0));
  test::FakeHidrawTree tree;
  AddInterfaces(tree, interfaces);
  platform::hidraw::HidrawSystem hidraw(tree.SysRoot(), tree.DevRoot());
  WithoutPause hid(hidraw);
  LeanWindow window;
  ModuleState moduleState;
  MainDialog dialog(window, hid, moduleState);
  dialog.OnInitDialog();
  for (auto _ : state) {
    dialog.OnFindDevice();
    if (!dialog.ReaderOpen()) {
      state.SkipWithError("the reader was not found");
      break;
    }
    dialog.OnDisconnect();
  }
}
BENCHMARK(BM_FindDevice)->Arg(1)->Arg(16)->Arg(256)->Unit(benchmark::kMicrosecond);

// Reads a small file whole in one call; the byte count, or -1.
ssize_t ReadSmallFile(const char* path, char* buffer, std::size_t size) {
  const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  const ssize_t got = ::read(fd, buffer, size);
  ::close(fd);
  return got;
}

// The floor: nothing but the system calls that reach the same files, with
// paths that know the tree's layout. Finds the reader by its uevent.
void BM_ReadSysfsFilesBare(benchmark::State& state) {
  const auto interfaces = static_cast<std::uint32_t>(state.range(0));
  test::FakeHidrawTree tree;
  AddInterfaces(tree, interfaces);
  const std::string classDir = tree.ClassDir().string();
  const std::string devDir = tree.DevRoot().string();
  char path[4096];
  char content[4096];
  char version[16];
  for (auto _ : state) {
    int readers = 0;
    DIR* dir = ::opendir(classDir.c_str());
    if (dir == nullptr) {
      state.SkipWithError("the class directory cannot be read");
      break;
    }
    while (const dirent* entry = ::readdir(dir)) {
      if (std::strncmp(entry->d_name, "hidraw", 6) != 0) continue;
      std::snprintf(path, sizeof path, "%s/%s", devDir.c_str(), entry->d_name);
      const int node = ::open(path, O_RDWR | O_CLOEXEC | O_NONBLOCK);
      if (node < 0) continue;
      std::snprintf(path, sizeof path, "%s/%s/dev", classDir.c_str(), entry->d_name);
      const bool numbered = ReadSmallFile(path, version, sizeof version) > 0;
      std::snprintf(path, sizeof path, "%s/%s/device/uevent", classDir.c_str(), entry->d_name);
      const ssize_t got = ReadSmallFile(path, content, sizeof content - 1);
      std::snprintf(path, sizeof path, "%s/%s/device/../../bcdDevice", classDir.c_str(), entry->d_name);
      if (ReadSmallFile(path, version, sizeof version) > 0 && got > 0 && numbered) {
        content[got] = '\0';
        if (std::strstr(content, ":00005131:00002007") != nullptr) ++readers;
      }
      ::close(node);
    }
    ::closedir(dir);
    if (readers != 1) {
      state.SkipWithError("the reader was not found");
      break;
    }
  }
}
BENCHMARK(BM_ReadSysfsFilesBare)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace magcfg::bench
