// The program: one modal window over the reader found through the platform's
// HID services, or over the simulated reader with --simulate.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "platform/qt/application_start.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/simulated_reader_window.h"
#include "platform/qt/text_convert.h"
#include "platform/simulated/demo_reader.h"
#include "text/visible_text.h"
#include "ui/main_dialog.h"

#if defined(MAGCFG_HAVE_HIDRAW)
#include "platform/linux/standard_descriptors.h"
#include "platform/platform_hid.h"
#endif

namespace {

// Lives from program start to its end, outside the window.
magcfg::ModuleState moduleState;

constexpr int kExitUsage = 2;
constexpr int kExitNoDisplay = 1;

bool HasEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

std::vector<std::string_view> ArgumentsOf(const QStringList& arguments, std::vector<std::string>& storage) {
  storage.clear();
  for (qsizetype i = 1; i < arguments.size(); ++i) storage.push_back(magcfg::qt::ToUtf8(arguments[i]));
  return {storage.begin(), storage.end()};
}

bool MentionsPlatformOption(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "-platform" || arg == "--platform" || arg.starts_with("-platform=")) return true;
  }
  return false;
}

// Prints help or version; returns the exit code, or -1 to go on.
int AnswerWithoutWindow(const magcfg::CommandLine& line, std::string_view program) {
  switch (line.action) {
    case magcfg::CommandLine::Action::ShowHelp:
      std::fputs(magcfg::HelpText(program).c_str(), stdout);
      return 0;
    case magcfg::CommandLine::Action::ShowVersion:
      std::fputs(magcfg::VersionText().c_str(), stdout);
      return 0;
    case magcfg::CommandLine::Action::Error:
      std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(program.size()), program.data(), line.error.c_str());
      return kExitUsage;
    case magcfg::CommandLine::Action::RunWindow:
      break;
  }
  return -1;
}

// With `simulate`, also hands out the simulated system, whose reader the
// companion window swipes cards through.
std::unique_ptr<magcfg::reader::HidSystem> MakeHidSystem(bool simulate, magcfg::sim::SimulatedHidSystem*& simulated,
                                                         [[maybe_unused]] std::string& error) {
  if (simulate) {
    std::unique_ptr<magcfg::sim::SimulatedHidSystem> system = magcfg::sim::MakeDemoReader();
    simulated = system.get();
    return system;
  }
#if defined(MAGCFG_HAVE_HIDRAW)
  return magcfg::platform::MakePlatformHidSystem();
#else
  error = "this build has no HID backend for the USB reader (try --simulate)";
  return nullptr;
#endif
}

}  // namespace

int main(int argc, char** argv) {
#if defined(MAGCFG_HAVE_HIDRAW)
  // Before the toolkit opens its display connection and bus sockets.
  magcfg::platform::hidraw::FillClosedStandardDescriptors();
#endif
  const std::string shownProgram =
      argc > 0 && argv[0] != nullptr ? magcfg::Echo(argv[0], magcfg::kEchoedPathCharacters) : "magcfg";
  const std::string_view program = shownProgram;

  const bool hasDisplay = HasEnvironment("DISPLAY") || HasEnvironment("WAYLAND_DISPLAY") ||
                          HasEnvironment("QT_QPA_PLATFORM") || MentionsPlatformOption(argc, argv);
  if (!hasDisplay) {
    // Without a display the command line is all there is to answer; Qt
    // would abort on start.
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    const int answered = AnswerWithoutWindow(magcfg::ParseCommandLine(args), program);
    if (answered >= 0) return answered;
    std::fprintf(stderr,
                 "%.*s: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
                 "Run it on a desktop, or under a virtual X server: xvfb-run -a %.*s\n",
                 static_cast<int>(program.size()), program.data(), static_cast<int>(program.size()), program.data());
    return kExitNoDisplay;
  }

  magcfg::qt::SetApplicationIdentity();
  std::optional<magcfg::qt::DisplayStartGuard> displayGuard(std::in_place, std::string(program));
  QApplication application(argc, argv);
  displayGuard.reset();
  std::vector<std::string> storage;
  const magcfg::CommandLine line = magcfg::ParseCommandLine(ArgumentsOf(QApplication::arguments(), storage));
  const int answered = AnswerWithoutWindow(line, program);
  if (answered >= 0) return answered;

  std::string error;
  magcfg::sim::SimulatedHidSystem* simulated = nullptr;
  std::unique_ptr<magcfg::reader::HidSystem> hid = MakeHidSystem(line.simulate, simulated, error);
  if (!hid) {
    std::fprintf(stderr, "%.*s: %s\n", static_cast<int>(program.size()), program.data(), error.c_str());
    return kExitUsage;
  }

  magcfg::qt::QtWindow window;
  magcfg::MainDialog dialog(window, *hid, moduleState);
  const magcfg::UiLanguage language = magcfg::qt::StartLanguage(line);
  dialog.SetStartLanguage(language);
  window.Attach(dialog);
  window.Initialise();
  // The simulated reader comes with a window to swipe cards through it,
  // which shows beside the main window and speaks its language.
  std::unique_ptr<magcfg::qt::SimulatedReaderWindow> readerWindow;
  if (simulated != nullptr) {
    readerWindow = std::make_unique<magcfg::qt::SimulatedReaderWindow>(simulated->Reader(), window, language);
  }
  // Whatever ended the window, the program ends with it.
  window.exec();
  return 0;
}
