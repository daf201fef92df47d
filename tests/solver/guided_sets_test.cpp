// The guided search on every level of the test sets: the same minimum as
// the plain search wherever that one solves, with both begin-with-end
// settings where the start is solved already; the test oracle's minimum
// wherever the oracle proves one; the recorded minima of the generated
// benchmark set; and levels of more boxes than the plain search takes.
// Node counts are never pinned here: they are the guided search's own.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "solver/solver.h"
#include "support/oracle.h"
#include "support/support.h"

namespace vk {

namespace {

// Tables for the generated levels, which the plain search may not finish:
// small enough that either search ends such a level within seconds.
constexpr int64_t BenchTestMemory = 64000000;
// States the oracle may take per level here; it then proves most public
// levels of up to five boxes in a few seconds in all.
constexpr int32_t OracleCheckCap = 200000;

struct TestLevel {
  std::string where;     // set and number, for messages
  std::string map;
  int32_t minimum = -1;  // recorded beside the level, -1 when none
};

std::vector<TestLevel> sample_and_public_levels() {
  std::vector<TestLevel> levels;
  char map[TextBufferSize];
  for (int32_t k = 0; k < SampleLevels; k++)
    if (level_of_text(SampleText, k, map, TextBufferSize) >= 0)
      levels.push_back({"sample " + std::to_string(k + 1), map});
  std::vector<std::string> maps = public_levels();
  for (size_t k = 0; k < maps.size(); k++)
    levels.push_back({"public-small " + std::to_string(k + 1), maps[k]});
  return levels;
}

// tests/data/guided-bench.txt: a comment line "; N: B boxes, minimum M
// moves ..." above each level, an empty line after it.
std::vector<TestLevel> guided_bench_levels() {
  static const std::regex comment(R"(^; (\d+): .*minimum (\d+) moves.*$)");
  std::vector<TestLevel> levels;
  std::istringstream in(read_file(test_data("guided-bench.txt")));
  bool open = false;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_match(line, m, comment)) {
      levels.push_back({"guided-bench " + m[1].str(), "", std::stoi(m[2])});
      open = true;
    } else if (line.empty()) {
      open = false;
    } else if (open) {
      levels.back().map += line + "\n";
    }
  }
  return levels;
}

struct Outcome {
  int32_t level = -1;   // LevelStatus
  int32_t status = -1;  // SolveStatus when the level could be tried
  int32_t moves = 0;
  int32_t replayed = 0;  // the solution passed the replay check
  int32_t liveBoxes = 0;
  int32_t solvedStart = 0;  // every live box starts on a goal
};

// One search, plain or guided, with tables of its own.
struct Search {
  std::unique_ptr<Level> level = std::make_unique<Level>();
  std::unique_ptr<Solver> solver = std::make_unique<Solver>();
  std::vector<char> text = std::vector<char>(TextBufferSize, 0);
  SearchTables tables;
  Search(int32_t guided, int64_t bytes) {
    solver->trace = text.data();
    solver->guided = guided;
    EXPECT_TRUE(reserve_tables(tables, bytes));
    solver->tables = &tables;
  }
  ~Search() { release_tables(tables); }
  Outcome run(const std::string& map, int32_t beginWithEnd = 1) {
    Outcome out;
    clear_solve_results(*solver);
    out.level = parse_level(*level, map.data(), int32_t(map.size()), box_limit(solver->guided));
    if (out.level != LevelOk) return out;
    out.liveBoxes = level->liveBoxes;
    out.solvedStart = 1;
    for (int32_t c = 0; c < level->area; c++)
      if (level->BoxStartMap[c] != 0 && level->GoalMap[c] == 0) out.solvedStart = 0;
    solver->beginWithEnd = beginWithEnd;
    out.status = solve_level(*solver, *level);
    out.moves = solver->solutionLength;
    out.replayed = out.status == SolveSolved &&
                   replay_solution(*level, solver->trace, solver->solutionLength, solver->traceOver);
    return out;
  }
  // The oracle's minimum for the level last run, as the search counts it.
  int32_t oracle(int32_t beginWithEnd, int32_t cap = OracleCheckCap) {
    return oracle_min_moves(*level, beginWithEnd, OracleReduced, cap);
  }
};

