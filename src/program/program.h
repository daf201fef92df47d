// What both programs are, below every subsystem: the version, the title
// text, and the settings the user changes in the desktop program (the
// command line sets the few it needs from its options).
#pragma once

#include <cstdint>

namespace vk {

// The program's version, as both programs' --version print it, and the
// title text: the dialog caption and the report's first line.
extern const char VersionText[];
extern const char TitleText[];

// A file or folder path as the programs keep it, terminator included.
constexpr int32_t PathTextCapacity = 4096;

// Names are data: a control character of a file or folder name (a
// newline above all) would let the name forge a line of a report or of
// any output that scripts read line by line. Every byte below 0x20 and
// DEL in text becomes '?', in place; UTF-8 stays as it is.
void make_printable(char* text);

// Settings, in memory only, with their initial values at every start.
enum TraceSpeed : int32_t { SpeedSlow = 0, SpeedNomal = 1, SpeedFast = 2 };
constexpr int32_t TraceSpeedMs[3] = {600, 200, 60};

// Milliseconds between two replayed moves at a trace speed; an unknown
// speed counts as SpeedNomal.
int32_t trace_step_ms(int32_t speed);

struct Settings {
  int32_t hideLastMoves = 1;
  int32_t playAfterSolved = 1;
  int32_t traceSpeed = SpeedNomal;
  int32_t beginWithEnd = 1;
  int32_t guided = 0;  // order the search by cost plus a lower bound
  int32_t reportFlag = 0;
  char reportPath[PathTextCapacity] = {};
};

}  // namespace vk
