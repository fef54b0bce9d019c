// Drives magcfg.exe from outside, as an operator would, through the control
// IDs of its window, and writes what the window showed to a transcript:
//   magcfg_wine_driver PROGRAM STEPS TRANSCRIPT SIGNAL_DIR
// STEPS holds one step a line ('#' starts a comment):
//   click ID          clicks the button, then waits for the command to end,
//                     writing each message box (and the status line under it)
//                     and the final status line; boxes are closed with OK
//   tracks            writes the texts of the three track boxes
//   signal NAME       creates SIGNAL_DIR/NAME.request and waits for
//                     SIGNAL_DIR/NAME.done (the test machine's side of a step,
//                     such as pulling the reader out)
// The transcript is UTF-8, one line per observation. Exit status 0 when every
// step ran, 1 on a usage or start-up error, 2 when the window stopped
// answering or a signal was not answered.
//   magcfg_wine_driver --early PROGRAM
// only starts PROGRAM once Wine's desktop is up, and ends when its window
// shows. Started by wineboot together with explorer, it overlaps the
// program's start with the rest of Wine's start-up, and it keeps explorer's
// desktop from closing when wineboot ends (Wine closes a desktop a second
// after its last user other than explorer has gone). The run then takes
// over the window that is already there, or starts the program itself.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Bounds under software emulation, where Wine runs ten to twenty times slower
// than on the host.
constexpr DWORD kStartMs = 420000;
constexpr DWORD kCommandMs = 60000;
constexpr DWORD kSignalMs = 60000;
constexpr int kStatusLine = 1023;
constexpr int kBoxText = 0xFFFF;  // the text of a message box
const int kTrackBoxes[] = {1035, 1036, 1037};

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
  return out;
}

// WM_GETTEXT crosses into the program's process; bounded so that a hung
// window ends the run instead of the driver.
std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_NORMAL, kCommandMs, &copied))
    return L"<no answer>";
  return std::wstring(buffer, copied < 1024 ? copied : 1023);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

struct Program {
  PROCESS_INFORMATION process{};
  HWND dialog = nullptr;
};

struct Search {
  DWORD process_id;  // 0: any process
  HWND found;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if ((search->process_id == 0 || pid == search->process_id) && IsWindowVisible(hwnd) &&
      GetDlgItem(hwnd, kStatusLine)) {
    search->process_id = pid;
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

struct BoxSearch {
  HWND dialog;
  HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  if (hwnd != search->dialog && ClassOf(hwnd) == L"#32770") {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A message box of the window's thread, once it is up with its text.
HWND MessageBoxUp(HWND dialog) {
  BoxSearch search{dialog, nullptr};
  EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), FindBox, reinterpret_cast<LPARAM>(&search));
  if (!search.found) return nullptr;
  for (DWORD waited = 0; waited < kCommandMs; waited += 50) {
    if (IsWindowVisible(search.found) && GetDlgItem(search.found, kBoxText)) return search.found;
    if (!IsWindow(search.found)) return nullptr;
    Sleep(50);
  }
  return search.found;
}

// Returns once the window's thread handles messages again: the command has
// ended, or a message box of it runs its own loop.
bool Settled(HWND dialog) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kCommandMs, &result) != 0;
}

class Driver {
 public:
  Driver(Program program, std::ofstream& out) : program_(program), out_(out) {}

