// A forward best-first search over (keeper, box set, pushed yet) states,
// sharing nothing with the solver: it only needs the parsed level. Each
// keeper step, with or without a push, is one edge of cost 1; the queue
// hands out states by f = moves so far + bound, the bound below.
//
// The bound, and why it may guide an exact search:
// - A box alone on the board needs at least dist(box, goal) pushes to reach
//   a goal, where dist counts pushes on the empty board (other boxes and the
//   keeper's way to the pushing cell ignored). In a solution every box ends
//   on a goal of its own and every push is a move, so the cheapest
//   assignment of boxes to distinct goals by dist never exceeds the moves
//   left: it is a lower bound.
// - A step without a push leaves the boxes, and so the bound, as they were.
//   A push moves one box one cell, a push that is possible on the empty
//   board too, so that box's distance to every goal falls by at most 1, and
//   so does the cheapest assignment. The bound thus falls by at most the
//   cost of each step (it is consistent): f never falls along a path, a
//   state leaves the queue with its fewest moves, and the first solved
//   state that leaves the queue has the minimum.
// - A box with no goal in reach (a corner that is no goal, among others)
//   or a set of boxes that no assignment serves can never be solved: such
//   states are dropped, which loses no solution.
#include "support/oracle.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

namespace vk {

namespace {

constexpr int32_t CellBits = 11;   // cell indices below 2048
constexpr int32_t KeyWords = 4;    // 11 + 1 + 20 * 11 bits fit four words
constexpr int32_t Far = 1 << 20;   // no way at all; a sum of 20 stays far below 2^31
static_assert((1 << CellBits) >= MaxArea);
static_assert(CellBits + 1 + CellBits * OracleMaxBoxes <= 64 * KeyWords);

struct Board {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<char> wall;
  std::vector<char> goal;
  std::vector<int32_t> goals;                // their cells
  std::vector<std::vector<int32_t>> pushes;  // [goal][cell]: dist, or Far
  int32_t keeper = 0;
  std::vector<int32_t> boxes;                // ascending
};

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

int32_t opposite(int32_t d) { return (d + 2) % Directions; }

// Pushes a lone box needs from every cell to goal: a breadth-first search
// backward from the goal. The box came to cell p from q, one cell against
// the push, with the keeper one cell further behind; both must be open.
std::vector<int32_t> push_distances(const Board& board, int32_t goal) {
  std::vector<int32_t> dist(board.wall.size(), Far);
  std::vector<int32_t> queue{goal};
  dist[static_cast<size_t>(goal)] = 0;
  for (size_t next = 0; next < queue.size(); ++next) {
    int32_t p = queue[next];
    for (int32_t d = 0; d < Directions; ++d) {
      int32_t q = neighbour(board, p, opposite(d));
      if (!open_cell(board, q)) continue;
      int32_t keeper = neighbour(board, q, opposite(d));
      if (!open_cell(board, keeper) || dist[static_cast<size_t>(q)] != Far) continue;
      dist[static_cast<size_t>(q)] = dist[static_cast<size_t>(p)] + 1;
      queue.push_back(q);
    }
  }
  return dist;
}

Board make_board(const Level& level, OracleBoard kind) {
  Board board;
  board.width = level.width;
  board.height = level.height;
  board.wall.assign(static_cast<size_t>(level.area), 0);
  board.goal.assign(static_cast<size_t>(level.area), 0);
  board.keeper = level.KeeperStart;
  for (int32_t c = 0; c < level.area; ++c) {
    size_t i = static_cast<size_t>(c);
    if (kind == OracleReduced) {
      board.wall[i] = level.BlockMap[c] != 0;
      board.goal[i] = level.GoalMap[c] != 0;
      if (level.BoxStartMap[c] != 0) board.boxes.push_back(c);
    } else {
      int32_t v = level.cells[c];
      board.wall[i] = v == CellWall || v == CellOutside;
      board.goal[i] = !board.wall[i] && (v & CellGoal) != 0;
      if (!board.wall[i] && (v & CellBox) != 0) board.boxes.push_back(c);
    }
    if (board.goal[i]) board.goals.push_back(c);
  }
  for (int32_t g : board.goals) board.pushes.push_back(push_distances(board, g));
  return board;
}

// The cheapest assignment of boxes to distinct goals by push distance
// (the Hungarian method, rows boxes and columns goals, square since a
// level has as many goals as boxes); Far or more when none serves.
int32_t cheapest_assignment(const Board& board, const int32_t* boxes, int32_t n) {
  constexpr int32_t Size = OracleMaxBoxes + 1;
  constexpr int64_t Unbounded = int64_t{1} << 40;
  std::array<int64_t, Size> u{}, v{}, least{};
  std::array<int32_t, Size> owner{}, way{};
  std::array<char, Size> used{};
  auto cost = [&](int32_t box, int32_t goal) {
    return int64_t{board.pushes[size_t(goal - 1)][size_t(boxes[box - 1])]};
  };
  for (int32_t row = 1; row <= n; ++row) {
    owner[0] = row;
    int32_t column = 0;
    least.fill(Unbounded);
    used.fill(0);
    do {
      used[size_t(column)] = 1;
      int32_t box = owner[size_t(column)], next = 0;
      int64_t delta = Unbounded;
      for (int32_t j = 1; j <= n; ++j) {
        if (used[size_t(j)]) continue;
        int64_t reduced = cost(box, j) - u[size_t(box)] - v[size_t(j)];
        if (reduced < least[size_t(j)]) least[size_t(j)] = reduced, way[size_t(j)] = column;
        if (least[size_t(j)] < delta) delta = least[size_t(j)], next = j;
      }
      for (int32_t j = 0; j <= n; ++j) {
        if (used[size_t(j)]) u[size_t(owner[size_t(j)])] += delta, v[size_t(j)] -= delta;
        else least[size_t(j)] -= delta;
      }
      column = next;
    } while (owner[size_t(column)] != 0);
    do {
      int32_t previous = way[size_t(column)];
      owner[size_t(column)] = owner[size_t(previous)];
      column = previous;
    } while (column != 0);
  }
  int64_t total = 0;
  for (int32_t j = 1; j <= n; ++j) total += cost(owner[size_t(j)], j);
  return total >= Far ? Far : int32_t(total);
}

// A state packed into words: keeper, pushed flag, then the boxes in
// ascending order, CellBits each.
struct Key {
  std::array<uint64_t, KeyWords> word{};
};

void put_bits(Key& key, int32_t at, uint64_t value) {
  key.word[size_t(at / 64)] |= value << (at % 64);
  if (at % 64 + CellBits > 64) key.word[size_t(at / 64 + 1)] |= value >> (64 - at % 64);
}

int32_t get_bits(const Key& key, int32_t at) {
  uint64_t value = key.word[size_t(at / 64)] >> (at % 64);
  if (at % 64 + CellBits > 64) value |= key.word[size_t(at / 64 + 1)] << (64 - at % 64);
  return int32_t(value & ((uint64_t{1} << CellBits) - 1));
}

struct State {
  int32_t keeper = 0;
  int32_t pushed = 0;
  std::array<int32_t, OracleMaxBoxes> boxes{};  // ascending
};

Key encode(const State& state, int32_t n) {
  Key key;
  put_bits(key, 0, uint64_t(state.keeper));
  put_bits(key, CellBits, uint64_t(state.pushed));
  for (int32_t i = 0; i < n; ++i) put_bits(key, CellBits + 1 + CellBits * i, uint64_t(state.boxes[size_t(i)]));
  return key;
}

State decode(const Key& key, int32_t n) {
  State state;
  state.keeper = get_bits(key, 0);
  state.pushed = get_bits(key, CellBits) & 1;
  for (int32_t i = 0; i < n; ++i) state.boxes[size_t(i)] = get_bits(key, CellBits + 1 + CellBits * i);
  return state;
}

// Every state met, with its fewest moves so far and its bound, found
// through an open-addressing index of state numbers.
struct Store {
  int32_t words = 1;  // key words in use for this level's box count
  std::vector<uint64_t> keys;
  std::vector<int32_t> moves;
  std::vector<int32_t> bound;
  std::vector<char> closed;
  std::vector<uint32_t> index;  // state number + 1, 0 empty; a power of two

