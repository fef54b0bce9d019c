// Start-up of the Qt window to its first painted frame, and its resident
// memory at rest: the probe program started afresh each time (loading,
// toolkit start, window, first paint), timed from the outside. Reports the
// median and spread of the runs and fails when a budget is broken.
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

extern char** environ;

namespace {

constexpr int kRuns = 10;
constexpr double kStartupBudgetMs = 300.0;
constexpr double kResidentBudgetMb = 60.0;

struct Run {
  double firstFrameMs = -1;
  double residentMb = -1;
};

// Starts the probe with its stdout on a pipe and reads its two lines.
bool RunProbe(const char* probe, Run& run) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  // The toolkit's start-up warnings are not the figures.
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(probe), nullptr};
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

struct Figures {
  double median;
  double spread;  // standard deviation
};

Figures Summarise(std::vector<double> values) {
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
  std::vector<double> startup;
  std::vector<double> resident;
  for (int i = 0; i < kRuns; ++i) {
    Run run;
    if (!RunProbe(argv[1], run)) {
      std::fprintf(stderr, "the probe did not show its window (run %d)\n", i + 1);
      return 1;
    }
    startup.push_back(run.firstFrameMs);
    resident.push_back(run.residentMb);
  }
  const Figures s = Summarise(startup);
  const Figures r = Summarise(resident);
  int broken = 0;
  const auto report = [&](const char* what, Figures f, double limit, const char* unit) {
    const bool ok = f.median <= limit;
    std::printf("%-40s %9.1f %s %8.1f %s %9.1f %s  %s", what, f.median, unit, f.spread, unit, limit, unit,
                ok ? "within budget" : "OVER BUDGET");
    if (!ok) {
      std::printf(" by %.1f %s (%.0f%%)", f.median - limit, unit, 100.0 * (f.median / limit - 1.0));
      ++broken;
    }
    std::printf("\n");
  };
  std::printf("%-40s %12s %11s %12s  %s   (%d runs)\n", "budget", "median", "spread", "limit", "verdict", kRuns);
  report("start-up to the first frame", s, kStartupBudgetMs, "ms");
  report("resident memory at rest", r, kResidentBudgetMb, "MB");
  return broken > 0 ? 1 : 0;
}
