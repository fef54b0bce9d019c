// Start-up of the Qt window to its first painted frame, and its resident
// memory at rest: the probe program started afresh each time (loading,
// toolkit start, window, first paint), timed from the outside. The floor is
// the same probe showing a plain empty window, run in turn with it, so both
// see the same load. Reports the medians and spreads of the runs and fails
// when a ratio goal is broken.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/verdict.h"

extern char** environ;

namespace {

constexpr int kRuns = 10;
// Against the toolkit's own start-up and memory with a plain window. The
// window builds fifty controls and loads the fonts of two languages, which a
// plain window does not: on the loaded 2-core machine it measured 2.4x the
// plain window's start-up and 1.53x its memory. The goals leave room for
// that and still catch a start-up or a footprint that doubled.
constexpr double kStartupMaxRatio = 3.0;
constexpr double kResidentMaxRatio = 2.0;

struct Run {
  double firstFrameMs = -1;
  double residentMb = -1;
};

// Starts the probe with its stdout on a pipe and reads its two lines.
bool RunProbe(const char* probe, bool bare, Run& run) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  // The toolkit's start-up warnings are not the figures.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char bareFlag[] = "--bare";
  char* argv[] = {const_cast<char*>(probe), bare ? bareFlag : nullptr, nullptr};
  pid_t pid = 0;
  const auto start = std::chrono::steady_clock::now();
  const int spawned = posix_spawn(&pid, probe, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    return false;
  }
  std::string pending;
  char buffer[256];
  for (;;) {
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      const std::string line = pending.substr(0, end);
      if (line == "first-frame") {
        run.firstFrameMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      } else if (line.rfind("rss-kb ", 0) == 0) {
        run.residentMb = std::stod(line.substr(7)) / 1024.0;
      }
    }
  }
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && run.firstFrameMs >= 0 && run.residentMb >= 0;
}

magcfg::bench::Figure Summarise(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  double mean = 0;
  for (double v : values) mean += v / static_cast<double>(n);
  double variance = 0;
  for (double v : values) variance += (v - mean) * (v - mean) / static_cast<double>(n > 1 ? n - 1 : 1);
  return {median, std::sqrt(variance)};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PROBE\n", argv[0]);
    return 2;
  }
  if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  // [0]: the window, [1]: the plain window. Times in ns, as the verdicts take them.
  std::vector<double> startupNs[2];
  std::vector<double> residentMb[2];
  for (int i = 0; i < kRuns; ++i) {
    for (const bool bare : {false, true}) {
      Run run;
      if (!RunProbe(argv[1], bare, run)) {
        std::fprintf(stderr, "the probe did not show its %swindow (run %d)\n", bare ? "plain " : "", i + 1);
        return 1;
      }
      startupNs[bare].push_back(run.firstFrameMs * 1e6);
      residentMb[bare].push_back(run.residentMb);
    }
  }
  using magcfg::bench::Unit;
  std::printf("%d runs of each, the window and a plain window in turn\n", kRuns);
  magcfg::bench::Verdicts verdicts("magcfg_startup_bench");
  verdicts.Ratio("start-up to the first frame / a plain window's", Summarise(startupNs[0]),
                 Summarise(startupNs[1]), kStartupMaxRatio, Unit::Nanoseconds);
  verdicts.Ratio("resident memory at rest / a plain window's", Summarise(residentMb[0]), Summarise(residentMb[1]),
                 kResidentMaxRatio, Unit::Megabytes);
  return verdicts.Finish();
}
