#include "solver/reference_search.h"

#include "level/level_internal.h"

#include <algorithm>
#include <array>
#include <deque>
#include <map>
#include <utility>
#include <vector>

namespace vk {

namespace {

constexpr int32_t Capacity = 800000;
constexpr int32_t Buckets = 64;
constexpr int32_t TraceLimit = 20000;
constexpr int32_t None = -1;

using BoxList = std::array<int32_t, MaxBoxes>;

struct Record {
  BoxList boxes{};
  int32_t keeper = 0;
  int32_t cost = 0;
  int32_t parent = None;
};

struct Reference {
  const Level& lv;
  const int32_t* noRest;
  int32_t maxNodes;
  std::vector<int32_t> board;  // 0 free, 2 box, 8 blocked
  BoxList boxes{};
  std::vector<Record> records;
  std::map<std::pair<int32_t, std::vector<int32_t>>, int32_t> index;  // roots never enter
  int32_t nodes = 0;

  // the bucket queue
  std::vector<int32_t> bucket[Buckets];
  int32_t fill[Buckets] = {};
  int32_t current = 0, readCursor = 0, writeCursor = 0, open = 0, indicator = 0;

  int32_t bestCost = 0, bestRecord = None;

  explicit Reference(const Level& level, const int32_t* rest, int32_t limit)
      : lv(level), noRest(rest), maxNodes(limit), board(level.BlockMap, level.BlockMap + MaxArea) {}

  int32_t n() const { return lv.liveBoxes; }

  std::pair<int32_t, std::vector<int32_t>> key(int32_t keeper) const {
    std::vector<int32_t> set(boxes.begin(), boxes.begin() + n());
    std::sort(set.begin(), set.end());
    return {keeper, set};
  }

  // ---- queue, literally

  void put(int32_t b, int32_t position, int32_t value) {
    if (position < static_cast<int32_t>(bucket[b].size())) bucket[b][position] = value;
    else bucket[b].push_back(value);
  }

  void pack(int32_t b, int32_t from, int32_t to, int32_t& out) {
    for (int32_t i = from; i < to; ++i)
      if (bucket[b][i] != None) put(b, out++, bucket[b][i]);
  }

  int32_t compact(int32_t b) {
    int32_t out = 0;
    if (b == current % Buckets) {
      int32_t oldWrite = writeCursor, oldRead = readCursor;
      pack(b, 0, oldWrite, out);
      writeCursor = out;
      pack(b, oldWrite, oldRead, out);
      readCursor = out;
      pack(b, oldRead, Capacity, out);
    } else {
      pack(b, 0, Capacity, out);
    }
    fill[b] = out;
    indicator = out;
    return Capacity - out;
  }

  bool insert(int32_t record, int32_t cost) {
    int32_t b = cost % Buckets;
    if (fill[b] == Capacity && compact(b) == 0) return false;
    put(b, fill[b]++, record);
    indicator = std::max(indicator, fill[b]);
    ++open;
    return true;
  }

  bool rekey(int32_t record, int32_t cost) {
    int32_t b = records[record].cost % Buckets;
    for (int32_t i = 0; i < fill[b]; ++i)
      if (bucket[b][i] == record) {
        bucket[b][i] = None;
        break;
      }
    --open;
    return insert(record, cost);
  }

  int32_t pop() {
    if (open == 0) return None;
    for (;;) {
      int32_t b = current % Buckets;
      while (readCursor < fill[b]) {
        int32_t record = bucket[b][readCursor++];
        if (record == None) continue;
        bucket[b][readCursor - 1] = None;
        if (records[record].cost == current) {
          --open;
          return record;
        }
        bucket[b][writeCursor++] = record;
      }
      fill[b] = writeCursor;
      ++current;
      if (bestRecord != None && current >= bestCost) return None;
      readCursor = writeCursor = 0;
    }
  }

  // ---- board helpers

  bool isFree(int32_t cell) const { return board[cell] == 0; }

