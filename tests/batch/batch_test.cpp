// The batch runner and its report: exact bytes, skipped and impossible
// levels, cancelling during a solve and during a replay, write errors.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "batch/batch.h"
#include "support/support.h"
#include "view/view.h"

namespace vk {

namespace {

const char FirstLevel[] = "#####\n#@$.#\n#####\n";  // one push
const char SmallSet[] =
    "#####\n#@$.#\n#####\n\n"
    "#######\n#.$@$.#\n#######\n\n"
    "#######\n#     #\n# $@. #\n#     #\n#######\n";

const char ImpossibleLevel[] = "#####\n#@ $#\n# . #\n#####\n";  // box in a corner
const char IrregularLevel[] = "#####\n#@$ #\n#####\n";         // no goal

// 30 rows, the first 70 wide: 2100 cells in a short text.
std::string size_over_level() {
  std::string text = std::string(70, '#') + "\n#@$.#\n";
  for (int row = 2; row < 30; ++row) text += "#\n";
  return text;
}

// One level of 25 pushes along a corridor.
std::string corridor(int32_t moves) {
  return std::string(moves + 4, '#') + "\n#@$" + std::string(moves - 1, ' ') + ".#\n" +
         std::string(moves + 4, '#') + "\n";
}

// The n-th level (from 1) of a file of levels separated by blank lines.
std::string level_of_file(const std::string& path, int n) {
  std::string text = read_file(path);
  size_t at = 0;
  for (int i = 1; i < n; ++i) at = text.find("\n\n", at) + 2;
  return text.substr(at, text.find("\n\n", at) - at + 1);
}

std::string mask_times(const std::string& report) {
  static const std::regex time(R"(\d{4}/\d\d/\d\d \d\d:\d\d)");
  return std::regex_replace(report, time, "YYYY/MM/DD hh:mm");
}

std::string header(const std::string& set, int count) {
  return std::string("# ") + TitleText + "\n# LevelSetName: " + set + " (" +
         std::to_string(count) +
         " levels)\n"
         "# MaxArea:2000 MaxBoxes: 8  [YYYY/MM/DD hh:mm Start]\n"
         " No.  W  H  B     Time     Cells   Queue     Result\n"
         "------------------------------------------------------\n";
}

std::string footer(int tried, int solved, const char* end) {
  char text[200];
  std::snprintf(text, sizeof text,
                "------------------------------------------------------\n"
                "# TryCnt:%4d levels        [YYYY/MM/DD hh:mm %s]\n# Solved:%4d levels\n",
                tried, end, solved);
  return text;
}

// Everything one batch run needs, over a level file written to a fresh
// folder; the report goes to a file in that folder.
struct BatchRun {
  TempDir dir;
  std::unique_ptr<LevelStore> store = std::make_unique<LevelStore>();
  std::unique_ptr<Level> level = std::make_unique<Level>();
  std::unique_ptr<Solver> solver = std::make_unique<Solver>();
  std::vector<char> text = std::vector<char>(TextBufferSize + 1, '\0');
  Settings settings;
  Batch batch;

  explicit BatchRun(const std::string& levels, const std::string& name = "set.txt") {
    write_file(dir / name, levels);
    EXPECT_EQ(init_level_store(*store, (dir / "work").c_str()), 1);
    std::string path = dir / name;
    EXPECT_EQ(load_level_set(*store, SourceFile, path.data()), 1);
    solver->trace = text.data();
    batch.store = store.get();
    batch.level = level.get();
    batch.solver = solver.get();
    batch.settings = &settings;
  }

  void report_to_file() {
    ASSERT_EQ(open_report_file(batch, (dir / "report.txt").c_str()), 1);
    settings.reportFlag = 1;
  }

  std::string report() { return mask_times(read_file(dir / "report.txt")); }
};

// A desktop stand-in: replays through its own viewer, counts the waits and
// may cancel after a number of steps.
struct FakeDesktop {
  BatchRun* run = nullptr;
  TraceViewer viewer{};
  int32_t steps = 0;
  int32_t cancelAfter = -1;
  std::vector<int32_t> waits;
  std::vector<int32_t> shown;
  std::string solvedTrace;  // the trace as the solved hook saw it