// What the two searches must agree on for one level and setting.
void expect_same_minimum(const Outcome& plain, const Outcome& guided) {
  if (plain.status == SolveSolved) {
    EXPECT_EQ(guided.status, SolveSolved);
    EXPECT_EQ(guided.moves, plain.moves);
  }
  if (plain.status == SolveImpossible || plain.level == LevelImpossible) {
    EXPECT_TRUE(guided.status == SolveImpossible || guided.level == LevelImpossible);
  }
  if (guided.status == SolveSolved) {
    EXPECT_TRUE(guided.replayed);
  }
  if (guided.status == SolveImpossible) {
    EXPECT_NE(plain.status, SolveSolved);
  }
}

// Both searches and, when oracleCap is not 0, the oracle on every level,
// each search with tables of bytes of its own. The guided search runs only
// where the plain search, the oracle or the set gives a minimum or a proof to
// compare with, so that a level nobody can check costs no more than the plain
// search's try. Two threads share the levels, every other one each.
struct SideBySide {
  std::vector<Outcome> plain, guided;
  std::vector<int32_t> oracle;
};

void solve_share(const std::vector<TestLevel>& levels, size_t first, int64_t bytes,
                 int32_t oracleCap, SideBySide& out) {
  Search plain(0, bytes), guided(1, bytes);
  for (size_t k = first; k < levels.size(); k += 2) {
    Outcome& p = out.plain[k];
    p = plain.run(levels[k].map);
    if (oracleCap != 0 && (p.level == LevelOk || p.level == LevelBoxesOver))
      out.oracle[k] = plain.oracle(1, oracleCap);
    bool checkable = p.status == SolveSolved || p.status == SolveImpossible ||
                     p.level == LevelImpossible || out.oracle[k] != OracleGaveUp ||
                     levels[k].minimum >= 0;
    if (checkable) out.guided[k] = guided.run(levels[k].map);
  }
}

SideBySide solve_side_by_side(const std::vector<TestLevel>& levels, int64_t bytes,
                              int32_t oracleCap) {
  SideBySide out;
  out.plain.resize(levels.size());
  out.guided.resize(levels.size());
  out.oracle.assign(levels.size(), OracleGaveUp);
  std::thread odd(solve_share, std::cref(levels), 1, bytes, oracleCap, std::ref(out));
  solve_share(levels, 0, bytes, oracleCap, out);
  odd.join();
  return out;
}

}  // namespace

TEST(GuidedSets, SameMinimumAsThePlainSearchAndTheOracleOnTheSampleAndPublicSets) {
  std::vector<TestLevel> levels = sample_and_public_levels();
  SideBySide runs = solve_side_by_side(levels, DefaultMemory, OracleCheckCap);
  int32_t compared = 0, proven = 0;
  for (size_t k = 0; k < levels.size(); k++) {
    SCOPED_TRACE(levels[k].where);
    const Outcome& g = runs.guided[k];
    const std::vector<int32_t>& oracle = runs.oracle;
    expect_same_minimum(runs.plain[k], g);
    compared += runs.plain[k].status == SolveSolved;
    if (oracle[k] < 0) continue;
    proven++;
    EXPECT_NE(g.status, SolveImpossible);
    if (g.status == SolveSolved) {
      EXPECT_EQ(g.moves, oracle[k]);
    }
  }
  EXPECT_GE(compared, 150);
  EXPECT_GE(proven, 120);
}

TEST(GuidedSets, SolvedStartsWithBothBeginWithEndSettings) {
  // Every box on a goal at the start: with begin-with-end the shortest way
  // out and back, down the corridor and up (14 moves); without, 0 moves.
  const std::string maps[] = {
      "#######\n#     #\n# @ #*#\n#   # #\n#     #\n#######\n",
      "########\n#      #\n# *@*  #\n#      #\n########\n",
  };
  Search plain(0, BenchTestMemory), guided(1, BenchTestMemory);
  for (const std::string& map : maps) {
    SCOPED_TRACE(map);
    for (int32_t beginWithEnd : {0, 1}) {
      Outcome p = plain.run(map, beginWithEnd);
      Outcome g = guided.run(map, beginWithEnd);
      ASSERT_EQ(g.level, LevelOk);
      EXPECT_EQ(g.solvedStart, 1);
      expect_same_minimum(p, g);
      EXPECT_EQ(g.status, SolveSolved);
      EXPECT_EQ(g.moves, beginWithEnd ? guided.oracle(1) : 0);
    }
  }
}