  std::vector<int32_t> reach(int32_t from) const {
    std::vector<int32_t> seen(MaxArea, 0);
    std::deque<int32_t> todo{from};
    seen[from] = 1;
    while (!todo.empty()) {
      int32_t c = todo.front();
      todo.pop_front();
      for (int32_t d = 0; d < 4; ++d) {
        int32_t m = c + lv.offset[d];
        if (isFree(m) && !seen[m]) seen[m] = 1, todo.push_back(m);
      }
    }
    return seen;
  }

  int32_t walk(int32_t from, int32_t to) const {
    if (from == to) return 0;
    std::vector<int32_t> dist(MaxArea, -1);
    std::deque<int32_t> todo{from};
    dist[from] = 0;
    while (!todo.empty()) {
      int32_t c = todo.front();
      todo.pop_front();
      for (int32_t d = 0; d < 4; ++d) {
        int32_t m = c + lv.offset[d];
        if (m == to) return dist[c] + 1;
        if (isFree(m) && dist[m] < 0) dist[m] = dist[c] + 1, todo.push_back(m);
      }
    }
    return -1000000;  // never asked for an unreachable cell
  }

  int32_t pullRun(int32_t box, int32_t d) const {
    int32_t o = lv.offset[d];
    int32_t length = 1, t = box + o, k = box + 2 * o;
    while (noRest[t]) {
      if (!isFree(k)) return 0;
      t += o, k += o, ++length;
    }
    return isFree(k) ? length : 0;
  }

  int32_t add(int32_t keeper, int32_t cost, int32_t parent) {
    Record r;
    r.boxes = boxes, r.keeper = keeper, r.cost = cost, r.parent = parent;
    records.push_back(r);
    return static_cast<int32_t>(records.size()) - 1;
  }

  // ---- search

  void seed() {
    for (int32_t i = 0; i < n(); ++i)
      for (int32_t d = 0; d < 4; ++d) {
        int32_t b = boxes[i], o = lv.offset[d];
        if (!isFree(b + o) || !isFree(b + 2 * o)) continue;
        int32_t length = pullRun(b, d);
        if (!length) continue;
        int32_t root = add(b + o, 0, None);
        int32_t moved = b + length * o;
        board[b] = 0, board[moved] = 2, boxes[i] = moved;
        int32_t seeded = add(moved + o, length, root);
        index[key(moved + o)] = seeded;
        insert(seeded, length);
        board[moved] = 0, board[b] = 2, boxes[i] = b;
      }
  }

  int32_t expand() {
    int32_t r = pop();
    if (r == None) return bestRecord != None ? 8 : 4;
    Record rec = records[r];
    boxes = rec.boxes;
    bool allOnStart = true;
    for (int32_t i = 0; i < n(); ++i) {
      board[boxes[i]] = 2;
      if (!lv.BoxStartMap[boxes[i]]) allOnStart = false;
    }
    std::vector<int32_t> reached = reach(rec.keeper);
    if (allOnStart && reached[lv.KeeperStart]) {
      int32_t length = current + walk(rec.keeper, lv.KeeperStart);
      if (bestRecord == None || length < bestCost) bestCost = length, bestRecord = r;
    }
    for (int32_t i = 0; i < n(); ++i)
      for (int32_t d = 0; d < 4; ++d) {
        int32_t b = boxes[i], o = lv.offset[d], p = b + o;
        if (!reached[p] || !isFree(b + 2 * o)) continue;
        int32_t length = pullRun(b, d);
        if (!length) continue;
        int32_t f = current + walk(rec.keeper, p) + length;
        if (bestRecord != None && f >= bestCost) continue;
        int32_t moved = b + length * o;
        board[b] = 0, board[moved] = 2, boxes[i] = moved;
        int32_t status = 0;
        if (lv.ReachMask[b] == lv.ReachMask[moved] || boxes_assignable(lv, boxes.data()))
          status = visit(moved + o, f, r);
        if (status) return status;
        board[moved] = 0, board[b] = 2, boxes[i] = b;
      }
    for (int32_t i = 0; i < n(); ++i) board[boxes[i]] = 0;
    return 0;
  }