  static FakeDesktop& of(void* context) { return *static_cast<FakeDesktop*>(context); }

  void attach(BatchRun& r) {
    run = &r;
    BatchHooks& hooks = r.batch.hooks;
    hooks.context = this;
    hooks.showLevel = [](void* c, int32_t number, int32_t) {
      FakeDesktop& d = of(c);
      d.shown.push_back(number);
      viewer_load(d.viewer, *d.run->level);
    };
    hooks.solved = [](void* c, int32_t) { of(c).solvedTrace = of(c).run->solver->trace; };
    hooks.replayTop = [](void* c) {
      FakeDesktop& d = of(c);
      const Solver& solver = *d.run->solver;
      viewer_reset(d.viewer, *d.run->level, solver.trace, solver.solutionLength);
      viewer_top(d.viewer, *d.run->level);
      return viewer_can_step(d.viewer);
    };
    hooks.replayStep = [](void* c) {
      FakeDesktop& d = of(c);
      viewer_step_forward(d.viewer);
      d.steps += 1;
      if (d.steps == d.cancelAfter) d.run->solver->cancel.store(1);
      return viewer_can_step(d.viewer);
    };
    hooks.sleep = [](void* c, int32_t ms) { of(c).waits.push_back(ms); };
  }
};

class BatchTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(reserve_search_tables(), 1); }
};

}  // namespace

TEST_F(BatchTest, TitleTextHasTheVersionAndTheDate) {
  std::string title = TitleText;
  EXPECT_EQ(title.rfind("Vantori Kelmora1.2", 0), 0u);
  EXPECT_EQ(title.substr(title.size() - 11), " (Mar/2021)");
}

TEST_F(BatchTest, ReportOfASmallSetHasExactBytes) {
  BatchRun run(SmallSet, "small.txt");
  run.report_to_file();
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(run.batch.writeError, 0);
  EXPECT_EQ(run.report(), header("small", 3) +
                              "   1[ 5* 3( 1)]    0sec        0       1     1moves\n"
                              "   2[ 7* 3( 2)]    0sec        1       2     3moves\n"
                              "   3[ 7* 5( 1)]    0sec        2       1     6moves\n" +
                              footer(3, 3, "Finish"));
  EXPECT_EQ(run.batch.reportFd, -1);  // closed at the end
}

TEST_F(BatchTest, SizeOverIsSkippedAndImpossibleIsTriedWithZeros) {
  BatchRun run(std::string(FirstLevel) + "\n" + size_over_level() + "\n" +
              ImpossibleLevel,
          "mixed.txt");
  run.report_to_file();
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(run.report(), header("mixed", 3) +
                              "   1[ 5* 3( 1)]    0sec        0       1     1moves\n"
                              "   3[ 5* 4( 1)]    0sec        0       0 Impossible\n" +
                              footer(2, 1, "Finish"));
  EXPECT_EQ(run.batch.current, 4);
  EXPECT_EQ(run.batch.lastShown, 3);
}

TEST_F(BatchTest, EverySkippedLevelGivesHeaderAndFooterOnly) {
  BatchRun run(size_over_level() + "\n" + IrregularLevel, "skipped.txt");
  run.report_to_file();
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(run.report(), header("skipped", 2) + footer(0, 0, "Finish"));
}

TEST_F(BatchTest, WithoutTheReportFlagNothingIsWritten) {
  BatchRun run(SmallSet);
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(run.batch.tried, 3);
  EXPECT_EQ(run.batch.solved, 3);
  EXPECT_FALSE(file_exists(run.dir / "report.txt"));
}

TEST_F(BatchTest, CancelBeforeTheSolveEndsItCanceled) {
  BatchRun run(SmallSet, "small.txt");
  run.report_to_file();
  run.batch.hooks.context = run.solver.get();
  run.batch.hooks.startProgress = [](void* c) { static_cast<Solver*>(c)->cancel.store(1); };
  EXPECT_EQ(run_batch(run.batch), 1);
  EXPECT_EQ(run.report(), header("small", 3) +
                              "   1[ 5* 3( 1)]    0sec        0       1 Canceled\n" +
                              footer(1, 0, "Cancel"));
}

