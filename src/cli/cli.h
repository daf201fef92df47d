// The command-line program: one function, one usage text and one help per
// command, and the progress line of the batch.
#pragma once

#include <cstdint>

#include <atomic>

#include "level/level.h"
#include "os/os.h"
#include <condition_variable>
#include <mutex>
#include <thread>
#include "batch/batch.h"
#include "solver/solver.h"

namespace vk {

// Exit statuses shared by every command.
constexpr int ExitOk = 0;
constexpr int ExitFailure = 1;     // failed intake, unwritable report, no memory
constexpr int ExitUsage = 2;
constexpr int ExitBadSolution = 3; // a solution failed the replay check
constexpr int ExitSignalBase = 128;  // a stop signal: 128 + its number (129, 130, 143)
constexpr int ExitClosedPipe = ExitSignalBase + OsSignalPipe;  // standard output's reader has gone

// Installs the handlers of SIGINT, SIGTERM and SIGHUP (the console's
// Ctrl-C, Ctrl-Break and close on Windows); first thing in main.
void catch_stop_signals();

// From now on a stop signal sets cancel, and one that came before sets it
// at once.
void cancel_on_stop(std::atomic<int32_t>& cancel);

// 0 while no stop signal came; else the exit status it gives.
int stopped_status();

// Flushes standard output: ExitOk when every write to it went through;
// else one line on standard error, "vantori COMMAND: cannot write standard
// output: REASON" (command may be empty), and ExitFailure, or, for a
// closed pipe, nothing and ExitClosedPipe.
int output_status(const char* command);

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

// What --help prints for one command, kept next to its code. options lists
// the command's own options, one per line; the source options come before
// them when takesSource is set, --help after them.
struct CommandHelp {
  const char* name;
  const char* usage;
  const char* summary;  // what the command does
  int32_t takesSource;
  const char* options;
  const char* output;   // the lines it prints, and what they mean
  const char* exits;    // its exit statuses
};

extern const CommandHelp LevelsHelp;
extern const CommandHelp SolveHelp;
extern const CommandHelp BatchHelp;
extern const CommandHelp BenchHelp;

// `vantori COMMAND --help`: the command's usage, options, output and exit
// statuses on standard output. Returns ExitOk, or ExitFailure when standard
// output cannot be written.
int print_command_help(const CommandHelp& help);

// The help of the command with this name (the program's help for an
// unknown name).
int print_help_of(const char* command);

// `vantori --help`: every usage, then every command's help.
int print_program_help();

// `vantori --version`: "vantori " and the version.
int print_version();

// 1 when argument is --help.
int is_help_option(const char* argument);

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

// Runs the intake into store: in the --work-dir folder, or in a private
// folder made for the run. The store stays locked, and a private folder
// stays, until the program ends. On failure prints "Load Error!!" and a
// line naming the cause on standard error and returns 0. A file of a
// folder source that cannot be read gets a warning line and is skipped.
int run_intake(const SourceOptions& options, LevelStore& store, char* textBuffer);

// The paths of a run made absolute where the system needs that (Windows,
// os_full_path), so that the process can leave its current folder before
// the work folder is held: on Windows the process's own hold on its
// current folder would otherwise meet the exclusive hold of --work-dir .
struct PinnedPaths {
  char source[PathTextCapacity];
  char workDir[PathTextCapacity];
  char report[PathTextCapacity];
};

// Points the options (and *report, when given) at their pinned forms and
// leaves the current folder. 0, after "Load Error!!" and a line, when a
// path does not fit.
int pin_paths(SourceOptions& options, const char** report, PinnedPaths& pinned);

// 1 when the batch report may be written at report; else prints why not
// (it would overwrite a level file or the source), naming both paths, and
// returns 0.
int report_path_allowed(const LevelStore& store, const char* report);

// Prints "vantori COMMAND: PROBLEM ARGUMENT" and every usage on standard
// error; returns ExitUsage.
int bad_usage(const char* command, const char* problem, const char* argument);

// The loop shared by solve and batch: takes the source options,
// --begin-with-end 0|1 and --help (which prints the command's help and ends
// the loop with its exit status), hands every other argument to other (which returns
// the number of arguments it took, 0 for an unknown one, or -1 after it
// reported a problem itself). Returns -1 when the arguments are fine, else
// the exit status.
int parse_command_options(const char* command, int argc, char** argv, SourceOptions& source,
                          int32_t& beginWithEnd, int (*other)(int argc, char** argv, int i, void* context),
                          void* context);

// ---------------------------------------------------------------- tables

struct SearchTables;

// The --memory line of solve, batch and bench --help.
#define MemoryOptionHelp                                                                  \
  "  --memory SIZE     bytes for the search tables, from 16M to 16G (K, M and G\n"       \
  "                    are 1000, 1000000, 1000000000); 608M by default. f =\n"         \
  "                    SIZE/608M scales the node table (16800000 f slots), the\n"      \
  "                    record limit (14000000 f) and each of the 64 queue\n"           \
  "                    buckets (800000 f entries). Larger tables solve levels\n"       \
  "                    that fail at the default; the figures of a level that\n"        \
  "                    the default solves stay the same\n"

// The --guided line of solve, batch and bench --help.
#define GuidedOptionHelp                                                                  \
  "  --guided          the guided search: the same minimum number of moves, found\n"     \
  "                    by a search ordered by the moves so far plus a lower bound\n"   \
  "                    of the moves still needed, mostly with far fewer nodes\n"    \
  "                    but more time a node; for levels the plain search cannot\n"  \
  "                    finish and levels of up to 16 live boxes (8 without it).\n"  \
  "                    Its node and queue figures count its own records and\n"      \
  "                    are not comparable with the plain search's\n"

// 1 when argument is --guided, which then sets guided; 0 for another.
int take_guided_option(const char* argument, int32_t& guided);

// --memory SIZE at argv[i]: stores the size and returns 2; 0 for another
// argument; -1 after reporting a missing or bad size (usage error).
int take_memory_option(const char* command, int argc, char** argv, int i, int64_t& bytes);

// Reserves tables of bytes for one of jobs solves at once: 1 on success;
// 0, after a message on standard error, when jobs such tables exceed the
// machine's physical memory or the system refuses them.
int reserve_for_command(const char* command, SearchTables& tables, int64_t bytes, int32_t jobs);

// ---------------------------------------------------------------- progress



constexpr int32_t ProgressLineIntervalMs = 500;    // between two updates of the line
constexpr int32_t ProgressLineCapacity = 128;  // one line, with its padding

// The progress line of vantori batch: while standard error is a terminal, a
// thread of its own rewrites one line there about every ProgressLineIntervalMs,
// "level N of H: S sec, X nodes", from the solver's progress figures. The
// batch's hooks tell it which level is tried and when a solve runs.
struct ProgressLine {
  const Progress* figures = nullptr;  // the solver's, read while it solves
  int32_t highest = 0;                // H: the store's highest level number
  OsHandle fd = os_standard_error();
  // The report goes to the same terminal: the line is cleared after every
  // solve, before the level's report line is written.
  int32_t clearAfterSolve = 0;

