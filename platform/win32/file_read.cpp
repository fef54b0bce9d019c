#include "platform/file_read.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace magcfg::platform {
namespace {

// The path as the system's wide calls take it, so that a name beyond ASCII
// opens whatever the code page.
std::wstring WidePath(const std::string& utf8) {
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(length > 0 ? static_cast<std::size_t>(length) : 0, L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

}  // namespace

// pipeWaitMs is not used here: a named pipe given by its name (\\.\pipe\...)
// is read as a file is, and a read from it waits for its writer.
SmallFile ReadSmallFile(const std::string& path, std::size_t limit, int /*pipeWaitMs*/) {
  using Outcome = SmallFile::Outcome;
  SmallFile file;
  const auto failed = [&](Outcome outcome, int error) {
    file.outcome = outcome;
    if (outcome == Outcome::SystemError) file.error = std::strerror(error);
    file.text.clear();
    return file;
  };
  errno = 0;
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> handle(_wfopen(WidePath(path).c_str(), L"rb"), std::fclose);
  if (!handle) return failed(Outcome::SystemError, errno != 0 ? errno : ENOENT);
  char chunk[4096];
  while (true) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, handle.get());
    file.text.append(chunk, got);
    if (file.text.size() > limit) return failed(Outcome::TooLarge, 0);
    if (got < sizeof chunk) break;
  }
  if (std::ferror(handle.get())) return failed(Outcome::SystemError, errno != 0 ? errno : EIO);
  file.outcome = Outcome::Read;
  return file;
}

}  // namespace magcfg::platform
