#include "platform/threads/run_each.h"

#include <cstddef>
#include <system_error>
#include <thread>

#if __has_include(<pthread.h>)
#include <pthread.h>
#endif

namespace magcfg::platform {
namespace {

// A reader's thread mostly waits for its reader and needs little stack.
// With the default stack (8 MiB on Linux) 64 threads were mapped, touched and
// unmapped whole on every run: on the loaded 2-core machine, perf showed
// thread creation, page-table set-up and TLB flushes taking longer than the
// readers' own 20 ms. Small stacks stay in the C library's cache of stacks.
constexpr std::size_t kReaderThreadStackBytes = 512 * 1024;

}  // namespace

void RunEachOnItsOwnThread(std::vector<std::function<void()>>& jobs) {
#if __has_include(<pthread.h>)
  pthread_attr_t attributes;
  const bool sized = pthread_attr_init(&attributes) == 0;
  if (sized) pthread_attr_setstacksize(&attributes, kReaderThreadStackBytes);
  std::vector<pthread_t> started;
  started.reserve(jobs.size());
  for (std::function<void()>& job : jobs) {
    pthread_t thread;
    const auto run = [](void* job) -> void* {
      (*static_cast<std::function<void()>*>(job))();
      return nullptr;
    };
    if (pthread_create(&thread, sized ? &attributes : nullptr, run, &job) == 0) {
      started.push_back(thread);
    } else {
      job();
    }
  }
  for (const pthread_t thread : started) pthread_join(thread, nullptr);
  if (sized) pthread_attr_destroy(&attributes);
#else
  std::vector<std::jthread> threads;
  threads.reserve(jobs.size());
  for (std::function<void()>& job : jobs) {
    try {
      threads.emplace_back(job);
    } catch (const std::system_error&) {
      job();
    }
  }
#endif
}

}  // namespace magcfg::platform
