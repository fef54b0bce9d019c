// Find Device over 1, 16 and 256 hidraw interfaces in a fake sysfs tree, the
// reader last, so every interface is opened and examined. The 100 ms pause
// that follows the search is left out: it is the program's fixed wait, not
// its work.
#include <benchmark/benchmark.h>

#include "bench/lean_window.h"
#include "platform/linux/hidraw_system.h"
#include "tests/platform/linux/fake_hidraw_tree.h"
#include "ui/main_dialog.h"

namespace magcfg::bench {
namespace {

// Forwards everything to the platform's HID services except the pause.
class WithoutPause : public reader::HidSystem {
 public:
  explicit WithoutPause(reader::HidSystem& inner) : inner_(inner) {}
  std::unique_ptr<reader::HidInterfaceList> ListInterfaces() override { return inner_.ListInterfaces(); }
  std::unique_ptr<reader::HidDevice> Open(const std::string& path) override { return inner_.Open(path); }
  void Pause(int) override {}

 private:
  reader::HidSystem& inner_;
};

void BM_FindDevice(benchmark::State& state) {
  const auto interfaces = static_cast<std::uint32_t>(state.range(0));
  test::FakeHidrawTree tree;
  for (std::uint32_t n = 0; n + 1 < interfaces; ++n) tree.AddUsbHidNode(n, 0x046D, 0xC31C, "0110");
  tree.AddUsbHidNode(interfaces - 1, 0x5131, 0x2007, "0102", test::VendorPage64Descriptor());
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

}  // namespace
}  // namespace magcfg::bench
