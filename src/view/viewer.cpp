// The trace viewer's logic: masking the end of a fresh solution, breaking
// the trace into the solution text, and stepping a copy of the level's cells
// through the trace. The desktop shell draws from the state kept here.
#include <cstdio>

#include "view/view_internal.h"

namespace vk {

namespace {

// A solution this long or longer keeps all but its last HiddenMoves visible.
constexpr int32_t FullMaskFrom = HiddenMoves + 2;
// Shorter solutions of at least this length keep only their first moves.
constexpr int32_t ShortMaskFrom = 3;
constexpr int32_t ShortVisibleMoves = 2;

const char TraceOverLine[] = "[TraceOver]";

char* append_line_end(char* out) {
  *out++ = '\r';
  *out++ = '\n';
  return out;
}

}  // namespace

int32_t is_move_letter(char c) {
  int32_t push;
  return move_letter_direction(c, push) >= 0 ? 1 : 0;
}

void mask_last_moves(char* trace, int32_t length) {
  if (trace == nullptr) return;
  int32_t start;
  if (length >= FullMaskFrom) start = length - HiddenMoves;
  else if (length >= ShortMaskFrom) start = ShortVisibleMoves;
  else return;
  // A cut trace may end before the start index; then nothing is masked.
  for (int32_t i = 0; i < start; ++i) {
    if (trace[i] == '\0') return;
  }
  for (int32_t i = start; trace[i] != '\0'; ++i) trace[i] = MaskedMove;
}

void solution_text(const char* trace, int32_t traceOver, char* out) {
  const char* next = trace ? trace : "";
  int32_t remaining = 0;
  while (next[remaining] != '\0') ++remaining;
  while (remaining > SolutionLineLength) {
    for (int32_t i = 0; i < SolutionLineLength; ++i) *out++ = *next++;
    out = append_line_end(out);
    remaining -= SolutionLineLength;
  }
  while (*next != '\0') *out++ = *next++;
  out = append_line_end(out);
  if (traceOver) {
    for (const char* c = TraceOverLine; *c != '\0'; ++c) *out++ = *c;
    out = append_line_end(out);
  }
  *out = '\0';
}

void viewer_load(TraceViewer& viewer, const Level& level) {
  viewer.width = level.width;
  viewer.height = level.height;
  viewer.area = level.area;
  for (int32_t d = 0; d < Directions; ++d) viewer.offset[d] = level.offset[d];
  for (int32_t i = 0; i < level.area; ++i) viewer.cells[i] = level.cells[i];
}

void viewer_reset(TraceViewer& viewer, const Level& level, const char* trace,
                  int32_t length) {
  viewer.keeper = level.KeeperStart;
  viewer.position = 0;
  viewer.trace = trace;
  viewer.length = length;
}

void viewer_top(TraceViewer& viewer, const Level& level) {
  viewer.position = 0;
  viewer.keeper = level.KeeperStart;
  viewer_load(viewer, level);
}

int32_t viewer_has_trace(const TraceViewer& viewer) {
  return viewer.trace != nullptr && viewer.trace[0] != '\0' ? 1 : 0;
}

int32_t viewer_can_step(const TraceViewer& viewer) {
  if (viewer.trace == nullptr) return 0;
  return is_move_letter(viewer.trace[viewer.position]);
}

int32_t viewer_can_step_back(const TraceViewer& viewer) {
  return viewer_has_trace(viewer) && viewer.position != 0 ? 1 : 0;
}

ViewStep viewer_step_forward(TraceViewer& viewer) {
  ViewStep step{0, 0, 0};
  if (viewer.trace == nullptr) return step;
  int32_t push;
  int32_t direction = move_letter_direction(viewer.trace[viewer.position], push);
  if (direction < 0) return step;
  int32_t offset = viewer.offset[direction];
  viewer.cells[viewer.keeper] -= CellKeeper;
  viewer.keeper += offset;
  viewer.cells[viewer.keeper] += CellKeeper;
  if (push) {
    viewer.cells[viewer.keeper] -= CellBox;
    viewer.cells[viewer.keeper + offset] += CellBox;
  }
  viewer.position += 1;
  step.moved = 1;
  step.facing = direction + 1;
  step.scroll = direction;
  return step;
}

ViewStep viewer_step_back(TraceViewer& viewer) {
  ViewStep step{0, 0, 0};
  if (viewer.trace == nullptr || viewer.position == 0) return step;
  viewer.position -= 1;
  int32_t push;
  int32_t direction = move_letter_direction(viewer.trace[viewer.position], push);
  if (direction < 0) {  // only a trace changed behind the viewer's back
    viewer.position += 1;
    return step;
  }
  int32_t offset = viewer.offset[direction];
  if (push) {
    // The box goes back onto the square the keeper stands on.
    viewer.cells[viewer.keeper + offset] -= CellBox;
    viewer.cells[viewer.keeper] += CellBox;
  }
  viewer.cells[viewer.keeper] -= CellKeeper;
  viewer.keeper -= offset;
  viewer.cells[viewer.keeper] += CellKeeper;
  step.moved = 1;
  step.facing = viewer.position != 0 ? direction + 1 : 0;
  step.scroll = (direction + 2) % Directions;
  return step;
}

void viewer_counter_text(const TraceViewer& viewer, char* out) {
  std::snprintf(out, ViewerCounterSize, "%4d/%4d", viewer.position, viewer.length);
}

}  // namespace vk