  bool Click(int id) {
    HWND button = GetDlgItem(program_.dialog, id);
    if (!button) {
      Write("no control " + std::to_string(id));
      return true;
    }
    // Sent without waiting (a command that shows a message box does not
    // return before the box is closed), and ahead of Settled's message: sent
    // messages are handled in the order they were sent, before posted ones.
    SendNotifyMessageW(button, BM_CLICK, 0, 0);
    std::wstring shown = L"\x1";  // nothing written yet
    for (int quiet = 0; quiet < 2;) {
      if (!Settled(program_.dialog)) return Hung("window stopped answering");
      HWND box = MessageBoxUp(program_.dialog);
      if (!box) {
        ++quiet;
        Sleep(200);
        continue;
      }
      quiet = 0;
      std::wstring status = TextOf(GetDlgItem(program_.dialog, kStatusLine));
      if (status != shown) Write("status: " + Utf8(status));
      shown = status;
      Write("box: [" + Utf8(TextOf(box)) + "] " + Utf8(TextOf(GetDlgItem(box, kBoxText))));
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      for (DWORD waited = 0; IsWindow(box); waited += 50) {
        if (waited > kCommandMs) return Hung("message box did not close");
        Sleep(50);
      }
    }
    std::wstring status = TextOf(GetDlgItem(program_.dialog, kStatusLine));
    if (status != shown) Write("status: " + Utf8(status));
    return true;
  }

  void Tracks() {
    std::string line = "tracks:";
    for (int id : kTrackBoxes) line += " [" + Utf8(TextOf(GetDlgItem(program_.dialog, id))) + "]";
    Write(line);
  }

  bool Signal(const std::string& dir, const std::string& name) {
    std::wstring base = Wide(dir + "\\" + name);
    DeleteFileW((base + L".done").c_str());
    HANDLE request = CreateFileW((base + L".request").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (request == INVALID_HANDLE_VALUE) return Hung("cannot create " + name + ".request");
    CloseHandle(request);
    for (DWORD waited = 0; GetFileAttributesW((base + L".done").c_str()) == INVALID_FILE_ATTRIBUTES; waited += 100) {
      if (waited > kSignalMs) return Hung("no answer to " + name);
      Sleep(100);
    }
    Write("signal: " + name);
    return true;
  }

  void Write(const std::string& line) {
    out_ << line << '\n';
    out_.flush();
    std::fprintf(stderr, "%lu ms: %s\n", static_cast<unsigned long>(GetTickCount()), line.c_str());
  }

 private:
  bool Hung(const std::string& what) {
    Write("stopped: " + what);
    return false;
  }

  Program program_;
  std::ofstream& out_;
};

// Wine's desktop process (explorer) starts when a process first asks for the
// desktop window, and a process that makes its first window before explorer
// has loaded the display driver gets Wine's null driver for its whole life
// ("The explorer process failed to start."): Wine waits only 5 s for explorer
// there. In the test machine explorer takes a minute or more to get that far,
// so the program is started only once the desktop window carries the display
// driver's mark, which explorer sets when the driver is loaded.
bool DesktopReady() {
  HWND desktop = GetDesktopWindow();
  for (DWORD waited = 0; waited < kStartMs; waited += 200) {
    if (desktop && GetPropW(desktop, L"__wine_display_device_guid")) return true;
    Sleep(200);
    if (!desktop) desktop = GetDesktopWindow();
  }
  return false;
}

// Should explorer still lose the race, the program ends at once without its
// window; such a start is tried again.
bool Start(const std::wstring& path, Program& program) {
  for (int attempt = 1; attempt <= 3; ++attempt) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    std::wstring command = L"\"" + path + L"\"";
    if (!CreateProcessW(path.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &program.process))
      return false;
    Search search{program.process.dwProcessId, nullptr};
    bool ended = false;
    for (DWORD waited = 0; waited < kStartMs && !search.found && !ended; waited += 100) {
      Sleep(100);
      EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
      ended = !search.found && WaitForSingleObject(program.process.hProcess, 0) == WAIT_OBJECT_0;
    }
    program.dialog = search.found;
    if (program.dialog || !ended) return program.dialog != nullptr;
    DWORD status = 0;
    GetExitCodeProcess(program.process.hProcess, &status);
    std::fprintf(stderr, "%lu ms: the program ended without its window, status %lu (attempt %d)\n",
                 static_cast<unsigned long>(GetTickCount()), static_cast<unsigned long>(status), attempt);
    CloseHandle(program.process.hThread);
    CloseHandle(program.process.hProcess);
    program.process = {};
  }
  return false;
}

