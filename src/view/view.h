// Presentation logic without any toolkit: the trace viewer's state and its
// steps over a copy of the level's cells, the masking of the last moves, and
// the solution text. The desktop shell draws what this computes.
#pragma once

#include <cstdint>

#include "level/level.h"

constexpr int32_t HiddenMoves = 20;       // moves masked at the end of a solution
constexpr int32_t SolutionLineLength = 30;  // letters per line of the solution text
// 20,000 letters in lines of 30 with CR LF, "[TraceOver]" CR LF and a NUL.
constexpr int32_t SolutionTextSize = 21348;
constexpr char MaskedMove = '?';

// Hides the last moves of a fresh trace of a solution of length moves.
void mask_last_moves(char* trace, int32_t length);

// Writes the trace as lines of SolutionLineLength letters with CR LF line
// ends, and "[TraceOver]" when the trace was cut; out holds SolutionTextSize.
void solution_text(const char* trace, int32_t traceOver, char* out);