TEST_F(BatchTest, CancelFromAnotherThreadStopsALongSolve) {
  std::string slow = level_of_file(test_data("public-small.txt"), 93);
  BatchRun run(std::string(FirstLevel) + "\n" + slow + "\n" + SmallSet, "slow.txt");
  run.report_to_file();
  std::thread canceller([&run] {
    while (run.solver->progress.nodes.load() < 1000)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    run.solver->cancel.store(1);
  });
  EXPECT_EQ(run_batch(run.batch), 1);
  canceller.join();
  std::string report = run.report();
  EXPECT_NE(report.find("\n   1[ 5* 3( 1)]"), std::string::npos);
  EXPECT_NE(report.find(" Canceled\n" + footer(2, 1, "Cancel")), std::string::npos) << report;
  EXPECT_EQ(report.find("\n   3["), std::string::npos);
}

TEST_F(BatchTest, ReplayShowsTheVisibleMovesAndWaitsAfterEach) {
  BatchRun run(corridor(25) + "\n" + corridor(3));
  FakeDesktop desktop;
  desktop.attach(run);
  run.settings.traceSpeed = SpeedFast;
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(desktop.shown, (std::vector<int32_t>{1, 2}));
  EXPECT_EQ(desktop.steps, 5 + 2);  // the masked moves are never replayed
  EXPECT_EQ(desktop.waits, std::vector<int32_t>(7, 60));
  EXPECT_EQ(desktop.solvedTrace, "RRR");  // seen before the masking
  EXPECT_STREQ(run.solver->trace, "RR?");
}

TEST_F(BatchTest, ReplayRunsToTheEndWhenNothingIsHidden) {
  BatchRun run(corridor(25));
  FakeDesktop desktop;
  desktop.attach(run);
  run.settings.hideLastMoves = 0;
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(desktop.steps, 25);
  EXPECT_EQ(desktop.waits, std::vector<int32_t>(25, 200));
  EXPECT_EQ(desktop.viewer.cells[desktop.viewer.keeper + 1], CellBox | CellGoal);
}

TEST_F(BatchTest, NoReplayWhenPlayAfterSolvedIsOff) {
  BatchRun run(corridor(25));
  FakeDesktop desktop;
  desktop.attach(run);
  run.settings.playAfterSolved = 0;
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(desktop.steps, 0);
  EXPECT_TRUE(desktop.waits.empty());
}

TEST_F(BatchTest, CancelDuringAReplayKeepsTheLevelsRealResult) {
  BatchRun run(corridor(25) + "\n" + corridor(3), "replay.txt");
  run.report_to_file();
  FakeDesktop desktop;
  desktop.attach(run);
  desktop.cancelAfter = 2;
  EXPECT_EQ(run_batch(run.batch), 1);
  EXPECT_EQ(desktop.steps, 2);
  EXPECT_EQ(desktop.shown, (std::vector<int32_t>{1}));
  // The figures of level 1's solve are still the solver's.
  char line[ReportLineCapacity];
  std::snprintf(line, sizeof line, "   1[29* 3( 1)]    0sec%9d%8d    25moves\n",
                run.solver->progress.nodes.load(), run.solver->progress.queue.load());
  EXPECT_EQ(run.report(), header("replay", 2) + line + footer(1, 1, "Cancel"));
}

#ifndef _WIN32  // a full disk is /dev/full, which Windows lacks
// The desktop's run goes on after a write error and names it at the end;
// the command line's stops at once, since nothing more could reach the
// report's reader.
TEST_F(BatchTest, WriteErrorsAreRememberedAndTheRunGoesOnOrStops) {
  BatchRun stops(SmallSet);
  stops.batch.stopOnWriteError = 1;
  ASSERT_EQ(open_report_file(stops.batch, "/dev/full"), 1);
  stops.settings.reportFlag = 1;
  EXPECT_EQ(run_batch(stops.batch), 1);
  EXPECT_EQ(stops.batch.writeError, ENOSPC);
  EXPECT_EQ(stops.batch.tried, 0);

  BatchRun run(SmallSet);
  ASSERT_EQ(open_report_file(run.batch, "/dev/full"), 1);
  run.settings.reportFlag = 1;
  EXPECT_EQ(run_batch(run.batch), 0);
  EXPECT_EQ(run.batch.writeError, ENOSPC);
  EXPECT_EQ(run.batch.tried, 3);
  EXPECT_EQ(run.batch.solved, 3);
  char text[FinishTextCapacity];
  finish_batch_text(run.batch, 0, text);
  EXPECT_NE(std::strstr(text, std::strerror(ENOSPC)), nullptr) << text;
}
#endif

