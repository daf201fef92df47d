// The guided search: the same minimum as the plain search on every test
// level, solved starts under both begin-with-end settings, a bound checked
// along every solution found, levels the plain search cannot finish in
// small tables, and the queue whose lists share the links of every record.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "solver/search_internal.h"
#include "support/oracle.h"
#include "support/support.h"

namespace vk {

namespace {

struct Outcome {
  int32_t status, moves, nodes;
  std::string trace;
};

// A level, a solver and tables of their own, of the given size.
struct GuidedFixture {
  std::unique_ptr<Level> level = std::make_unique<Level>();
  std::unique_ptr<Solver> solver = std::make_unique<Solver>();
  std::vector<char> text = std::vector<char>(TextBufferSize, 0);
  SearchTables tables;
  explicit GuidedFixture(int64_t bytes = DefaultMemory) {
    solver->trace = text.data();
    EXPECT_TRUE(reserve_tables(tables, bytes));
    solver->tables = &tables;
  }
  ~GuidedFixture() { release_tables(tables); }
  // Solves the level as read, guided or not; a solution must pass the
  // replay check.
  Outcome run(int32_t guided, int32_t beginWithEnd = 1) {
    clear_solve_results(*solver);
    solver->guided = guided;
    solver->beginWithEnd = beginWithEnd;
    int32_t status = solve_level(*solver, *level);
    if (status == SolveSolved) {
      EXPECT_TRUE(replay_solution(*level, solver->trace, solver->solutionLength, solver->traceOver));
    }
    return Outcome{status, solver->solutionLength, solver->progress.nodes.load(), solver->trace};
  }
  bool read(const std::string& map) {
    return parse_level(*level, map.data(), int32_t(map.size()), box_limit(1)) == LevelOk;
  }
};

std::vector<std::string> sample_levels() {
  std::vector<std::string> maps;
  char map[TextBufferSize];
  for (int32_t k = 0; level_of_text(SampleText, k, map, sizeof map) >= 0; k++) maps.push_back(map);
  return maps;
}

// Hand-made levels: solved starts, a solution through the start position,
// a box that must cross a tunnel to leave a solved start, one that cannot.
const char* const HandLevels[] = {
    "#####\n#@$.#\n#####\n",
    "#######\n#.$@$.#\n#######\n",
    "########\n#    # #\n#    # #\n# *    #\n#. $   #\n# @ # ##\n########\n",
    "#######\n#     #\n# @ #*#\n#   # #\n#     #\n#######\n",
    "######\n#@*  #\n######\n",
    "#######\n#     #\n# *@* #\n#     #\n#######\n",
    "#######\n#.@ $ #\n#  $  #\n#.    #\n#######\n",
    "  ####\n###  #\n#.$  #\n# #$ #\n#. @ #\n######\n",
};

// Levels of more than MaxBoxes boxes, with their minimum where it is known
// by hand (0: the oracle's).
struct WideLevel {
  const char* map;
  int32_t boxes;
  int32_t moves;
};
const WideLevel WideLevels[] = {
    // Twelve boxes, each pushed down once from the corridor above: a step
    // to the first, a push a box and an up and a right between two boxes.
    {"###############\n"
     "#@            #\n"
     "# $$$$$$$$$$$$#\n"
     "# ............#\n"
     "###############\n",
     12, 1 + 12 + 2 * 11},
    // Eleven boxes pushed up from the corridor below, right to left.
    {"##############\n"
     "#...........##\n"
     "#$$$$$$$$$$$ #\n"
     "#           @#\n"
     "##############\n",
     11, 1 + 11 + 2 * 10},
    // Nine and ten boxes below their goals (one of the nine under a wall
    // until a neighbour makes room), with the oracle's minimum.
    {"############\n"
     "#.....#....#\n"
     "#$$$$ $$$$$#\n"
     "#   @      #\n"
     "############\n",
     9, 0},
    {"#############\n"
     "#.....#.....#\n"
     "#$$$$$ $$$$$#\n"
     "#   @       #\n"
     "#############\n",
     10, 0},
};

// Every level the tests compare on: the sample set, the hand-made levels,
// the first forty public levels and the levels of more than eight boxes.
std::vector<std::string> test_levels() {
  std::vector<std::string> maps = sample_levels();
  for (const char* map : HandLevels) maps.push_back(map);
  std::vector<std::string> publicLevels = public_levels();
  for (size_t k = 0; k < publicLevels.size() && k < 40; k++) maps.push_back(publicLevels[k]);
  for (const WideLevel& wide : WideLevels) maps.push_back(wide.map);
  return maps;
}

TEST(GuidedSearch, FindsThePlainSearchsMinimumOnEveryTestLevel) {
  GuidedFixture f;
  int32_t compared = 0;
  for (const std::string& map : test_levels()) {
    SCOPED_TRACE(map);
    if (!f.read(map) || f.level->liveBoxes > MaxBoxes) continue;
    for (int32_t beginWithEnd : {1, 0}) {
      Outcome plain = f.run(0, beginWithEnd);
      if (plain.status != SolveSolved && plain.status != SolveImpossible) continue;
      Outcome guided = f.run(1, beginWithEnd);
      EXPECT_EQ(guided.status, plain.status);
      EXPECT_EQ(guided.moves, plain.moves);
      if (plain.moves == 0) {
        EXPECT_EQ(guided.trace, plain.trace);
      }
      compared++;
    }
  }
  EXPECT_GE(compared, 80);
}

// The keeper's walk over the free cells of board to the nearest cell from
// which it can pull a box; Unreached when there is none.
int32_t nearest_pull_walk(const Level& level, const int8_t* board, const int32_t* noRest,
                          int32_t keeper) {
  std::vector<int32_t> steps(MaxArea, -1), queue{keeper};
  steps[size_t(keeper)] = 0;
  for (size_t head = 0; head < queue.size(); head++) {
    int32_t c = queue[head];
    if (keeper_can_pull(board, noRest, level, c)) return steps[size_t(c)];
    for (int32_t d = 0; d < Directions; d++) {
      int32_t n = c + level.offset[d];
      if (board[n] != FreeCell || steps[size_t(n)] >= 0) continue;
      steps[size_t(n)] = steps[size_t(c)] + 1;
      queue.push_back(n);
    }
  }
  return Unreached;
}

// The bounds of a state given by its boxes (standing on board) and keeper,
// as the search finds them: when it makes a record of that state, and when
// it hands the record out and knows the walk to the nearest pull.
std::pair<int32_t, int32_t> bounds_at(const Bound& bound, const Level& level,
                                      const std::vector<int32_t>& boxes, const int8_t* board,
                                      const int32_t* noRest, int32_t keeper) {
  uint32_t groups = 0;
  for (size_t i = 0; i < boxes.size(); i++)
    groups |= uint32_t(keeper_group(bound, level, boxes[i], keeper)) << (GroupBits * i);
  return {state_bound(bound, level, boxes.data(), groups, keeper,
                      !keeper_can_pull(board, noRest, level, keeper)),
          state_bound(bound, level, boxes.data(), groups, keeper,
                      nearest_pull_walk(level, board, noRest, keeper))};
}

// A child's bound as the search takes it from its parent's assignment
// equals the bound of the child's state assigned afresh, for every box
// moved to every open cell and group; with enough at 0 it may be lower,
// never higher; and the parent's assignment is left as it was.
void check_moved_bounds(const Bound& bound, const Level& level, std::vector<int32_t> boxes,
                        uint32_t groups, int32_t keeper) {
  Assignment a;
  const int32_t parent = assign_boxes(bound, level, boxes.data(), groups, keeper, 0, a);
  for (size_t i = 0; i < boxes.size(); i++) {
    const int32_t from = boxes[i];
    for (int32_t cell = 0; cell < level.area; cell++) {
      if (level.BlockMap[cell] != MapOpen) continue;
      boxes[i] = cell;
      for (int32_t d = 0; d < Directions; d++) {
        const int32_t g = bound.side[cell][d];
        if (g < 0) continue;
        const int32_t shift = GroupBits * int32_t(i);
        const uint32_t moved = (groups & ~(3u << shift)) | (uint32_t(g) << shift);
        const int32_t fresh = state_bound(bound, level, boxes.data(), moved, keeper, 0);
        const int32_t i32 = int32_t(i);
        const int32_t* at = boxes.data();
        EXPECT_EQ(moved_bound(bound, level, a, at, i32, cell, g, keeper, 0, GuidedBoundLimit), fresh)
            << "box " << i << " to " << cell;
        EXPECT_LE(moved_bound(bound, level, a, at, i32, cell, g, keeper, 0, 0), fresh);
      }
    }
    boxes[i] = from;
  }
  Assignment again;
  EXPECT_EQ(assign_boxes(bound, level, boxes.data(), groups, keeper, 0, again), parent);
  EXPECT_EQ(a.sum, again.sum);
  for (int32_t j = 0; j <= a.count; j++) EXPECT_EQ(a.owner[j], again.owner[j]);
}

// Plays a solution forward and evaluates the bound before every push of a
// box from a cell where it may rest, where the keeper stands as in a record
// of the backward search: the bound never exceeds the moves played so far
// (those that remain in the search's direction), and from one such push
// to the next it grows by at most the moves between them (in the search's
// direction, it falls by at most the cost of the steps between).
void check_bound_along(const Bound& bound, const Level& level, const std::string& trace) {
  // The search stops boxes only where no box can go when the start is solved.
  std::vector<int32_t> boxes;
  std::vector<int8_t> board(MaxArea, BlockedCell);
  for (int32_t c = 0; c < level.area; c++) {
    if (level.BlockMap[c] == MapOpen) board[size_t(c)] = FreeCell;
    if (level.BoxStartMap[c]) {
      boxes.push_back(c);
      board[size_t(c)] = BoxCell;
    }
  }
  int32_t onGoals = 0;
  for (int32_t b : boxes) onGoals += level.GoalMap[b] != 0;
  const int32_t* noRest = onGoals == int32_t(boxes.size()) ? level.NoReachMap : level.NoRestMap;
  int32_t keeper = level.KeeperStart, lastBound = -1, lastMove = 0;
  for (int32_t move = 0; move < int32_t(trace.size()); move++) {
    int32_t push = 0, d = move_letter_direction(trace[size_t(move)], push);
    ASSERT_GE(d, 0);
    int32_t next = keeper + level.offset[d];
    if (push && !noRest[next]) {
      auto [made, measured] = bounds_at(bound, level, boxes, board.data(), noRest, keeper);
      EXPECT_LE(made, measured) << "move " << move;
      if (move == 0 || move + 1 == int32_t(trace.size()) || move % 7 == 0) {
        uint32_t groups = 0;
        for (size_t i = 0; i < boxes.size(); i++)
          groups |= uint32_t(keeper_group(bound, level, boxes[i], keeper)) << (GroupBits * i);
        check_moved_bounds(bound, level, boxes, groups, keeper);
      }
      int32_t h = measured;
      EXPECT_LE(h, move) << "move " << move;
      if (lastBound >= 0) {
        EXPECT_LE(h, lastBound + (move - lastMove)) << "move " << move;
      }
      lastBound = h;
      lastMove = move;
    }
    if (push) {
      int32_t to = next + level.offset[d];
      for (int32_t& b : boxes)
        if (b == next) b = to;
      board[size_t(next)] = FreeCell;
      board[size_t(to)] = BoxCell;
    }
    keeper = next;
  }
}

// Memory for the largest pattern table and the queue that fills it.
struct PatternMemory {
  std::vector<uint8_t> moves = std::vector<uint8_t>(PatternEntries);
  std::vector<uint64_t> queue = std::vector<uint64_t>(PatternEntries);
  PatternRoom room() {
    return PatternRoom{moves.data(), moves.size(), queue.data(), queue.size()};
  }
};

// With the pattern table and without it (the push bound alone).
TEST(GuidedBound, HoldsAlongEverySolutionFound) {
  GuidedFixture f;
  auto bound = std::make_unique<Bound>();
  PatternMemory memory;
  int32_t checked = 0, patterns = 0;
  for (const std::string& map : test_levels()) {
    SCOPED_TRACE(map);
    if (!f.read(map)) continue;
    Outcome guided = f.run(1);
    if (guided.status != SolveSolved) continue;
    for (bool pattern : {false, true}) {
      set_up_bound(*bound, *f.level, pattern ? memory.room() : PatternRoom{});
      patterns += bound->pattern.boxes != 0;
      check_bound_along(*bound, *f.level, f.solver->trace);
    }
    checked++;
  }
  EXPECT_GE(checked, 44);
  EXPECT_EQ(patterns, checked);
}

// Where the pattern holds every box, the table is the whole game: its least
// figure with every box on a goal is the minimum solution. Tables too big
// for the room given, or for no room, are left out.
TEST(GuidedBound, PatternOfEveryBoxIsTheWholeGame) {
  GuidedFixture f;
  auto bound = std::make_unique<Bound>();
  PatternMemory memory;
  int32_t whole = 0;
  for (const std::string& map : test_levels()) {
    SCOPED_TRACE(map);
    if (!f.read(map)) continue;
    Outcome plain = f.run(0, 0);
    if (plain.status != SolveSolved || plain.moves == 0) continue;
    set_up_bound(*bound, *f.level, memory.room());
    if (bound->pattern.boxes != f.level->liveBoxes) continue;
    std::vector<int32_t> goals;
    for (int32_t c = 0; c < f.level->area; c++)
      if (f.level->GoalMap[c] && f.level->BlockMap[c] == MapOpen) goals.push_back(c);
    ASSERT_EQ(int32_t(goals.size()), f.level->liveBoxes);
    int32_t least = GuidedBoundLimit;
    for (int32_t c = 0; c < f.level->area; c++) {
      if (f.level->BlockMap[c] != MapOpen || f.level->GoalMap[c]) continue;
      const int32_t m = pattern_moves(bound->pattern, goals.data(), f.level->liveBoxes, c,
                                      GuidedBoundLimit);
      if (m < least) least = m;
    }
    EXPECT_EQ(least, plain.moves);
    whole++;
  }
  EXPECT_GE(whole, 8);
  // No room at all, or too little for any table: no pattern, the push bound
  // alone.
  ASSERT_TRUE(f.read(test_levels()[0]));
  set_up_bound(*bound, *f.level, PatternRoom{memory.moves.data(), 2, memory.queue.data(), 2});
  EXPECT_EQ(bound->pattern.boxes, 0);
}

TEST(GuidedSearch, SolvesLevelsOfMoreThanEightBoxes) {
  GuidedFixture f;
  for (const WideLevel& c : WideLevels) {
    SCOPED_TRACE(c.map);
    std::string map = c.map;
    ASSERT_EQ(parse_level(*f.level, map.data(), int32_t(map.size())), LevelBoxesOver);
    ASSERT_TRUE(f.read(map));
    ASSERT_EQ(f.level->liveBoxes, c.boxes);
    int32_t want = c.moves != 0 ? c.moves : oracle_min_moves(*f.level, 1);
    ASSERT_GT(want, 0);
    Outcome guided = f.run(1);
    EXPECT_EQ(guided.status, SolveSolved);
    EXPECT_EQ(guided.moves, want);
    // The plain search refuses what its records cannot hold.
    EXPECT_EQ(f.run(0).status, SolveTableFull);
  }
}

TEST(GuidedSearch, SolvesInSmallTablesWhatThePlainSearchEndsFailedQ) {
  // Eight boxes around the keeper: at 16M a bucket holds 21,052 entries,
  // which the plain search's fullest bucket passes before its records reach
  // the node limit, while the guided search's records fit it.
  const char map[] =
      "#########\n"
      "#   .   #\n"
      "# $.$.$ #\n"
      "# .$@$  #\n"
      "#  .$.$ #\n"
      "#   .   #\n"
      "#########\n";
  GuidedFixture f(SmallestMemory), large;
  ASSERT_TRUE(f.read(map));
  ASSERT_TRUE(large.read(map));
  EXPECT_EQ(f.run(0).status, SolveQueueFull);
  Outcome want = large.run(0);
  ASSERT_EQ(want.status, SolveSolved);
  Outcome guided = f.run(1);
  EXPECT_EQ(guided.status, SolveSolved);
  EXPECT_EQ(guided.moves, want.moves);
  EXPECT_LT(guided.nodes, table_size(SmallestMemory).nodeLimit);
}

TEST(GuidedSearch, TablesWithoutRoomForTheLinksEndFailedC) {
  // Below the smallest --memory size the queue's memory cannot hold a link
  // per record; the plain search still runs there.
  GuidedFixture f(100000);
  ASSERT_TRUE(f.read("#####\n#@$.#\n#####\n"));
  EXPECT_EQ(f.run(1).status, SolveTableFull);
  EXPECT_EQ(f.run(0).status, SolveSolved);
}

TEST(GuidedSearch, CancelEndsAGuidedSolveWithoutASolution) {
  GuidedFixture f;
  ASSERT_TRUE(f.read("#####\n#@$.#\n#####\n"));
  f.solver->cancel.store(1);
  EXPECT_EQ(f.run(1).status, SolveCanceled);
  EXPECT_EQ(f.solver->solutionLength, 0);
  EXPECT_STREQ(f.solver->trace, "");
}

// ---------------------------------------------------------------- the queue

struct GuidedQueueTest : ::testing::Test {
  GuidedFixture f{SmallestMemory};
  GuidedQueue* queue = nullptr;
  void SetUp() override {
    queue = &f.tables.work->guided;
    reset_guided_queue(*queue);
  }
  std::vector<uint32_t> drain(int32_t best = 0) {
    std::vector<uint32_t> out;
    for (uint32_t r; (r = guided_pop(*queue, best)) != NoRecord;) out.push_back(r);
    return out;
  }
};

TEST_F(GuidedQueueTest, HandsOutByValueTheLastQueuedFirst) {
  struct Case {
    std::vector<std::pair<uint32_t, int32_t>> inserts;
    int32_t best;
    std::vector<uint32_t> want;
  } cases[] = {
      {{{1, 5}, {2, 3}, {3, 5}, {4, 3}}, 0, {4, 2, 3, 1}},
      // A known solution of 5 stops the queue before the records of 5.
      {{{1, 5}, {2, 3}, {3, 4}}, 5, {2, 3}},
      // Values far apart in the ring.
      {{{1, GuidedRing - 1}, {2, 7}}, 0, {2, 1}},
  };
  for (const Case& c : cases) {
    reset_guided_queue(*queue);
    for (auto [record, value] : c.inserts) ASSERT_TRUE(guided_insert(*queue, record, value));
    EXPECT_EQ(drain(c.best), c.want);
  }
  // Once the values handed out have moved on, a list serves a value a whole
  // ring higher.
  reset_guided_queue(*queue);
  ASSERT_TRUE(guided_insert(*queue, 1, 10));
  EXPECT_EQ(guided_pop(*queue, 0), 1u);
  ASSERT_TRUE(guided_insert(*queue, 2, GuidedRing + 5));
  ASSERT_TRUE(guided_insert(*queue, 3, 11));
  EXPECT_EQ(drain(), (std::vector<uint32_t>{3, 2}));
  EXPECT_EQ(queue->value, GuidedRing + 5);
}

TEST_F(GuidedQueueTest, RekeyMovesARecordFromAnyPlaceOfItsListAndRequeuesOneHandedOut) {
  // Records 1 to 3 under 10 (3 first out), 4 under 12.
  for (uint32_t r = 1; r <= 3; r++) ASSERT_TRUE(guided_insert(*queue, r, 10));
  ASSERT_TRUE(guided_insert(*queue, 4, 12));
  // The first, the middle and the last of a list, and a list's only one.
  ASSERT_TRUE(guided_rekey(*queue, 3, 11));
  ASSERT_TRUE(guided_rekey(*queue, 2, 11));
  ASSERT_TRUE(guided_rekey(*queue, 1, 13));
  ASSERT_TRUE(guided_rekey(*queue, 4, 9));
  EXPECT_EQ(queue->open, 4);
  EXPECT_EQ(guided_pop(*queue, 0), 4u);
  // Record 4 was handed out: a rekey queues it again.
  ASSERT_TRUE(guided_rekey(*queue, 4, 12));
  EXPECT_EQ(drain(), (std::vector<uint32_t>{2, 3, 4, 1}));
  EXPECT_EQ(queue->open, 0);
  EXPECT_EQ(queue->indicator, 4);
}

TEST_F(GuidedQueueTest, EveryRecordTheTableHoldsFitsOneValue) {
  // The lists share the links of all records: no value's list can fill
  // while the table has room.
  const uint32_t records = uint32_t(table_size(SmallestMemory).nodeLimit);
  for (uint32_t r = 0; r < records; r++) ASSERT_TRUE(guided_insert(*queue, r, 40));
  EXPECT_EQ(queue->indicator, int32_t(records));
  EXPECT_EQ(guided_pop(*queue, 0), records - 1);
  // A value beyond the ring is refused rather than mixed with another.
  EXPECT_FALSE(guided_insert(*queue, 0, 40 + GuidedRing));
}

}  // namespace

}  // namespace vk
