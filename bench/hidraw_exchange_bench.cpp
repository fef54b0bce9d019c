// Set Device over a real hidraw node, run by the real-kernel rig (make e2e):
// the median time of the program's whole exchange (MainDialog::OnSetDevice
// over the hidraw backend) against the floor, a bare exchange of the same
// frame on the same node (drain, write, poll, read), measured side by side in
// one run. Prints both medians and their ratio; exits 1 when the ratio
// passes its budget or an exchange fails.
//   magcfg_hidraw_exchange_bench /dev/hidrawN [rounds]
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/lean_window.h"
#include "platform/platform_hid.h"
#include "ui/main_dialog.h"

namespace {

constexpr double kRatioBudget = 1.10;
using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The floor: what any program must do for one exchange on a node that other
// handles share, where every reply also lands in each open handle's queue.
bool BareExchange(int fd, const std::vector<std::uint8_t>& request) {
  std::array<std::uint8_t, 1024> reply{};
  while (read(fd, reply.data(), reply.size()) > 0) {
  }
  if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return false;
  pollfd ready{fd, POLLIN, 0};
  if (poll(&ready, 1, 1000) != 1) return false;
  // hidraw hands over a report of a device without report IDs as it came,
  // without an ID byte: STX at byte 0.
  return read(fd, reply.data(), reply.size()) > 0 && reply[0] == 0x02 && reply[1] == 0x30 && reply[2] == 'Y';
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s /dev/hidrawN [rounds]\n", argv[0]);
    return 2;
  }
  const std::string node = argv[1];
  const int rounds = argc > 2 ? std::max(5, std::atoi(argv[2])) : 101;
  magcfg::bench::LeanWindow window;
  magcfg::ModuleState state;
  auto hid = magcfg::platform::MakePlatformHidSystem();
  magcfg::MainDialog dialog(window, *hid, state);
  dialog.OnInitDialog();
  dialog.OnFindDevice();
  if (!dialog.ReaderOpen()) {
    std::fprintf(stderr, "no reader found: %s\n", window.GetText(1023).c_str());
    return 1;
  }
  const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK);
  if (fd < 0) {
    std::perror(node.c_str());
    return 1;
  }
  // The factory format's frame, as Set Device sends it from a fresh window;
  // the kernel takes the leading report ID 0 and sends the 64 bytes after it.
  std::vector<std::uint8_t> request(65, 0);
  const std::array<std::uint8_t, 11> frame = {0x02, 0x30, '%', '?', ';', '?', '+', '?', '7', '8', 0x03};
  std::copy(frame.begin(), frame.end(), request.begin() + 1);

  std::vector<double> ours, bare;
  for (int i = 0; i < rounds; ++i) {
    window.SetText(1023, "");
    auto start = Clock::now();
    dialog.OnSetDevice();
    ours.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (window.GetText(1023) != "Set format OK!") {
      std::fprintf(stderr, "Set Device round %d: %s\n", i, window.GetText(1023).c_str());
      return 1;
    }
    start = Clock::now();
    const bool answered = BareExchange(fd, request);
    bare.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (!answered) {
      std::fprintf(stderr, "bare exchange round %d failed\n", i);
      return 1;
    }
  }
  close(fd);
  const double ratio = Median(ours) / Median(bare);
  std::printf("Set Device exchange over hidraw, median of %d: magcfg %.0f us, bare write/poll/read %.0f us, "
              "ratio %.2f (budget %.2f)\n",
              rounds, Median(ours), Median(bare), ratio, kRatioBudget);
  return ratio <= kRatioBudget ? 0 : 1;
}
