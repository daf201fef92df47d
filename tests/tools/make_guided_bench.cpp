// Makes the generated benchmark set (tests/data/guided-bench.txt): levels of
// 3 to 8 boxes in rooms of up to 20 x 20 cells whose minimum the test oracle
// proves, each written after a comment line with that minimum.
//
//   make_guided_bench SEED COUNT [STATECAP] > guided-bench.txt
//
// The same seed gives the same set. A level is made in three steps: a room,
// a rectangle of floor with random wall blocks and the floor the keeper
// cannot reach walled in; goals on random floor cells with a box on each;
// then random reverse play, the keeper walking and pulling boxes off their
// goals, so that the position it ends in can be solved by pushing every
// pull back. A level is kept when the reader takes it with every box live,
// the boxes have left their goals, and the oracle proves its minimum within
// STATECAP states (25,000,000 by default).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "level/level.h"
#include "support/oracle.h"

namespace vk {
namespace {

constexpr int32_t MinSide = 7;        // room sides, walls included
constexpr int32_t MaxSide = 20;
constexpr int32_t MinBoxes = 3;
constexpr int32_t MaxGenBoxes = 8;
constexpr int32_t PullRounds = 3000;  // keeper steps of the reverse play
constexpr int32_t MinMoves = 30;      // shorter levels tell a benchmark little
constexpr int32_t DefaultCap = 25000000;

// splitmix64: small, and the same on every system.
struct Random {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int32_t below(int32_t n) { return int32_t(next() % uint64_t(n)); }
};

struct Room {
  int32_t width = 0, height = 0;
  std::vector<char> cell;  // '#', ' ', '.', '$', '*', '@', '+'
  char& at(int32_t r, int32_t c) { return cell[size_t(r * width + c)]; }
};

const int32_t StepRow[Directions] = {-1, 0, 1, 0};
const int32_t StepColumn[Directions] = {0, -1, 0, 1};

// Walls everywhere but a floor rectangle, then random wall blocks inside.
Room make_room(Random& random) {
  Room room;
  room.width = MinSide + random.below(MaxSide - MinSide + 1);
  room.height = MinSide + random.below(MaxSide - MinSide + 1);
  room.cell.assign(size_t(room.width * room.height), '#');
  for (int32_t r = 1; r + 1 < room.height; r++)
    for (int32_t c = 1; c + 1 < room.width; c++) room.at(r, c) = ' ';
  int32_t blocks = (room.width * room.height) / 12;
  for (int32_t b = 0; b < blocks; b++) {
    int32_t r = 1 + random.below(room.height - 2), c = 1 + random.below(room.width - 2);
    int32_t tall = 1 + random.below(2), wide = 1 + random.below(2);
    for (int32_t i = 0; i < tall && r + i + 1 < room.height; i++)
      for (int32_t j = 0; j < wide && c + j + 1 < room.width; j++) room.at(r + i, c + j) = '#';
  }
  return room;
}

// The floor cells reachable from start; every other floor cell becomes wall.
std::vector<int32_t> keep_region(Room& room, int32_t start) {
  std::vector<char> seen(room.cell.size(), 0);
  std::vector<int32_t> region{start};
  seen[size_t(start)] = 1;
  for (size_t next = 0; next < region.size(); next++) {
    int32_t r = region[next] / room.width, c = region[next] % room.width;
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = (r + StepRow[d]) * room.width + c + StepColumn[d];
      if (room.cell[size_t(n)] == '#' || seen[size_t(n)]) continue;
      seen[size_t(n)] = 1;
      region.push_back(n);
    }
  }
  for (size_t i = 0; i < room.cell.size(); i++)
    if (!seen[i]) room.cell[i] = '#';
  return region;
}

// The keeper steps from k in direction d; when pull is set and a box stands
// behind the keeper, the box follows it.
bool reverse_step(Room& room, std::vector<char>& box, int32_t& keeper, int32_t d, bool pull) {
  int32_t dr = StepRow[d] * room.width + StepColumn[d];
  int32_t to = keeper + dr, behind = keeper - dr;
  if (room.cell[size_t(to)] == '#' || box[size_t(to)]) return false;
  if (pull && box[size_t(behind)]) {
    box[size_t(behind)] = 0;
    box[size_t(keeper)] = 1;
  }
  keeper = to;
  return true;
}

// The level as text. Walls that touch no floor, not even at a corner, are
// left out, and so are the blank rows and columns that leaves.
std::string level_text(const Room& room, const std::vector<char>& goal,
                       const std::vector<char>& box, int32_t keeper) {
  auto wall = [&](int32_t r, int32_t c) {
    return r < 0 || c < 0 || r >= room.height || c >= room.width ||
           room.cell[size_t(r * room.width + c)] == '#';
  };
  auto shown = [&](int32_t r, int32_t c) {
    for (int32_t i = r - 1; i <= r + 1; i++)
      for (int32_t j = c - 1; j <= c + 1; j++)
        if (!wall(i, j)) return true;
    return false;
  };
  std::vector<std::string> rows;
  size_t indent = std::string::npos;
  for (int32_t r = 0; r < room.height; r++) {
    std::string row;
    for (int32_t c = 0; c < room.width; c++) {
      size_t i = size_t(r * room.width + c);
      char ch = ' ';
      if (!shown(r, c)) ch = ' ';
      else if (wall(r, c)) ch = '#';
      else if (int32_t(i) == keeper) ch = goal[i] ? '+' : '@';
      else if (box[i]) ch = goal[i] ? '*' : '$';
      else if (goal[i]) ch = '.';
      row += ch;
    }
    while (!row.empty() && row.back() == ' ') row.pop_back();
    if (row.empty()) continue;
    indent = std::min(indent, row.find_first_not_of(' '));
    rows.push_back(row);
  }
  std::string text;
  for (const std::string& row : rows) text += row.substr(indent) + "\n";
  return text;
}

// A level of boxes boxes in the room, as text; empty when it cannot be made.
std::string make_level(Random& random, int32_t boxes) {
  Room room = make_room(random);
  std::vector<int32_t> floor;
  for (int32_t i = 0; i < int32_t(room.cell.size()); i++)
    if (room.cell[size_t(i)] == ' ') floor.push_back(i);
  if (floor.size() < size_t(boxes) * 4) return "";
  std::vector<int32_t> region = keep_region(room, floor[size_t(random.below(int32_t(floor.size())))]);
  if (region.size() < size_t(boxes) * 4) return "";

  std::vector<char> goal(room.cell.size(), 0), box(room.cell.size(), 0);
  for (int32_t placed = 0; placed < boxes;) {
    int32_t c = region[size_t(random.below(int32_t(region.size())))];
    if (goal[size_t(c)]) continue;
    goal[size_t(c)] = box[size_t(c)] = 1;
    placed++;
  }
  int32_t keeper = region[size_t(random.below(int32_t(region.size())))];
  if (box[size_t(keeper)]) return "";
  for (int32_t round = 0; round < PullRounds; round++) {
    // Two statements: the order of the draws must not be left to the
    // compiler, or the same seed would give other levels elsewhere.
    bool pull = random.below(3) != 0;
    int32_t d = random.below(Directions);
    reverse_step(room, box, keeper, d, pull);
  }

  return level_text(room, goal, box, keeper);
}

int32_t boxes_off_goals(const std::string& text) {
  int32_t count = 0;
  for (char c : text) count += c == '$';
  return count;
}

}  // namespace
}  // namespace vk

