// The level notation and the move letters: the one place that knows which
// character means what.
#include <cstring>

#include "level/level.h"

namespace vk {

int32_t is_level_char(char c) {
  // memchr, not strchr: the NUL byte must not match the terminator.
  return c != '\0' && std::memchr(LevelChars, c, sizeof LevelChars - 1) != nullptr;
}

int32_t cell_flags_of(char c) {
  switch (c) {
    case '#': return CellWall;
    case '.': return CellGoal;
    case '$': return CellBox;
    case '*': return CellBox | CellGoal;
    case '@': return CellKeeper;
    case '+': return CellKeeper | CellGoal;
    default: return CellFloor;
  }
}

int32_t is_level_line(const char* line, int32_t length) {
  if (length == 0) return 0;
  for (int32_t i = 0; i < length; ++i)
    if (!is_level_char(line[i])) return 0;
  return 1;
}

int32_t level_of_text(const char* text, int32_t k, char* out, int32_t capacity) {
  int32_t found = -1, length = 0;
  int32_t inLevel = 0;
  for (const char* line = text; *line != '\0';) {
    const char* end = std::strchr(line, '\n');
    int32_t size = end ? int32_t(end - line) : int32_t(std::strlen(line));
    while (size > 0 && line[size - 1] == ' ') size--;
    int32_t levelLine = is_level_line(line, size);
    if (levelLine && !inLevel) found++;
    inLevel = levelLine;
    if (levelLine && found == k && length + size + 1 < capacity) {
      std::memcpy(out + length, line, size_t(size));
      length += size;
      out[length++] = '\n';
    }
    if (found > k || !end) break;
    line = end + 1;
  }
  out[length] = '\0';
  return found >= k ? length : -1;
}

int32_t move_letter_direction(char c, int32_t& push) {
  push = 0;
  const char* walk = c != '\0' ? std::strchr(WalkLetters, c) : nullptr;
  if (walk) return int32_t(walk - WalkLetters);
  const char* pushed = c != '\0' ? std::strchr(PushLetters, c) : nullptr;
  if (!pushed) return -1;
  push = 1;
  return int32_t(pushed - PushLetters);
}

}  // namespace vk
