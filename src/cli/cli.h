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

// Prints "vantori COMMAND: PROBLEM ARGUMENT" and every usage on standard
// error; returns ExitUsage.
int bad_usage(const char* command, const char* problem, const char* argument);

// The loop shared by solve and batch: takes the source options and
// --begin-with-end 0|1, hands every other argument to other (which returns
// the number of arguments it took, 0 for an unknown one, or -1 after it
// reported a problem itself). Returns -1 when the arguments are fine, else
// the exit status.
int parse_command_options(const char* command, int argc, char** argv, SourceOptions& source,
                          int32_t& beginWithEnd, int (*other)(int argc, char** argv, int i, void* context),
                          void* context);
