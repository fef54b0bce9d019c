// magcfg-cli: the reader's commands from scripts.
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/program.h"
#include "cli/simulated_fleet.h"

#if MAGCFG_HAVE_PLATFORM_HID
#include "platform/platform_hid.h"
#endif
#if MAGCFG_HAVE_PLATFORM_HID && defined(__linux__)
#include "platform/linux/hidraw_system.h"
#include "platform/linux/uevent_monitor.h"
#include "platform/linux/reader_keyboards.h"
#include "platform/linux/standard_descriptors.h"
#if MAGCFG_HAVE_LIBUDEV
#include "platform/linux/udev_monitor.h"
#endif
#endif

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

namespace {

// The arguments as UTF-8, whatever the system's code page.
std::vector<std::string> Arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide != nullptr) {
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) {
      const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
      std::string arg(bytes > 0 ? static_cast<std::size_t>(bytes) : 1, '\0');
      if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, arg.data(), bytes, nullptr, nullptr);
      arg.resize(arg.size() - 1);  // the terminating zero
      args.push_back(std::move(arg));
    }
    LocalFree(wide);
    return args;
  }
#endif
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

#if MAGCFG_HAVE_PLATFORM_HID && defined(__linux__)
// Without udev's events: udevd applies the rule within a few milliseconds of
// the kernel's event; a second covers a loaded machine.
constexpr int kUdevGraceMs = 1000;

// udev's events where udevd runs: a reader is announced once the rule gives
// it to us, and opened once. Otherwise the kernel's, with refused opens tried
// again for a while.
magcfg::cli::WatchServices LinuxWatchServices() {
  magcfg::cli::WatchServices services;
#if MAGCFG_HAVE_LIBUDEV
  std::string noUdev;
  services.events = magcfg::platform::hidraw::OpenUdevMonitor(noUdev);
  if (services.events) {
    services.system = std::make_shared<magcfg::platform::hidraw::HidrawSystem>("/sys", "/dev");
    return services;
  }
  services.notice = "magcfg-cli: " + noUdev + ": watching the kernel's device events instead";
#endif
  services.events = magcfg::platform::hidraw::OpenKernelUeventMonitor(services.error);
  if (!services.events) return services;
  auto system = std::make_shared<magcfg::platform::hidraw::HidrawSystem>("/sys", "/dev");
  system->RetryRefusedOpens(kUdevGraceMs);
  services.system = std::move(system);
  return services;
}
#endif

}  // namespace

int main(int argc, char** argv) {
#if MAGCFG_HAVE_PLATFORM_HID && defined(__linux__)
  magcfg::platform::hidraw::FillClosedStandardDescriptors();
#endif
#ifndef _WIN32
  // Output to a pipe whose reader has gone fails with EPIPE, and the program
  // ends as it ends for any output that cannot be written (status 5).
  std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
  try {
    magcfg::cli::HidSystems systems;
#if MAGCFG_HAVE_PLATFORM_HID
    systems.platform = [] { return std::shared_ptr<magcfg::reader::HidSystem>(magcfg::platform::MakePlatformHidSystem()); };
#endif
#if MAGCFG_HAVE_PLATFORM_HID && defined(__linux__)
    systems.watch = LinuxWatchServices;
    systems.keyboards = [] {
      return std::make_shared<magcfg::platform::hidraw::EvdevKeyboards>("/sys", "/dev");
    };
#endif
    systems.simulated = [](int readers) {
      return std::make_shared<magcfg::cli::SimulatedFleet>(readers, magcfg::sim::Pacing::RealTime);
    };
    const int exit = magcfg::cli::RunProgram(Arguments(argc, argv), systems, std::cout, std::cerr);
    // What the stream handed to stdio must reach the system as well.
    if (exit != 5 && (std::fflush(stdout) != 0 || std::ferror(stdout) != 0)) {
      std::cerr << "magcfg-cli: could not write the output to standard output\n";
      return 5;
    }
    return exit;
  } catch (const std::exception& e) {
    std::cerr << "magcfg-cli: " << e.what() << '\n';
    return 5;
  }
}