  int32_t visit(int32_t keeper, int32_t f, int32_t parent) {
    auto k = key(keeper);
    auto found = index.find(k);
    if (found == index.end()) {
      if (nodes >= maxNodes) return 5;
      int32_t child = add(keeper, f, parent);
      if (!insert(child, f)) return 6;
      ++nodes;
      index[k] = child;
      return 0;
    }
    Record& old = records[found->second];
    if (old.cost > f) {
      if (!rekey(found->second, f)) return 6;
      records[found->second].parent = parent;
      records[found->second].cost = f;
    }
    return 0;
  }

  // ---- trace

  std::string trace;
  int32_t traceOver = 0;

  void letter(int32_t d, bool push) {
    if (static_cast<int32_t>(trace.size()) >= TraceLimit) {
      traceOver = 1;
      return;
    }
    trace += (push ? "ULDR" : "uldr")[d];
  }

  void emitWalk(int32_t from, int32_t to) {
    if (from == to) return;
    std::vector<int32_t> mark(MaxArea, 0);
    std::deque<int32_t> todo{to};
    mark[to] = 1;
    int32_t steps = 0;
    while (!todo.empty() && !steps) {
      int32_t c = todo.front();
      todo.pop_front();
      for (int32_t d = 0; d < 4 && !steps; ++d) {
        int32_t m = c + lv.offset[d];
        if (m == from) steps = mark[c];
        else if (isFree(m) && !mark[m]) mark[m] = mark[c] + 1, todo.push_back(m);
      }
    }
    int32_t at = from;
    for (int32_t left = steps; left > 0; --left)
      for (int32_t d = 0; d < 4; ++d)
        if (mark[at + lv.offset[d]] == left) {
          letter(d, false);
          at += lv.offset[d];
          break;
        }
  }

  void buildTrace() {
    for (int32_t c = 0; c < MaxArea; ++c) board[c] = lv.BlockMap[c] + lv.BoxStartMap[c];
    int32_t keeper = lv.KeeperStart;
    emitWalk(keeper, records[bestRecord].keeper);
    keeper = records[bestRecord].keeper;
    for (int32_t r = bestRecord; records[r].parent != None; r = records[r].parent) {
      const Record& q = records[records[r].parent];
      std::vector<int32_t> scratch(lv.BlockMap, lv.BlockMap + MaxArea);
      for (int32_t i = 0; i < n(); ++i) scratch[q.boxes[i]] = 2;
      int32_t from = -1, to = -1;
      for (int32_t c = 0; c < lv.area && (from < 0 || to < 0); ++c) {
        if (board[c] == 2 && scratch[c] != 2) from = c;
        if (scratch[c] == 2 && board[c] != 2) to = c;
      }
      int32_t d = 0;
      while (lv.offset[d] != from - keeper) ++d;
      board[from] = 0;
      for (int32_t at = from; at != to; at += lv.offset[d]) letter(d, true);
      board[to] = 2;
      keeper = to - lv.offset[d];
      emitWalk(keeper, q.keeper);
      keeper = q.keeper;
    }
  }
};

}  // namespace

ReferenceResult reference_solve(const Level& level, int32_t beginWithEnd, int32_t maxNodes) {
  ReferenceResult result;
  int32_t onGoal = 0;
  for (int32_t c = 0; c < level.area; ++c)
    if (level.GoalMap[c] && level.BoxStartMap[c]) ++onGoal;
  bool startSolved = onGoal == level.liveBoxes;
  if (!beginWithEnd && startSolved) {
    result.status = 8;
    return result;
  }
  const int32_t* rest = beginWithEnd && startSolved ? level.NoReachMap : level.NoRestMap;
  Reference s(level, rest, maxNodes);
  int32_t count = 0;
  for (int32_t c = 0; c < level.area; ++c)
    if (level.GoalMap[c]) s.board[c] = 2, s.boxes[count++] = c;
  s.seed();
  for (int32_t i = 0; i < count; ++i) s.board[s.boxes[i]] = 0;
  int32_t status = 0;
  while (!status) status = s.expand();
  result.status = status;
  result.nodes = s.nodes;
  result.queue = s.indicator;
  if (status == 8) {
    s.buildTrace();
    result.moves = s.bestCost;
    result.trace = s.trace;
    result.traceOver = s.traceOver;
  }
  return result;
}

}  // namespace vk
