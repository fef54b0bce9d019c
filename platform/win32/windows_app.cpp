#include "platform/win32/windows_app.h"

#include <commctrl.h>

#include <memory>
#include <string>

#include "app/command_line.h"
#include "platform/platform_hid.h"
#include "platform/simulated/demo_reader.h"
#include "platform/win32/text_convert.h"
#include "platform/win32/win32_window.h"
#include "ui/main_dialog.h"

namespace magcfg::win32 {
namespace {

// Lives from program start to its end, as the language, the sentinel set and
// the swipe capture do.
ModuleState g_moduleState;

void ShowText(std::string_view text, UINT icon) {
  MessageBoxW(nullptr, Utf8ToWide(text).c_str(), L"magcfg", MB_OK | icon);
}

}  // namespace

std::unique_ptr<reader::HidSystem> HidSystemFor(bool simulate) {
  if (simulate) return sim::MakeDemoHidSystem();
  return platform::MakePlatformHidSystem();
}

int WindowsApp::Run(const std::vector<std::string_view>& args) {
  const CommandLine line = ParseCommandLine(args);
  switch (line.action) {
    case CommandLine::Action::ShowHelp:
      ShowText(HelpText("magcfg"), MB_ICONINFORMATION);
      return 0;
    case CommandLine::Action::ShowVersion:
      ShowText(VersionText(), MB_ICONINFORMATION);
      return 0;
    case CommandLine::Action::Error:
      ShowText(line.error, MB_ICONERROR);
      return 2;
    case CommandLine::Action::RunWindow:
      break;
  }
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  const std::unique_ptr<reader::HidSystem> hid = HidSystemFor(line.simulate);
  Win32Window window(instance_);
  MainDialog dialog(window, *hid, g_moduleState);
  // English unless the command line asks otherwise; the user's settings are not consulted.
  dialog.SetStartLanguage(line.language.value_or(UiLanguage::English));
  // Whatever ended the window, its end code is not looked at; only a window
  // that could not be made at all ends the program with a failure.
  if (window.RunModal(dialog) == -1) {
    ShowText("magcfg: the window could not be created (error " + std::to_string(GetLastError()) + ").",
             MB_ICONERROR);
    return 1;
  }
  return 0;
}

}  // namespace magcfg::win32