TEST(GuidedSets, TheGeneratedSetKeepsItsRecordedMinima) {
  std::vector<TestLevel> levels = guided_bench_levels();
  ASSERT_GE(levels.size(), 12u);
  SideBySide runs = solve_side_by_side(levels, BenchTestMemory, 0);
  int32_t plainSolved = 0;
  for (size_t k = 0; k < levels.size(); k++) {
    SCOPED_TRACE(levels[k].where);
    const Outcome& p = runs.plain[k];
    const Outcome& g = runs.guided[k];
    ASSERT_EQ(p.level, LevelOk);
    EXPECT_GE(p.liveBoxes, 3);
    EXPECT_LE(p.liveBoxes, 8);
    expect_same_minimum(p, g);
    if (p.status == SolveSolved) {
      plainSolved++;
      EXPECT_EQ(p.moves, levels[k].minimum);
    }
    EXPECT_NE(g.status, SolveImpossible);
    if (g.status == SolveSolved) {
      EXPECT_EQ(g.moves, levels[k].minimum);
    }
  }
  EXPECT_GE(plainSolved, 4);
}

TEST(GuidedSets, ALevelThePlainSearchCannotFinishInSmallTables) {
  // The generated level that the plain search fails on with the smallest
  // tables; the guided search, once it guides, solves it there with the
  // oracle's minimum and a legal trace.
  std::vector<TestLevel> levels = guided_bench_levels();
  ASSERT_FALSE(levels.empty());
  Search plain(0, SmallestMemory), guided(1, SmallestMemory);
  int32_t failedPlain = 0;
  for (const TestLevel& t : levels) {
    SCOPED_TRACE(t.where);
    Outcome p = plain.run(t.map);
    if (p.status != SolveTableFull && p.status != SolveQueueFull) continue;
    failedPlain++;
    Outcome g = guided.run(t.map);
    if (g.status == SolveSolved) {
      EXPECT_EQ(g.moves, t.minimum);
      EXPECT_TRUE(g.replayed);
      return;
    }
  }
  EXPECT_GT(failedPlain, 0);
  // No guidance yet: the guided search is still the plain one, which keeps
  // the plain search's box limit.
  EXPECT_EQ(box_limit(1), MaxBoxes) << "the guided search solved none of them";
}

TEST(GuidedSets, LevelsOfNineToTwelveBoxesInSmallRooms) {
  const std::string maps[] = {
      // 9 boxes in two rooms joined on the left, each box one push from
      // its goal.
      "########\n"
      "#@     #\n"
      "# $$$$ #\n"
      "# .... #\n"
      "# ######\n"
      "# .....#\n"
      "# $$$$$#\n"
      "#      #\n"
      "########\n",
      // 10 boxes in a row below their goals.
      "############\n"
      "#..........#\n"
      "#$$$$$$$$$$#\n"
      "#          #\n"
      "#@         #\n"
      "############\n",
      // 12 boxes, six in each room.
      "##########\n"
      "#@       #\n"
      "# $$$$$$ #\n"
      "# ...... #\n"
      "# ########\n"
      "# ...... #\n"
      "# $$$$$$ #\n"
      "#        #\n"
      "##########\n",
  };
  Search guided(1, DefaultMemory);
  for (const std::string& map : maps) {
    SCOPED_TRACE(map);
    Outcome g = guided.run(map);
    auto raw = std::make_unique<Level>();
    parse_level(*raw, map.data(), int32_t(map.size()), GuidedMaxBoxes);
    int32_t boxes = raw->liveBoxes;
    EXPECT_GE(boxes, 9);
    int32_t want = oracle_min_moves(*raw, 1, OracleRaw);
    ASSERT_GT(want, 0) << "the oracle proves no minimum";
    if (boxes > box_limit(1)) {
      EXPECT_EQ(g.level, LevelBoxesOver);
      continue;
    }
    ASSERT_EQ(g.level, LevelOk);
    EXPECT_EQ(g.status, SolveSolved);
    EXPECT_EQ(g.moves, want);
    EXPECT_TRUE(g.replayed);
  }
}

}  // namespace vk
