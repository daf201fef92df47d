// What both systems share about the text of a path: the rules that look
// at the words of a path as the user typed it, not at what they name.
#include "os/os.h"

namespace vk {

namespace {

int32_t is_step(const char* part, int32_t length, int32_t dots) {
  if (length != dots) return 0;
  for (int32_t i = 0; i < dots; ++i)
    if (part[i] != '.') return 0;
  return 1;
}

}  // namespace

// Walks back over trailing separators and "." steps; each ".." step takes
// the name before it away, as the user reads it.
int32_t os_standing_length(const char* path) {
  int32_t end = 0;
  while (path[end] != 0) ++end;
  int32_t climb = 0;
  for (;;) {
    while (end > 0 && os_is_separator(path[end - 1])) --end;
    if (end == 0) return 0;
    int32_t start = end;
    while (start > 0 && !os_is_separator(path[start - 1])) --start;
    const int32_t length = end - start;
    if (is_step(path + start, length, 1)) {
      end = start;
    } else if (is_step(path + start, length, 2)) {
      ++climb;
      end = start;
    } else if (climb > 0) {
      --climb;
      end = start;
    } else {
      return end;
    }
  }
}

}  // namespace vk
