// The command-line program: one function and one usage text per command.
#pragma once

// Exit statuses shared by every command.
constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;     // failed intake, unwritable report, no memory
constexpr int ExitUsage = 2;
constexpr int ExitBadSolution = 3; // a solution failed the replay check
constexpr int ExitInterrupted = 130;

int cmd_levels(int argc, char** argv);
int cmd_solve(int argc, char** argv);
int cmd_batch(int argc, char** argv);
int cmd_bench(int argc, char** argv);

extern const char LevelsUsage[];
extern const char SolveUsage[];
extern const char BatchUsage[];
extern const char BenchUsage[];

// Prints every command's usage to standard error; returns ExitUsage.
int usage_error();

#include "level/level.h"

// SOURCE, --sample and --work-dir, shared by levels, solve and batch.
struct SourceOptions {
  const char* source = nullptr;  // a file, a folder, or "-" for standard input
  int sample = 0;
  const char* workDir = nullptr;
};

// When argv[i] is SOURCE, --sample or --work-dir DIR, takes it (and its
// value), advances i past it and returns 1; returns 0 for any other
// argument and -1 for a malformed one (a missing value, a second source).
int take_source_option(int argc, char** argv, int& i, SourceOptions& options);

// Runs the intake into store. On failure prints "Load Error!!" and a line
// naming the cause on standard error and returns 0.
int run_intake(const SourceOptions& options, LevelStore& store, char* textBuffer);