TEST_F(BatchTest, ReportThatCannotBeOpenedIsRefused) {
  BatchRun run(SmallSet);
  EXPECT_EQ(open_report_file(run.batch, (run.dir / "missing/report.txt").c_str()), 0);
  EXPECT_EQ(open_report_file(run.batch, ""), 0);
  EXPECT_EQ(run.batch.reportFd, -1);
}

// The guided setting reaches the solver of a run and of every job, reads
// levels with the guided box limit, and marks the report's header; a level
// of nine live boxes is tried only where that limit takes it.
TEST_F(BatchTest, TheGuidedSettingReachesEverySolverAndTheHeader) {
  const std::string nineBoxes =
      "#############\n#@          #\n# $$$$$$$$$ #\n# ......... #\n#           #\n#############\n";
  const int32_t tried = box_limit(1) >= 9 ? 2 : 1;
  for (int32_t jobCount : {1, 2}) {
    SCOPED_TRACE(jobCount);
    BatchRun run(std::string(FirstLevel) + "\n" + nineBoxes);
    run.report_to_file();
    run.settings.guided = 1;
    std::unique_ptr<Level> levels[2] = {std::make_unique<Level>(), std::make_unique<Level>()};
    std::unique_ptr<Solver> solvers[2] = {std::make_unique<Solver>(), std::make_unique<Solver>()};
    SearchTables tables[2];
    std::vector<char> traces(2 * size_t(TextBufferSize), 0);
    BatchJob jobs[2];
    for (int32_t j = 0; j < 2; j++) {
      ASSERT_EQ(reserve_tables(tables[j], SmallestMemory), 1);
      solvers[j]->tables = &tables[j];
      solvers[j]->trace = &traces[size_t(j) * TextBufferSize];
      jobs[j].level = levels[j].get();
      jobs[j].solver = solvers[j].get();
    }
    int32_t canceled =
        jobCount == 1 ? run_batch(run.batch) : run_batch_jobs(run.batch, jobs, jobCount);
    EXPECT_EQ(canceled, 0);
    // One job runs on the batch's solver, several on their own.
    for (int32_t j = 0; j < jobCount; j++) {
      const Solver& solver = jobCount == 1 ? *run.solver : *solvers[j];
      EXPECT_EQ(solver.guided, 1);
    }
    std::string report = run.report();
    std::string title = std::string("# ") + TitleText + " [Guided search]\n";
    EXPECT_EQ(report.rfind(title, 0), 0u) << report;
    char limits[80];
    std::snprintf(limits, sizeof limits, "# MaxArea:2000 MaxBoxes:%2d  [", box_limit(1));
    EXPECT_NE(report.find(limits), std::string::npos) << report;
    EXPECT_NE(report.find("   1[ 5* 3( 1)]    0sec"), std::string::npos) << report;
    EXPECT_NE(report.find(footer(tried, tried, "Finish")), std::string::npos) << report;
    for (SearchTables& t : tables) release_tables(t);
  }
}

TEST(FinishBatchText, NamesStartAndEndTimes) {
  Batch batch;
  batch.start = LocalTime{2021, 3, 4, 5, 6};
  batch.end = LocalTime{2021, 3, 14, 15, 9};
  char text[FinishTextCapacity];
  finish_batch_text(batch, 0, text);
  EXPECT_STREQ(text,
               "  Batch is finished.\r\n\r\n2021/03/04 05:06 Start\r\n2021/03/14 15:09 Finish\r\n");
  finish_batch_text(batch, 1, text);
  EXPECT_STREQ(text,
               "  Batch is canceled.\r\n\r\n2021/03/04 05:06 Start\r\n2021/03/14 15:09 Cancel\r\n");
}

}  // namespace vk
