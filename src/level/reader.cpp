// The level reader: one level file of the store into the Board, checked,
// reduced and analysed, with the shared grid searches.
#include "level/level_internal.h"
#include "os/os.h"

namespace vk {

namespace {

// A level that passes the size test has at most MaxArea cells in its rows,
// and at most MaxArea rows once it has a cell at all, so its rows with their
// line feeds fit in twice MaxArea bytes. Bytes of a file beyond that can only
// belong to a level that is too large, or follow the rows and be ignored;
// they are streamed through a chunk to be measured and counted.
constexpr int32_t LevelTextCapacity = 2 * MaxArea;
constexpr int32_t ReadChunkSize = 4096;
constexpr int64_t Largest32 = 2147483647;

// What the row measure learns from a whole level text, which may be longer
// than the bytes kept of it.
struct TextMeasure {
  int64_t height;  // rows: complete lines of level characters only
  int64_t width;   // longest row
  int64_t line;    // characters of the line being measured
  int64_t boxes;   // "$" and "*" anywhere in the text
  bool stopped;    // a line with another character ended the rows
  bool ended;      // a zero byte ended the text
};

int32_t clamp32(int64_t value) { return value > Largest32 ? int32_t(Largest32) : int32_t(value); }

// Feeds bytes of the text, in order, to the measure. A line counts as a row
// only when its line feed comes; a last line without one is not a row.
void measure_bytes(TextMeasure& m, const char* bytes, int32_t count) {
  for (int32_t i = 0; i < count && !m.ended; i++) {
    char c = bytes[i];
    if (c == '\0') {
      m.ended = true;
      break;
    }
    if (c == '$' || c == '*') m.boxes++;
    if (m.stopped) continue;
    if (c == '\n') {
      m.height++;
      if (m.line > m.width) m.width = m.line;
      m.line = 0;
    } else if (is_level_char(c)) {
      m.line++;
    } else {
      m.stopped = true;  // a carriage return included
    }
  }
}

void set_offsets(Level& level) {
  level.offset[DirUp] = -level.width;
  level.offset[DirLeft] = -1;
  level.offset[DirDown] = level.width;
  level.offset[DirRight] = 1;
}

void reset_level(Level& level) {
  for (int32_t c = 0; c < MaxArea; c++) level.cells[c] = CellFloor;
  level.width = 0;
  level.height = 0;
  level.area = 0;
  level.KeeperStart = 0;
  level.totalBoxes = 0;
  level.liveBoxes = 0;
  set_offsets(level);
}

struct CharCounts {
  int32_t boxes;
  int32_t goals;
  int32_t keepers;
};

// ORs the first height lines of the text into the Board and counts what
// they hold. The rows are known to lie within the text.
CharCounts parse_rows(Level& level, const char* text, int32_t length) {
  CharCounts counts = {0, 0, 0};
  int32_t pos = 0;
  for (int32_t row = 0; row < level.height && pos < length; row++) {
    for (int32_t column = 0; column < level.width && pos < length && text[pos] != '\n';
         column++, pos++) {
      int32_t cell = row * level.width + column;
      int32_t flags = cell_flags_of(text[pos]);
      level.cells[cell] |= flags;
      if (flags & CellBox) counts.boxes++;
      if (flags & CellGoal) counts.goals++;
      if (flags & CellKeeper) {
        counts.keepers++;
        level.KeeperStart = cell;
      }
    }
    while (pos < length && text[pos] != '\n') pos++;
    pos++;  // past the line feed
  }
  return counts;
}

// Floor the keeper cannot reach becomes outside. A box or an empty goal out
// of the keeper's reach can never be solved and makes the level malformed;
// a box on a goal there is left for the dead-square analysis to freeze.
int32_t mark_outside(Level& level, const int32_t* region) {
  for (int32_t c = 0; c < level.area; c++) {
    if (region[c]) continue;
    int32_t v = level.cells[c];
    if (v == CellBox || v == CellGoal) return LevelIrregular;
    if (v == CellFloor) {
      level.cells[c] = CellOutside;
      level.BlockMap[c] = MapBlocked;
    }
  }
  return LevelOk;
}

// The live boxes and goals: those still open once frozen boxes are walls.
void collect_live_cells(Level& level) {
  for (int32_t c = 0; c < level.area; c++) {
    level.GoalMap[c] = 0;
    level.BoxStartMap[c] = 0;
    if (level.BlockMap[c] != MapOpen) continue;
    if (level.cells[c] & CellBox) {
      level.BoxStartMap[c] = CellBox;
      level.liveBoxes++;
    }
    if (level.cells[c] & CellGoal) level.GoalMap[c] = 1;
  }
}

// Everything after the row measure. text holds at least the rows; the
// checks run size, then form, then solvability, then the box limit.
int32_t judge_level(Level& level, const char* text, int32_t length, const TextMeasure& m,
                    int32_t boxLimit) {
  level.height = clamp32(m.height);
  level.width = clamp32(m.width);
  if (m.width > 0 && m.height > MaxArea / m.width) {  // height * width > MaxArea
    // Only the size and the box count mean anything; the cell count stays
    // 0 so that nothing walks cells this Board does not have.
    level.totalBoxes = clamp32(m.boxes);
    return LevelSizeOver;
  }
  level.area = level.height * level.width;

  CharCounts counts = parse_rows(level, text, length);
  level.totalBoxes = counts.boxes;
  if (counts.boxes == 0) return LevelIrregular;
  if (counts.goals != counts.boxes) return LevelIrregular;
  if (counts.keepers != 1) return LevelIrregular;

  set_offsets(level);
  for (int32_t c = 0; c < level.area; c++) level.BlockMap[c] = level.cells[c] & CellWall;

  int32_t region[MaxArea];
  if (find_keeper_region(level, level.BlockMap, region, level.KeeperStart)) return LevelIrregular;
  if (mark_outside(level, region) != LevelOk) return LevelIrregular;

  if (analyse_dead_squares(level) != 0) return LevelImpossible;

  collect_live_cells(level);
  if (level.liveBoxes > boxLimit) return LevelBoxesOver;

  mark_tunnels(level);
  build_reach_masks(level);
  return LevelOk;
}

// Reads the whole file: the first LevelTextCapacity bytes are kept for
// parsing, every byte is measured and counted.
int32_t read_level_file(vk::OsHandle file, char* text, int32_t& kept, TextMeasure& m) {
  char chunk[ReadChunkSize];
  kept = 0;
  for (;;) {
    bool keeping = kept < LevelTextCapacity;
    char* into = keeping ? text + kept : chunk;
    int32_t room = keeping ? LevelTextCapacity - kept : ReadChunkSize;
    int32_t got = vk::os_read(file, into, room);
    if (got < 0) return 0;
    if (got == 0) return 1;
    measure_bytes(m, into, got);
    if (keeping) kept += got;
    if (m.ended) return 1;  // nothing behind a zero byte counts
  }
}

}  // namespace

const char* level_status_word(int32_t status) {
  switch (status) {
    case LevelSizeOver: return "Size Over";
    case LevelBoxesOver: return "Boxes Over";
    case LevelIrregular: return "Irregular";
    case LevelImpossible: return "Impossible";
    default: return "";
  }
}

int32_t next_generation(StampMap& map) {
  if (map.generation == LastGeneration) {
    for (int32_t c = 0; c < MaxArea; c++) map.stamps[c] = 0;
    map.generation = 1;
  } else {
    map.generation++;
  }
  return map.generation;
}

int32_t box_limit(int32_t guided) { return guided ? GuidedMaxBoxes : MaxBoxes; }

int32_t parse_level(Level& level, const char* text, int32_t length, int32_t boxLimit) {
  reset_level(level);
  TextMeasure m = {};
  measure_bytes(m, text, length);
  return judge_level(level, text, length, m, boxLimit);
}

int32_t read_level(Level& level, const char* workDir, int32_t n, int32_t boxLimit) {
  reset_level(level);
  char path[StorePathCapacity];
  level_file_name(workDir, n, path, StorePathCapacity);
  vk::OsHandle file = vk::OsNoHandle;
  if (!vk::os_open_read(path, file)) return LevelIrregular;

  char text[LevelTextCapacity];
  int32_t kept = 0;
  TextMeasure m = {};
  int32_t ok = read_level_file(file, text, kept, m);
  vk::os_close(file);
  if (!ok) return LevelIrregular;
  return judge_level(level, text, kept, m, boxLimit);
}

void flood_fill(const Level& level, const int32_t* obstacles, int32_t start, int32_t* stamps,
                int32_t generation) {
  int32_t queue[MaxArea];
  int32_t head = 0;
  int32_t tail = 0;
  stamps[start] = generation;
  queue[tail++] = start;
  while (head < tail) {
    int32_t c = queue[head++];
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = c + level.offset[d];
      if (obstacles[n] == 0 && stamps[n] != generation) {
        stamps[n] = generation;
        queue[tail++] = n;
      }
    }
  }
}

int32_t find_keeper_region(const Level& level, const int32_t* walls, int32_t* region,
                           int32_t start) {
  int32_t queue[MaxArea];
  int32_t head = 0;
  int32_t tail = 0;
  for (int32_t c = 0; c < level.area; c++) region[c] = 0;
  region[start] = 1;
  queue[tail++] = start;
  while (head < tail) {
    int32_t c = queue[head++];
    int32_t row = c / level.width;
    int32_t column = c % level.width;
    // A border cell ends the search before any neighbour off the board is
    // looked at.
    if (row == 0 || row == level.height - 1 || column == 0 || column == level.width - 1) return 1;
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = c + level.offset[d];
      if (walls[n] == 0 && region[n] == 0) {
        region[n] = 1;
        queue[tail++] = n;
      }
    }
  }
  return 0;
}

}  // namespace vk