  // A batch of several jobs: every job's level being solved (0 while it
  // waits) and its figures; the line names each level being solved.
  int32_t jobCount = 0;
  const std::atomic<int32_t>* jobLevels[MaxJobs] = {};
  const Progress* jobFigures[MaxJobs] = {};

  std::atomic<int32_t> level{0};    // the level being tried, 0 before the first
  std::atomic<int32_t> solving{0};
  std::atomic<int32_t> stop{0};     // set under lock, so that the wait sees it
  std::atomic<int32_t> running{0};  // the thread is drawing

  std::mutex lock;                  // held around every write to fd
  std::condition_variable wake;
  int32_t shown = 0;                // characters on the terminal, under lock
  std::thread thread;
};

// Starts the thread when fd is a terminal; does nothing otherwise.
void start_progress_line(ProgressLine& line);
// Stops the thread and clears the line, so that what follows starts at the
// beginning of an empty line.
void stop_progress_line(ProgressLine& line);

// Hooks for the batch (context: the ProgressLine).
void progress_show_level(void* context, int32_t number, int32_t status);
void progress_solve_begins(void* context);
void progress_solve_ends(void* context);

// Writes a message line to standard error, taking the progress line out of
// its way first.
void progress_message(ProgressLine& line, const char* text);

}  // namespace vk
