// Ends a console program as an operator's Ctrl+C would:
//   magcfg_console_control TRIGGER "COMMAND LINE"
// starts the command line in a console of this program's own (its output
// going where this program's goes), and once the file TRIGGER exists sends
// the console's Ctrl+C to every program in it. Ends with the
// program's exit status; 125 on a usage or start failure, 126 when the event
// could not be sent, 124 when the program did not end within a minute.
// A program Wine starts from a shell without a terminal has no console to
// send the event in (GenerateConsoleCtrlEvent fails with error 12): this
// program makes one. Wine 8 sends no Ctrl+Break: GenerateConsoleCtrlEvent
// fails for it with error 6, also in a console made so.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

BOOL WINAPI Ignore(DWORD) { return TRUE; }

int Fail(HANDLE err, const char* what, int status) {
  char line[160];
  const int length = std::snprintf(line, sizeof line, "console_control: %s (error %lu)\n", what, GetLastError());
  DWORD written = 0;
  WriteFile(err, line, static_cast<DWORD>(length), &written, nullptr);
  return status;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 125;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  for (const HANDLE handle : {startup.hStdInput, startup.hStdOutput, startup.hStdError}) {
    SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  }
  FreeConsole();
  if (!AllocConsole()) return Fail(startup.hStdError, "no console", 125);
  std::wstring command = argv[2];
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return Fail(startup.hStdError, "the program did not start", 125);
  }
  while (GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES &&
         WaitForSingleObject(process.hProcess, 100) == WAIT_TIMEOUT) {
  }
  SetConsoleCtrlHandler(Ignore, TRUE);
  if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
    TerminateProcess(process.hProcess, 126);
    return Fail(startup.hStdError, "the event could not be sent", 126);
  }
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 124);
    return 124;
  }
  DWORD status = 125;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}
