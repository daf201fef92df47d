// A forward breadth-first search over (keeper, box set, pushed yet) states,
// sharing nothing with the solver: it only needs the parsed level.
#include "support/oracle.h"

#include <algorithm>
#include <cstddef>
#include <deque>
#include <unordered_set>
#include <vector>

namespace vk {

namespace {

constexpr int32_t CellBits = 11;  // cell indices below 2048
constexpr int32_t MaxOracleBoxes = 10;  // 12 + 10 * 11 bits fit a 128-bit key
static_assert((1 << CellBits) >= MaxArea);

struct Key {
  uint64_t low = 0;
  uint64_t high = 0;
  bool operator==(const Key& other) const { return low == other.low && high == other.high; }
};

struct KeyHash {
  size_t operator()(const Key& key) const {
    return static_cast<size_t>(key.low * 0x9E3779B97F4A7C15ull ^ (key.high + 0x632BE59BD9B4E019ull));
  }
};

struct State {
  int32_t keeper = 0;
  int32_t pushed = 0;
  std::vector<int32_t> boxes;  // ascending
};

void put_bits(Key& key, int32_t at, uint64_t value) {
  if (at < 64) {
    key.low |= value << at;
    if (at + CellBits > 64) key.high |= value >> (64 - at);
  } else {
    key.high |= value << (at - 64);
  }
}

uint64_t get_bits(const Key& key, int32_t at) {
  uint64_t mask = (uint64_t{1} << CellBits) - 1;
  if (at >= 64) return (key.high >> (at - 64)) & mask;
  uint64_t value = key.low >> at;
  if (at + CellBits > 64) value |= key.high << (64 - at);
  return value & mask;
}

Key encode(const State& state) {
  Key key;
  put_bits(key, 0, static_cast<uint64_t>(state.keeper));
  put_bits(key, CellBits, static_cast<uint64_t>(state.pushed));
  for (size_t i = 0; i < state.boxes.size(); ++i)
    put_bits(key, CellBits + 1 + CellBits * static_cast<int32_t>(i),
             static_cast<uint64_t>(state.boxes[i]));
  return key;
}

State decode(const Key& key, size_t boxCount) {
  State state;
  state.keeper = static_cast<int32_t>(get_bits(key, 0));
  state.pushed = static_cast<int32_t>(get_bits(key, CellBits) & 1);
  for (size_t i = 0; i < boxCount; ++i)
    state.boxes.push_back(
        static_cast<int32_t>(get_bits(key, CellBits + 1 + CellBits * static_cast<int32_t>(i))));
  return state;
}

struct Board {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<char> wall;
  std::vector<char> goal;
  State start;
};

Board make_board(const Level& level, OracleBoard kind) {
  Board board;
  board.width = level.width;
  board.height = level.height;
  board.wall.assign(static_cast<size_t>(level.area), 0);
  board.goal.assign(static_cast<size_t>(level.area), 0);
  board.start.keeper = level.KeeperStart;
  for (int32_t c = 0; c < level.area; ++c) {
    size_t i = static_cast<size_t>(c);
    if (kind == OracleReduced) {
      board.wall[i] = level.BlockMap[c] != 0;
      board.goal[i] = level.GoalMap[c] != 0;
      if (level.BoxStartMap[c] != 0) board.start.boxes.push_back(c);
    } else {
      int32_t v = level.cells[c];
      board.wall[i] = v == CellWall || v == CellOutside;
      board.goal[i] = !board.wall[i] && (v & CellGoal) != 0;
      if (!board.wall[i] && (v & CellBox) != 0) board.start.boxes.push_back(c);
    }
  }
  return board;
}

// The neighbour of cell in direction d, or -1 off the board.
int32_t neighbour(const Board& board, int32_t cell, int32_t d) {
  int32_t row = cell / board.width;
  int32_t column = cell % board.width;
  switch (d) {
    case DirUp: return row > 0 ? cell - board.width : -1;
    case DirLeft: return column > 0 ? cell - 1 : -1;
    case DirDown: return row + 1 < board.height ? cell + board.width : -1;
    default: return column + 1 < board.width ? cell + 1 : -1;
  }
}

bool open_cell(const Board& board, int32_t cell) {
  return cell >= 0 && !board.wall[static_cast<size_t>(cell)];
}

bool solved(const Board& board, const State& state, int32_t atLeastOnePush) {
  if (atLeastOnePush && !state.pushed) return false;
  for (int32_t box : state.boxes)
    if (!board.goal[static_cast<size_t>(box)]) return false;
  return true;
}

// The state after the keeper steps in direction d, if the step is legal.
bool step(const Board& board, const State& from, int32_t d, State& to) {
  int32_t target = neighbour(board, from.keeper, d);
  if (!open_cell(board, target)) return false;
  to = from;
  to.keeper = target;
  auto box = std::find(to.boxes.begin(), to.boxes.end(), target);
  if (box == to.boxes.end()) return true;
  int32_t beyond = neighbour(board, target, d);
  if (!open_cell(board, beyond)) return false;
  if (std::find(to.boxes.begin(), to.boxes.end(), beyond) != to.boxes.end()) return false;
  *box = beyond;
  std::sort(to.boxes.begin(), to.boxes.end());
  to.pushed = 1;
  return true;
}

}  // namespace

int32_t oracle_min_moves(const Level& level, int32_t atLeastOnePush, OracleBoard kind,
                         int32_t stateCap) {
  if (level.area <= 0 || level.width <= 0) return OracleGaveUp;
  Board board = make_board(level, kind);
  size_t boxCount = board.start.boxes.size();
  if (boxCount > MaxOracleBoxes) return OracleGaveUp;

  std::unordered_set<Key, KeyHash> seen;
  std::deque<std::pair<Key, int32_t>> queue;
  Key first = encode(board.start);
  seen.insert(first);
  queue.emplace_back(first, 0);
  while (!queue.empty()) {
    auto [key, moves] = queue.front();
    queue.pop_front();
    State state = decode(key, boxCount);
    if (solved(board, state, atLeastOnePush)) return moves;
    for (int32_t d = 0; d < Directions; ++d) {
      State next;
      if (!step(board, state, d, next)) continue;
      Key nextKey = encode(next);
      if (!seen.insert(nextKey).second) continue;
      if (static_cast<int32_t>(seen.size()) > stateCap) return OracleGaveUp;
      queue.emplace_back(nextKey, moves + 1);
    }
  }
  return OracleUnsolvable;
}

}  // namespace vk
