// The batch runner: solves every level of the loaded set in turn and writes
// the plain-text report. Display and replay reach the desktop program
// through hooks; the command line runs it without them.
#pragma once

#include <cstdint>

#include "level/level.h"
#include "solver/solver.h"

// The title text: the dialog caption and the report's first line.
extern const char TitleText[];

// Settings, in memory only, with their initial values at every start.
enum TraceSpeed : int32_t { SpeedSlow = 0, SpeedNomal = 1, SpeedFast = 2 };
constexpr int32_t TraceSpeedMs[3] = {600, 200, 60};

struct Settings {
  int32_t hideLastMoves = 1;
  int32_t playAfterSolved = 1;
  int32_t traceSpeed = SpeedNomal;
  int32_t beginWithEnd = 1;
  int32_t reportFlag = 0;
  char reportPath[StorePathCapacity] = {};
};
