// Reading a small file that the operator names, such as a profile: a regular
// file, or (where the system has them) a pipe with a writer, read to its end
// within bounds. Each platform folder (linux, win32) defines ReadSmallFile in
// its file_read.cpp; the build picks one.
#pragma once

#include <cstddef>
#include <string>

namespace magcfg::platform {

struct SmallFile {
  enum class Outcome {
    Read,          // text holds the whole file
    SystemError,   // error holds the system's words for it
    NotAFile,      // neither a regular file nor a pipe (a directory, a device)
    TooLarge,      // more than the limit
    PipeSilent,    // a pipe whose writer wrote nothing within the wait
    PipeNoWriter,  // a pipe with nothing written to it and no writer
  };
  Outcome outcome = Outcome::SystemError;
  std::string text;
  std::string error;
};

// path: UTF-8. Reads at most limit bytes (one more tells TooLarge); a pipe's
// writer is waited for at most pipeWaitMs in all. Never blocks in the open.
SmallFile ReadSmallFile(const std::string& path, std::size_t limit, int pipeWaitMs);

}  // namespace magcfg::platform
