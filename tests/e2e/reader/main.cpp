// The card reader's side of the rig: serves the simulated reader model (the
// one `--simulate` uses) over a USB HID gadget's /dev/hidgN, so the host's
// programs meet it through the real USB and HID stack. Logs every output
// report it receives as one line: its length, then its bytes in hex with the
// trailing zero bytes left off. A control file scripts the next reply.
//
// Seen on the gadget side (Linux 6.1 f_hid): read() gives one output report
// without a report-ID byte; write() queues one input report and a second
// write waits until the host has polled the first, which it does only while
// some process holds the hidraw node open.
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/simulated/demo_reader.h"
#include "platform/simulated/reader_model.h"
#include "platform/simulated/reply_reports.h"
#include "reader/card_swipe.h"
#include "tests/e2e/reader/reader_script.h"

namespace {

using magcfg::e2e::ReaderScript;

struct Options {
  std::string hidg, log, control, udcFile;
  std::size_t inputLength = 64;
  std::size_t outputLength = 64;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i], value = argv[i + 1];
    if (name == "--hidg") options.hidg = value;
    else if (name == "--log") options.log = value;
    else if (name == "--control") options.control = value;
    else if (name == "--udc-file") options.udcFile = value;
    else if (name == "--input-length") options.inputLength = std::strtoul(value.c_str(), nullptr, 10);
    else if (name == "--output-length") options.outputLength = std::strtoul(value.c_str(), nullptr, 10);
    else if (name != "--udc") return false;
  }
  return !options.hidg.empty() && options.inputLength > 0 && options.inputLength <= 1024 &&
         options.outputLength > 0 && options.outputLength <= 1024;
}

void Log(const std::string& path, const std::uint8_t* bytes, std::size_t count) {
  std::size_t used = count;
  while (used > 0 && bytes[used - 1] == 0) --used;
  std::ostringstream line;
  line << count << ' ';
  for (std::size_t i = 0; i < used; ++i) {
    static const char kHex[] = "0123456789abcdef";
    line << kHex[bytes[i] >> 4] << kHex[bytes[i] & 15];
  }
  std::ofstream(path, std::ios::app) << line.str() << '\n';
}

// The script for this request; the control file goes back to "normal", so a
// misbehaviour happens once.
ReaderScript TakeScript(const std::string& path) {
  if (path.empty()) return {};
  std::string line;
  std::getline(std::ifstream(path), line);
  std::ofstream(path, std::ios::trunc) << "normal\n";
  const auto script = magcfg::e2e::ParseReaderScript(line);
  if (!script) std::fprintf(stderr, "gadget reader: unknown script \"%s\", answering normally\n", line.c_str());
  return script.value_or(ReaderScript{});
}

// Queues one input report (without its report-ID byte) once the host has
// taken the one before, waiting at most `waitMs`.
bool HostTookLast(int fd, int waitMs) {
  pollfd ready{fd, POLLOUT, 0};
  return poll(&ready, 1, waitMs) == 1 && (ready.revents & POLLOUT);
}

bool WriteReport(int fd, const std::vector<std::uint8_t>& report, int waitMs) {
  if (!HostTookLast(fd, waitMs)) return false;
  return write(fd, report.data() + 1, report.size() - 1) == static_cast<ssize_t>(report.size() - 1);
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void Serve(int fd, const std::vector<std::uint8_t>& request, magcfg::sim::ReaderModel& model, const Options& options) {
  const ReaderScript script = TakeScript(options.control);
  switch (script.swipe) {
    case ReaderScript::Swipe::Keep: break;
    case ReaderScript::Swipe::Demo: model.Swipe(magcfg::reader::SampleSwipe()); break;
    case ReaderScript::Swipe::Failed: model.Swipe(magcfg::reader::CardSwipe::Failed()); break;
    case ReaderScript::Swipe::None: model.Swipe(magcfg::reader::CardSwipe{}); break;
  }
  if (script.kind == ReaderScript::Kind::Vanish) {
    std::ofstream(options.udcFile) << "\n";
    return;
  }
  const auto stream = model.Answer(request);
  if (!stream || script.kind == ReaderScript::Kind::Silent) return;
  const auto reports = magcfg::sim::SplitIntoReports(*stream, options.inputLength + 1);
  constexpr int kHostWaitMs = 2000;
  switch (script.kind) {
    case ReaderScript::Kind::Late:
      Sleep(script.milliseconds);
      [[fallthrough]];
    case ReaderScript::Kind::Normal:
      for (const auto& report : reports) {
        if (!WriteReport(fd, report, kHostWaitMs)) break;
      }
      break;
    case ReaderScript::Kind::Flood:
      for (int i = 0; i < script.count; ++i) {
        if (!WriteReport(fd, reports.front(), 200)) break;
      }
      break;
    case ReaderScript::Kind::Unplug:
      // Off the bus once the host has the first report: the rest never comes.
      if (WriteReport(fd, reports.front(), kHostWaitMs)) HostTookLast(fd, kHostWaitMs);
      std::ofstream(options.udcFile) << "\n";
      break;
    case ReaderScript::Kind::Silent:
    case ReaderScript::Kind::Vanish:
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: %s --hidg /dev/hidgN [--input-length N] [--output-length N] [--log FILE] "
                 "[--control FILE] [--udc-file FILE]\n",
                 argv[0]);
    return 2;
  }
  // A real reader answers within microseconds; in the emulated machine this
  // program must not wait behind the host's programs, or a card read's 50 ms
  // reads would run out for want of CPU rather than of a reply.
  sched_param priority{};
  priority.sched_priority = 10;
  sched_setscheduler(0, SCHED_FIFO, &priority);
  magcfg::sim::ReaderModel model;
  model.Swipe(magcfg::reader::SampleSwipe());
  std::vector<std::uint8_t> buffer(options.outputLength);
  int fd = -1;
  for (;;) {
    if (fd < 0 && (fd = open(options.hidg.c_str(), O_RDWR | O_NONBLOCK)) < 0) {
      Sleep(100);
      continue;
    }
    pollfd ready{fd, POLLIN, 0};
    if (poll(&ready, 1, 1000) <= 0) continue;
    const ssize_t count = read(fd, buffer.data(), buffer.size());
    if (count < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      // Unbound from its UDC: wait for the next plug-in.
      close(fd);
      fd = -1;
      Sleep(100);
      continue;
    }
    if (!options.log.empty()) Log(options.log, buffer.data(), static_cast<std::size_t>(count));
    // The model reads requests as the host program builds them: byte 0 the
    // report ID, 0 for this reader.
    std::vector<std::uint8_t> request(1, 0);
    request.insert(request.end(), buffer.begin(), buffer.begin() + count);
    Serve(fd, request, model, options);
  }
}