// Another magcfg_wine_driver (the early start) still running.
bool EarlyStartRunning() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  bool found = false;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !found; more = Process32NextW(snapshot, &entry)) {
    found = entry.th32ProcessID != GetCurrentProcessId() && _wcsicmp(entry.szExeFile, L"magcfg_wine_driver.exe") == 0;
  }
  CloseHandle(snapshot);
  return found;
}

// The window the early start made, once it shows; false when there is
// none and no early start under way.
bool TakeOver(Program& program) {
  for (DWORD waited = 0; waited < kStartMs; waited += 100) {
    Search search{0, nullptr};
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
    if (search.found) {
      program.dialog = search.found;
      program.process.dwProcessId = search.process_id;
      program.process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE,
                                             search.process_id);
      return program.process.hProcess != nullptr;
    }
    if (!EarlyStartRunning()) return false;
    Sleep(100);
  }
  return false;
}

// What the program shows instead of its window, for the transcript.
BOOL CALLBACK DescribeWindow(HWND hwnd, LPARAM param) {
  auto* program = reinterpret_cast<Program*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == program->process.dwProcessId)
    std::fprintf(stderr, "window of the program: class %s, title [%s], visible %d\n", Utf8(ClassOf(hwnd)).c_str(),
                 Utf8(TextOf(hwnd)).c_str(), IsWindowVisible(hwnd) ? 1 : 0);
  return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wstring(argv[1]) == L"--early") {
    Program program;
    const bool shown = DesktopReady() && Start(argv[2], program);
    if (program.process.hThread) CloseHandle(program.process.hThread);
    if (program.process.hProcess) CloseHandle(program.process.hProcess);
    return shown ? 0 : 1;
  }
  if (argc != 5) {
    std::fprintf(stderr, "usage: magcfg_wine_driver PROGRAM STEPS TRANSCRIPT SIGNAL_DIR | --early PROGRAM\n");
    return 1;
  }
  std::ifstream steps(argv[2]);
  std::ofstream out(argv[3], std::ios::binary);
  if (!steps || !out) {
    std::fprintf(stderr, "magcfg_wine_driver: cannot open the steps or the transcript\n");
    return 1;
  }
  Program program;
  if (!DesktopReady()) {
    out << "stopped: the desktop did not come up\n";
    return 1;
  }
  std::fprintf(stderr, "%lu ms: the desktop is up\n", static_cast<unsigned long>(GetTickCount()));
  if (TakeOver(program)) {
    std::fprintf(stderr, "%lu ms: took over the window of the early start\n",
                 static_cast<unsigned long>(GetTickCount()));
  } else if (!Start(argv[1], program)) {
    out << "stopped: the window did not show\n";
    EnumWindows(DescribeWindow, reinterpret_cast<LPARAM>(&program));
    DWORD code = 0;
    if (program.process.hProcess && GetExitCodeProcess(program.process.hProcess, &code))
      std::fprintf(stderr, "the program's exit code: %lu\n", static_cast<unsigned long>(code));
    if (program.process.hProcess) TerminateProcess(program.process.hProcess, 1);
    return 1;
  }
  const std::string signal_dir = Utf8(argv[4]);
  Driver driver(program, out);
  bool ok = true;
  std::string line;
  while (ok && std::getline(steps, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string verb, argument;
    words >> verb >> argument;
    driver.Write("> " + line);
    if (verb == "click") {
      ok = driver.Click(std::atoi(argument.c_str()));
    } else if (verb == "tracks") {
      driver.Tracks();
    } else if (verb == "signal") {
      ok = driver.Signal(signal_dir, argument);
    } else {
      driver.Write("unknown step");
      ok = false;
    }
  }
  // Closing the window ends the program; one that does not end is ended.
  PostMessageW(program.dialog, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(program.process.hProcess, kCommandMs) != WAIT_OBJECT_0) {
    driver.Write("stopped: the program did not end after its window was closed");
    TerminateProcess(program.process.hProcess, 1);
    ok = false;
  }
  if (program.process.hThread) CloseHandle(program.process.hThread);
  CloseHandle(program.process.hProcess);
  return ok ? 0 : 2;
}
