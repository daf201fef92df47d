// How a run of vantori ends: a stop signal cancels the solve under way and
// lets the command finish what it writes; a write that fails ends the
// command with one line naming what could not be written and why.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "os/os.h"

namespace vk {

namespace {

// The cancel flag that a stop signal sets: the solve or batch under way.
std::atomic<std::atomic<int32_t>*> StopCancels{nullptr};
static_assert(std::atomic<std::atomic<int32_t>*>::is_always_lock_free);

// Runs in the signal handler: stores to lock-free atomics only.
void on_stop(int32_t) {
  std::atomic<int32_t>* cancel = StopCancels.load(std::memory_order_relaxed);
  if (cancel != nullptr) cancel->store(1, std::memory_order_relaxed);
}

}  // namespace

void catch_stop_signals() { os_catch_stop_signals(on_stop); }

void cancel_on_stop(std::atomic<int32_t>& cancel) {
  StopCancels.store(&cancel, std::memory_order_relaxed);
  // A signal that came before the flag was known still counts.
  if (os_stop_signal() != 0) cancel.store(1, std::memory_order_relaxed);
}

int stopped_status() {
  int32_t signal = os_stop_signal();
  return signal != 0 ? ExitSignalBase + signal : 0;
}

int output_status(const char* command) {
  if (!std::ferror(stdout) && std::fflush(stdout) == 0) return ExitOk;
  // The C library's error number, which its own text describes.
  int error = errno != 0 ? errno : EIO;
  std::clearerr(stdout);
  if (error == EPIPE) return ExitClosedPipe;  // the reader has gone: nothing to tell it
  std::fprintf(stderr, "%s%s: cannot write standard output: %s\n", command[0] ? "vantori " : "vantori",
               command, std::strerror(error));
  return ExitFailure;
}

}  // namespace vk