  int32_t count() const { return int32_t(moves.size()); }
};

uint64_t hash_of(const Key& key, int32_t words) {
  uint64_t h = 0x9E3779B97F4A7C15ull;
  for (int32_t w = 0; w < words; ++w) h = (h ^ key.word[size_t(w)]) * 0xFF51AFD7ED558CCDull;
  return h ^ (h >> 31);
}

bool same_key(const Store& store, uint32_t number, const Key& key) {
  const uint64_t* stored = &store.keys[size_t(number) * size_t(store.words)];
  for (int32_t w = 0; w < store.words; ++w)
    if (stored[w] != key.word[size_t(w)]) return false;
  return true;
}

void place(Store& store, const Key& key, uint32_t number) {
  size_t mask = store.index.size() - 1;
  for (size_t slot = hash_of(key, store.words) & mask;; slot = (slot + 1) & mask) {
    if (store.index[slot] == 0) {
      store.index[slot] = number + 1;
      return;
    }
  }
}

void grow_index(Store& store) {
  store.index.assign(store.index.empty() ? 1024 : store.index.size() * 2, 0);
  for (int32_t number = 0; number < store.count(); ++number) {
    Key key;
    for (int32_t w = 0; w < store.words; ++w)
      key.word[size_t(w)] = store.keys[size_t(number) * size_t(store.words) + size_t(w)];
    place(store, key, uint32_t(number));
  }
}

// The state's number, or -1 when it is new.
int32_t find(const Store& store, const Key& key) {
  size_t mask = store.index.size() - 1;
  for (size_t slot = hash_of(key, store.words) & mask;; slot = (slot + 1) & mask) {
    uint32_t entry = store.index[slot];
    if (entry == 0) return -1;
    if (same_key(store, entry - 1, key)) return int32_t(entry - 1);
  }
}

int32_t add(Store& store, const Key& key, int32_t moves, int32_t bound) {
  if (size_t(store.count()) * 2 >= store.index.size()) grow_index(store);
  int32_t number = store.count();
  for (int32_t w = 0; w < store.words; ++w) store.keys.push_back(key.word[size_t(w)]);
  store.moves.push_back(moves);
  store.bound.push_back(bound);
  store.closed.push_back(0);
  place(store, key, uint32_t(number));
  return number;
}

// Open states by f; each bucket a stack, so that within one f the search
// goes deep and meets a solution early.
struct Open {
  std::vector<std::vector<int32_t>> buckets;
  size_t lowest = 0;
  void push(int32_t f, int32_t number) {
    if (size_t(f) >= buckets.size()) buckets.resize(size_t(f) + 1);
    buckets[size_t(f)].push_back(number);
    if (size_t(f) < lowest) lowest = size_t(f);
  }
  // The number of a state of lowest f and that f; false when none is left.
  bool pop(int32_t& number, int32_t& f) {
    while (lowest < buckets.size() && buckets[lowest].empty()) ++lowest;
    if (lowest >= buckets.size()) return false;
    number = buckets[lowest].back();
    buckets[lowest].pop_back();
    f = int32_t(lowest);
    return true;
  }
};

bool solved(const Board& board, const State& state, int32_t n, int32_t atLeastOnePush) {
  if (atLeastOnePush && !state.pushed) return false;
  for (int32_t i = 0; i < n; ++i)
    if (!board.goal[size_t(state.boxes[size_t(i)])]) return false;
  return true;
}

int32_t box_index(const State& state, int32_t n, int32_t cell) {
  for (int32_t i = 0; i < n; ++i)
    if (state.boxes[size_t(i)] == cell) return i;
  return -1;
}

// The state after the keeper steps in direction d, if the step is legal;
// pushedBox receives 1 when it pushed.
bool step(const Board& board, const State& from, int32_t n, int32_t d, State& to,
          int32_t& pushedBox) {
  int32_t target = neighbour(board, from.keeper, d);
  pushedBox = 0;
  if (!open_cell(board, target)) return false;
  to = from;
  to.keeper = target;
  int32_t box = box_index(to, n, target);
  if (box < 0) return true;
  int32_t beyond = neighbour(board, target, d);
  if (!open_cell(board, beyond) || box_index(to, n, beyond) >= 0) return false;
  to.boxes[size_t(box)] = beyond;
  std::sort(to.boxes.begin(), to.boxes.begin() + n);
  to.pushed = 1;
  pushedBox = 1;
  return true;
}

}  // namespace

int32_t oracle_min_moves(const Level& level, int32_t atLeastOnePush, OracleBoard kind,
                         int32_t stateCap, int64_t* states) {
  if (states) *states = 0;
  if (level.area <= 0 || level.width <= 0) return OracleGaveUp;
  Board board = make_board(level, kind);
  const int32_t n = int32_t(board.boxes.size());
  if (n > OracleMaxBoxes || board.goals.size() != board.boxes.size()) return OracleGaveUp;

  Store store;
  store.words = (CellBits + 1 + CellBits * n + 63) / 64;
  Open open;
  State start;
  start.keeper = board.keeper;
  std::copy(board.boxes.begin(), board.boxes.end(), start.boxes.begin());
  int32_t startBound = cheapest_assignment(board, start.boxes.data(), n);
  if (startBound >= Far) return OracleUnsolvable;
  open.push(startBound, add(store, encode(start, n), 0, startBound));

  int32_t result = OracleUnsolvable;
  int32_t number = 0, f = 0;
  while (open.pop(number, f)) {
    // An entry left behind by a cheaper way to the same state is stale.
    if (store.closed[size_t(number)] || store.moves[size_t(number)] + store.bound[size_t(number)] != f)
      continue;
    store.closed[size_t(number)] = 1;
    Key key;
    for (int32_t w = 0; w < store.words; ++w)
      key.word[size_t(w)] = store.keys[size_t(number) * size_t(store.words) + size_t(w)];
    State state = decode(key, n);
    const int32_t moves = store.moves[size_t(number)];
    if (solved(board, state, n, atLeastOnePush)) {
      result = moves;
      break;
    }
    for (int32_t d = 0; d < Directions; ++d) {
      State next;
      int32_t pushed = 0;
      if (!step(board, state, n, d, next, pushed)) continue;
      int32_t bound = store.bound[size_t(number)];
      if (pushed) bound = cheapest_assignment(board, next.boxes.data(), n);
      if (bound >= Far) continue;
      Key nextKey = encode(next, n);
      int32_t known = find(store, nextKey);
      if (known >= 0) {
        if (store.moves[size_t(known)] <= moves + 1) continue;
        // A consistent bound never improves a closed state; reopening it
        // all the same keeps the search exact with any admissible bound.
        store.moves[size_t(known)] = moves + 1;
        store.closed[size_t(known)] = 0;
      } else {
        if (store.count() >= stateCap) {
          result = OracleGaveUp;
          break;
        }
        known = add(store, nextKey, moves + 1, bound);
      }
      open.push(moves + 1 + bound, known);
    }
    if (result == OracleGaveUp) break;
  }
  if (states) *states = store.count();
  return result;
}

}  // namespace vk
