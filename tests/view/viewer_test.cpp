// The trace viewer: masking the end of a solution, the solution text, and
// stepping the view cells back and forth over the trace.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "view/view_internal.h"

namespace vk {

namespace {

std::string masked(std::string trace, int32_t length) {
  trace.push_back('\0');
  mask_last_moves(trace.data(), length);
  trace.pop_back();
  return trace;
}

std::string text_of(const std::string& trace, int32_t traceOver) {
  std::string out(SolutionTextSize, '\0');
  solution_text(trace.c_str(), traceOver, out.data());
  return std::string(out.c_str());
}

std::unique_ptr<Level> parsed(const std::string& text) {
  auto level = std::make_unique<Level>();
  std::memset(level.get(), 0, sizeof(Level));
  EXPECT_EQ(parse_level(*level, text.c_str(), static_cast<int32_t>(text.size())), LevelOk);
  return level;
}

// A corridor in which the keeper pushes one box moves cells to the right.
std::string corridor(int32_t moves) {
  return std::string(moves + 4, '#') + "\n#@$" + std::string(moves - 1, ' ') + ".#\n" +
         std::string(moves + 4, '#') + "\n";
}

std::string counter(const TraceViewer& viewer) {
  char text[ViewerCounterSize];
  viewer_counter_text(viewer, text);
  return text;
}

}  // namespace

TEST(MaskLastMoves, KeepsAllButTheLastTwentyOfLongSolutions) {
  EXPECT_EQ(masked(std::string(25, 'r'), 25), "rrrrr" + std::string(20, '?'));
  EXPECT_EQ(masked(std::string(22, 'r'), 22), "rr" + std::string(20, '?'));
}

TEST(MaskLastMoves, ShortSolutionsKeepTheirFirstTwoMoves) {
  EXPECT_EQ(masked(std::string(21, 'r'), 21), "rr" + std::string(19, '?'));
  EXPECT_EQ(masked("rdL", 3), "rd?");
  EXPECT_EQ(masked("rL", 2), "rL");
  EXPECT_EQ(masked("L", 1), "L");
  EXPECT_EQ(masked("", 0), "");
}

TEST(MaskLastMoves, CutTraceIsMaskedOnlyWhenTheStartLiesWithinIt) {
  const std::string stored(TextCapacity, 'R');
  for (int32_t length = 20001; length <= 20019; ++length) {
    std::string result = masked(stored, length);
    int32_t start = length - HiddenMoves;
    ASSERT_EQ(result.substr(0, start), stored.substr(0, start)) << length;
    ASSERT_EQ(result.substr(start), std::string(TextCapacity - start, '?')) << length;
  }
  EXPECT_EQ(masked(stored, 20020), stored);
  EXPECT_EQ(masked(stored, 25000), stored);
}

TEST(SolutionText, BreaksTheTraceIntoLinesOfThirty) {
  const std::string thirty(30, 'u');
  EXPECT_EQ(text_of(thirty, 0), thirty + "\r\n");
  EXPECT_EQ(text_of(thirty + thirty, 0), thirty + "\r\n" + thirty + "\r\n");
  EXPECT_EQ(text_of(thirty + thirty + "lrdUD", 0),
            thirty + "\r\n" + thirty + "\r\nlrdUD\r\n");
  EXPECT_EQ(text_of("", 0), "\r\n");
  EXPECT_EQ(text_of("rr??", 0), "rr??\r\n");
}

TEST(SolutionText, CutTraceEndsWithTheTraceOverLine) {
  EXPECT_EQ(text_of("R", 1), "R\r\n[TraceOver]\r\n");
  const std::string longest(TextCapacity, 'R');
  std::string text = text_of(longest, 1);
  EXPECT_EQ(static_cast<int32_t>(text.size()) + 1, SolutionTextSize);
  EXPECT_EQ(text.substr(text.size() - 35), std::string(20, 'R') + "\r\n[TraceOver]\r\n");
}

TEST(TraceViewer, StepsOverAPushAndBackRestoreTheCellsExactly) {
  // Keeper walks left once, then pushes the box left twice onto the goal.
  auto level = parsed("#######\n#. $ @#\n#######\n");
  TraceViewer viewer{};
  viewer_load(viewer, *level);
  std::string trace = "lLL";
  viewer_reset(viewer, *level, trace.c_str(), 3);
  const int32_t start[7] = {8, 1, 0, 2, 0, 4, 8};
  ASSERT_EQ(std::memcmp(viewer.cells + 7, start, sizeof start), 0);

  ViewStep walk = viewer_step_forward(viewer);
  EXPECT_EQ(walk.moved, 1);
  EXPECT_EQ(walk.facing, DirLeft + 1);
  EXPECT_EQ(walk.scroll, DirLeft);
  int32_t before[MaxArea];
  std::memcpy(before, viewer.cells, sizeof before);

  ViewStep push = viewer_step_forward(viewer);
  EXPECT_EQ(push.facing, DirLeft + 1);
  const int32_t pushed[7] = {8, 1, 2, 4, 0, 0, 8};
  EXPECT_EQ(std::memcmp(viewer.cells + 7, pushed, sizeof pushed), 0);
  EXPECT_EQ(viewer.keeper, 10);
  int32_t after[MaxArea];
  std::memcpy(after, viewer.cells, sizeof after);

  ViewStep back = viewer_step_back(viewer);
  EXPECT_EQ(back.facing, DirLeft + 1);  // position 1 is not the start
  EXPECT_EQ(back.scroll, DirRight);     // opposite of the undone step
  EXPECT_EQ(std::memcmp(viewer.cells, before, sizeof before), 0);
  EXPECT_EQ(viewer.keeper, 11);

  viewer_step_forward(viewer);
  EXPECT_EQ(std::memcmp(viewer.cells, after, sizeof after), 0);
  viewer_step_forward(viewer);
  const int32_t solved[7] = {8, 3, 4, 0, 0, 0, 8};
  EXPECT_EQ(std::memcmp(viewer.cells + 7, solved, sizeof solved), 0);
  EXPECT_EQ(viewer_can_step(viewer), 0);
  EXPECT_EQ(viewer_step_forward(viewer).moved, 0);  // at the terminator
}

TEST(TraceViewer, StepBackToTheStartFacesFrontAndTopRedrawsTheStart) {
  auto level = parsed("#######\n#. $ @#\n#######\n");
  TraceViewer viewer{};
  viewer_load(viewer, *level);
  viewer_reset(viewer, *level, "lLL", 3);
  EXPECT_EQ(viewer_step_back(viewer).moved, 0);  // nothing before position 0
  viewer_step_forward(viewer);
  ViewStep back = viewer_step_back(viewer);
  EXPECT_EQ(back.facing, 0);
  EXPECT_EQ(back.scroll, DirRight);
  EXPECT_EQ(viewer.keeper, level->KeeperStart);

  viewer_step_forward(viewer);
  viewer_step_forward(viewer);
  viewer_top(viewer, *level);
  EXPECT_EQ(viewer.position, 0);
  EXPECT_EQ(viewer.keeper, level->KeeperStart);
  EXPECT_EQ(std::memcmp(viewer.cells, level->cells, sizeof(int32_t) * level->area), 0);
}

TEST(TraceViewer, MaskedSolutionOfTwentyFiveMovesReplaysFive) {
  auto level = parsed(corridor(25));
  std::string trace(25, 'R');
  mask_last_moves(trace.data(), 25);
  TraceViewer viewer{};
  viewer_load(viewer, *level);
  viewer_reset(viewer, *level, trace.c_str(), 25);
  EXPECT_EQ(counter(viewer), "   0/  25");
  EXPECT_EQ(viewer_can_step_back(viewer), 0);
  int32_t steps = 0;
  while (viewer_can_step(viewer)) {
    viewer_step_forward(viewer);
    ++steps;
  }
  EXPECT_EQ(steps, 5);
  EXPECT_EQ(counter(viewer), "   5/  25");
  EXPECT_EQ(viewer_step_forward(viewer).moved, 0);
  EXPECT_EQ(viewer_can_step_back(viewer), 1);
  EXPECT_EQ(viewer.cells[viewer.keeper], CellKeeper);
  EXPECT_EQ(viewer.cells[viewer.keeper + 1], CellBox);
}

TEST(TraceViewer, NoTraceOffersNoStep) {
  auto level = parsed(corridor(1));
  TraceViewer viewer{};
  viewer_load(viewer, *level);
  viewer_reset(viewer, *level, "", 0);
  EXPECT_EQ(viewer_has_trace(viewer), 0);
  EXPECT_EQ(viewer_can_step(viewer), 0);
  EXPECT_EQ(viewer_can_step_back(viewer), 0);
  EXPECT_EQ(counter(viewer), "   0/   0");
  viewer_reset(viewer, *level, nullptr, 0);
  EXPECT_EQ(viewer_step_forward(viewer).moved, 0);
}

}  // namespace vk
