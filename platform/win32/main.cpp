// Entry point of the Windows program.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/text_convert.h"
#include "platform/win32/windows_app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> owned;
  for (int i = 1; argv != nullptr && i < count; ++i) owned.push_back(magcfg::win32::WideToUtf8(argv[i]));
  if (argv != nullptr) LocalFree(argv);
  const std::vector<std::string_view> args(owned.begin(), owned.end());
  return magcfg::win32::WindowsApp(instance).Run(args);
}
