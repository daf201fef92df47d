// The progress line of vantori batch on a terminal. One thread redraws it
// in place with a carriage return; every other write to standard error and
// every report line that reaches the same terminal takes it away first, so
// that messages and the report stay readable.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "cli/cli.h"

namespace vk {

namespace {

// Writes all of text; a terminal that cannot be written is no reason to
// stop the batch, so errors end the attempt silently.
void write_all(OsHandle fd, const char* text, size_t size) {
  os_write_all(fd, text, int32_t(size));
}

// Appends count spaces to out at used, within ProgressLineCapacity.
int32_t pad(char* out, int32_t used, int32_t count) {
  while (count-- > 0 && used < ProgressLineCapacity - 1) out[used++] = ' ';
  return used;
}

// Blanks the line and returns to its start. Called under the lock.
void clear_locked(ProgressLine& line) {
  if (line.shown == 0) return;
  char out[ProgressLineCapacity];
  int32_t used = pad(out, 1, line.shown);
  out[0] = '\r';
  out[used++] = '\r';
  write_all(line.fd, out, size_t(used));
  line.shown = 0;
}

// Several jobs: "levels 3 5 of 40: X nodes", the levels being solved and
// their nodes together; a line too long for the capacity is cut.
int format_jobs(const ProgressLine& line, char* out, int32_t capacity) {
  int used = std::snprintf(out, size_t(capacity), "level");
  int64_t nodes = 0;
  int32_t solving = 0;
  for (int32_t j = 0; j < line.jobCount && used < capacity; j++) {
    int32_t number = line.jobLevels[j]->load(std::memory_order_relaxed);
    if (number == 0) continue;
    solving++;
    nodes += line.jobFigures[j]->nodes.load(std::memory_order_relaxed);
    used += std::snprintf(out + used, size_t(capacity - used), "%s %d",
                          solving == 1 ? "" : ",", number);
  }
  if (solving == 0) return 0;
  if (used < capacity)
    used += std::snprintf(out + used, size_t(capacity - used), " of %d: %lld nodes",
                          line.highest, static_cast<long long>(nodes));
  return used < capacity ? used : capacity - 1;
}

int32_t visible(const ProgressLine& line) {
  if (line.jobCount > 0) return 1;
  if (line.level.load(std::memory_order_relaxed) == 0) return 0;
  return line.solving.load(std::memory_order_relaxed) || !line.clearAfterSolve;
}

// Rewrites the line; spaces cover what is left of a longer one before it
// (the cursor may then stand behind them, which the next '\r' undoes).
// Called under the lock.
void draw_locked(ProgressLine& line) {
  if (!visible(line)) return;
  char out[ProgressLineCapacity];
  int length =
      line.jobCount > 0
          ? format_jobs(line, out + 1, ProgressLineCapacity - 2)
          : std::snprintf(out + 1, ProgressLineCapacity - 2, "level %d of %d: %d sec, %d nodes",
                          line.level.load(std::memory_order_relaxed), line.highest,
                          line.figures->seconds.load(std::memory_order_relaxed),
                          line.figures->nodes.load(std::memory_order_relaxed));
  if (length <= 0) return;
  if (length > ProgressLineCapacity - 3) length = ProgressLineCapacity - 3;
  out[0] = '\r';
  int32_t used = pad(out, 1 + length, line.shown - length);
  write_all(line.fd, out, size_t(used));
  line.shown = length;
}

void run_progress_line(ProgressLine* line) {
  // Stop signals are handled on the thread that runs the batch, never here.
  os_block_stop_signals_here();
  std::unique_lock<std::mutex> guard(line->lock);
  const auto interval = std::chrono::milliseconds(ProgressLineIntervalMs);
  while (!line->stop.load(std::memory_order_relaxed)) {
    line->wake.wait_for(guard, interval,
                        [line] { return line->stop.load(std::memory_order_relaxed) != 0; });
    if (!line->stop.load(std::memory_order_relaxed)) draw_locked(*line);
  }
}

ProgressLine& line_of(void* context) { return *static_cast<ProgressLine*>(context); }

}  // namespace

void start_progress_line(ProgressLine& line) {
  if (!os_is_terminal(line.fd)) return;
  line.stop.store(0, std::memory_order_relaxed);
  line.running.store(1, std::memory_order_relaxed);
  // A thread the system cannot start (no memory, a process limit) only
  // costs the line: the batch runs without it.
  try {
    line.thread = std::thread(run_progress_line, &line);
  } catch (const std::system_error&) {
    line.running.store(0, std::memory_order_relaxed);
  }
}

void stop_progress_line(ProgressLine& line) {
  if (!line.running.load(std::memory_order_relaxed)) return;
  {
    std::lock_guard<std::mutex> guard(line.lock);
    line.stop.store(1, std::memory_order_relaxed);
  }
  line.wake.notify_all();
  line.thread.join();
  clear_locked(line);
  line.running.store(0, std::memory_order_relaxed);
}

void progress_show_level(void* context, int32_t number, int32_t) {
  line_of(context).level.store(number, std::memory_order_relaxed);
}

void progress_solve_begins(void* context) {
  line_of(context).solving.store(1, std::memory_order_relaxed);
}

void progress_solve_ends(void* context) {
  ProgressLine& line = line_of(context);
  line.solving.store(0, std::memory_order_relaxed);
  if (!line.clearAfterSolve || !line.running.load(std::memory_order_relaxed)) return;
  std::lock_guard<std::mutex> guard(line.lock);
  clear_locked(line);
}

void progress_message(ProgressLine& line, const char* text) {
  if (!line.running.load(std::memory_order_relaxed)) {
    std::fputs(text, stderr);
    return;
  }
  std::lock_guard<std::mutex> guard(line.lock);
  clear_locked(line);
  std::fputs(text, stderr);
  std::fflush(stderr);
}

}  // namespace vk