int main(int argc, char** argv) {
  using namespace vk;
  if (argc < 3) {
    std::fprintf(stderr, "usage: make_guided_bench SEED COUNT [STATECAP]\n");
    return 2;
  }
  uint64_t seed = std::strtoull(argv[1], nullptr, 10);
  int32_t count = std::atoi(argv[2]);
  int32_t cap = argc > 3 ? std::atoi(argv[3]) : DefaultCap;
  Random random{seed};
  auto level = std::make_unique<Level>();
  std::printf("; Made by tests/tools/make_guided_bench %llu %d %d. The line above each\n"
              "; level gives its minimum number of moves, proven by the test oracle.\n\n",
              static_cast<unsigned long long>(seed), count, cap);
  for (int32_t made = 0, tried = 0; made < count; tried++) {
    int32_t boxes = MinBoxes + (made + tried) % (MaxGenBoxes - MinBoxes + 1);
    std::string text = make_level(random, boxes);
    if (text.empty()) continue;
    if (boxes_off_goals(text) < boxes - 1) continue;
    if (parse_level(*level, text.c_str(), int32_t(text.size())) != LevelOk) continue;
    if (level->liveBoxes != boxes) continue;
    int64_t states = 0;
    int32_t moves = oracle_min_moves(*level, 1, OracleRaw, cap, &states);
    std::fprintf(stderr, "try %d: %d boxes, %dx%d: %d (%lld states)\n", tried, boxes,
                 level->width, level->height, moves, static_cast<long long>(states));
    if (moves < MinMoves) continue;
    made++;
    std::printf("; %d: %d boxes, minimum %d moves (%lld oracle states)\n%s\n", made, boxes,
                moves, static_cast<long long>(states), text.c_str());
    std::fflush(stdout);
  }
  return 0;
}
