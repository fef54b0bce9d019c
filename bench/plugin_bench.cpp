// Time from plug-in to a reader set up, run by the real-kernel rig (make e2e)
// with udevd running: from the gadget reader's bind to the line in which
// `magcfg-cli watch --default` reports the format acknowledged, against a
// floor measured in the same run: from the bind to udev's event for the
// node, then an open and one bare exchange of the same frame. The watch is
// started afresh for each of its rounds and the clock starts once it says it
// is waiting, so its own start-up is not counted. Rounds of the two
// alternate, each starting with the reader unplugged and udev done with it.
//   magcfg_plugin_bench MAGCFG_CLI UDC_FILE UDC [rounds]
#include <fcntl.h>
#include <libudev.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/verdict.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kGoalRatio = 1.5;
// Bounds on each wait, far above what a plug-in takes in the emulated machine.
constexpr int kWaitMs = 20000;

int MsLeft(Clock::time_point deadline) {
  return static_cast<int>(
      std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
}

// udev's events for hidraw nodes, as watch hears them.
class UdevEvents {
 public:
  UdevEvents() : context_(udev_new()) {
    monitor_ = context_ != nullptr ? udev_monitor_new_from_netlink(context_, "udev") : nullptr;
    if (monitor_ == nullptr) return;
    udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr);
    if (udev_monitor_enable_receiving(monitor_) < 0) {
      udev_monitor_unref(monitor_);
      monitor_ = nullptr;
    }
  }
  ~UdevEvents() {
    udev_monitor_unref(monitor_);
    udev_unref(context_);
  }
  bool Ok() const { return monitor_ != nullptr; }

  // The node of the next event with this action; nullopt after kWaitMs.
  std::optional<std::string> Next(const std::string& action) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (Clock::now() < deadline) {
      pollfd ready{udev_monitor_get_fd(monitor_), POLLIN, 0};
      if (poll(&ready, 1, MsLeft(deadline)) <= 0) continue;
      udev_device* device = udev_monitor_receive_device(monitor_);
      if (device == nullptr) continue;
      const char* got = udev_device_get_action(device);
      const char* node = udev_device_get_devnode(device);
      std::optional<std::string> result;
      if (got != nullptr && node != nullptr && action == got) result = node;
      udev_device_unref(device);
      if (result) return result;
    }
    return std::nullopt;
  }

 private:
  udev* context_;
  udev_monitor* monitor_ = nullptr;
};

bool WriteUdc(const std::string& file, const std::string& udc) {
  std::ofstream out(file);
  out << udc << '\n';
  out.flush();
  return static_cast<bool>(out);
}

// The factory format's frame, as watch --default sends it, after the report
// ID 0, for the rig's reader0 (64-byte output reports).
bool BareExchange(const std::string& node) {
  const int fd = open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  std::vector<std::uint8_t> request(65, 0);
  const std::array<std::uint8_t, 11> frame = {0x02, 0x30, '%', '?', ';', '?', '+', '?', '7', '8', 0x03};
  std::copy(frame.begin(), frame.end(), request.begin() + 1);
  std::array<std::uint8_t, 1024> reply{};
  bool answered = write(fd, request.data(), request.size()) == static_cast<ssize_t>(request.size());
  pollfd ready{fd, POLLIN, 0};
  answered = answered && poll(&ready, 1, 1000) == 1 && read(fd, reply.data(), reply.size()) > 0 &&
             reply[0] == 0x02 && reply[1] == 0x30 && reply[2] == 'Y';
  close(fd);
  return answered;
}

// A running magcfg-cli watch --default, its output lines read as they come.
class Watch {
 public:
  explicit Watch(const std::string& cli) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      execl(cli.c_str(), cli.c_str(), "watch", "--default", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Watch() {
    if (pid_ > 0) {
      kill(pid_, SIGINT);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }

  // Waits for a line of standard output (out) or error holding text.
  bool WaitFor(bool out, const std::string& text) {
    std::string& seen = out ? outText_ : errText_;
    const int fd = out ? out_ : err_;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kWaitMs);
    while (seen.find(text) == std::string::npos) {
      pollfd ready{fd, POLLIN, 0};
      if (fd < 0 || poll(&ready, 1, MsLeft(deadline)) <= 0) return false;
      char buffer[512];
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got <= 0) return false;
      seen.append(buffer, static_cast<std::size_t>(got));
    }
    return true;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  std::string outText_;
  std::string errText_;
};

magcfg::bench::Figure Summary(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  double mean = 0;
  for (const double v : values) mean += v;
  mean /= static_cast<double>(values.size());
  double squares = 0;
  for (const double v : values) squares += (v - mean) * (v - mean);
  return {values[values.size() / 2], std::sqrt(squares / static_cast<double>(values.size()))};
}

double NsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s MAGCFG_CLI UDC_FILE UDC [rounds]\n", argv[0]);
    return 2;
  }
  const std::string cli = argv[1], udcFile = argv[2], udc = argv[3];
  const int rounds = argc > 4 ? std::max(3, std::atoi(argv[4])) : 11;
  magcfg::bench::Verdicts verdicts("magcfg_plugin_bench");
  const char* kGoal = "plug-in to format set by watch (udev, real kernel)";
  UdevEvents events;
  if (!events.Ok()) {
    std::fprintf(stderr, "no udev monitor: udevd must run\n");
    verdicts.NotRun(kGoal);
    return verdicts.Finish();
  }
  // Start unplugged, with udev done with the node.
  if (WriteUdc(udcFile, "") && !events.Next("remove")) {
    std::fprintf(stderr, "the reader's node did not go away\n");
  }

  std::vector<double> goal, floor;
  for (int i = 0; i < 2 * rounds; ++i) {
    const bool watchTurn = (i % 4 == 0 || i % 4 == 3);  // watch, floor, floor, watch, ...
    std::optional<double> took;
    if (watchTurn) {
      Watch watch(cli);
      if (!watch.WaitFor(false, "waiting for readers")) {
        std::fprintf(stderr, "round %d: the watch did not start\n", i);
        break;
      }
      const auto start = Clock::now();
      if (WriteUdc(udcFile, udc) && watch.WaitFor(true, ": set up: Set format OK!")) took = NsSince(start);
    } else {
      const auto start = Clock::now();
      if (WriteUdc(udcFile, udc)) {
        const std::optional<std::string> node = events.Next("add");
        if (node && BareExchange(*node)) took = NsSince(start);
      }
    }
    WriteUdc(udcFile, "");
    if (!took || !events.Next("remove")) {
      std::fprintf(stderr, "round %d (%s) failed\n", i, watchTurn ? "watch" : "floor");
      break;
    }
    (watchTurn ? goal : floor).push_back(*took);
  }
  // The rig's cases expect the reader plugged in.
  WriteUdc(udcFile, udc);
  events.Next("add");
  if (goal.size() < static_cast<std::size_t>(rounds) || floor.size() < static_cast<std::size_t>(rounds)) {
    verdicts.NotRun(kGoal);
    return verdicts.Finish();
  }
  verdicts.Ratio(kGoal, Summary(goal), Summary(floor), kGoalRatio, magcfg::bench::Unit::Nanoseconds);
  return verdicts.Finish();
}
