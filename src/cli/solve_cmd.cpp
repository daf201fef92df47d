// vantori solve: loads a level set, reads one level and solves it, printing
// the result, the search's figures and the move trace.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/cli.h"
#include "solver/solver.h"
#include "view/view.h"

const char SolveUsage[] =
    "  vantori solve SOURCE|--sample [--level N] [--work-dir DIR] [--begin-with-end 0|1]"
    " [--all-moves]\n";

namespace {

struct SolveOptions {
  SourceOptions source;
  const char* level = nullptr;  // nullptr: level 1
  int32_t beginWithEnd = 1;
  int32_t allMoves = 0;
};

// Big enough to keep off the stack; the command runs once per process.
LevelStore Store;
Level CurrentLevel;
Solver LevelSolver;
char TextBuffer[TextBufferSize + 1];  // the intake's text, then the move trace

int bad_usage(const char* problem, const char* argument) {
  std::fprintf(stderr, "vantori solve: %s%s\n", problem, argument ? argument : "");
  return usage_error();
}

// Returns -1 when the arguments are fine, else the exit status.
int parse_options(int argc, char** argv, SolveOptions& options) {
  for (int i = 1; i < argc;) {
    int taken = take_source_option(argc, argv, i, options.source);
    if (taken < 0) return bad_usage("bad source option near ", argv[i < argc ? i : argc - 1]);
    if (taken > 0) continue;
    const char* argument = argv[i];
    if (std::strcmp(argument, "--level") == 0) {
      if (i + 1 >= argc) return bad_usage("--level needs a number", nullptr);
      options.level = argv[i + 1];
      i += 2;
    } else if (std::strcmp(argument, "--begin-with-end") == 0) {
      const char* value = i + 1 < argc ? argv[i + 1] : "";
      if (std::strcmp(value, "0") != 0 && std::strcmp(value, "1") != 0)
        return bad_usage("--begin-with-end takes 0 or 1", nullptr);
      options.beginWithEnd = value[0] - '0';
      i += 2;
    } else if (std::strcmp(argument, "--all-moves") == 0) {
      options.allMoves = 1;
      i += 1;
    } else {
      return bad_usage("unknown argument ", argument);
    }
  }
  if (options.source.source == nullptr && !options.source.sample)
    return bad_usage("a SOURCE or --sample is needed", nullptr);
  return -1;
}

// As the Go button: the number as atoi reads it (no number reads as 0),
// raised to 1, then lowered to the highest level number.
int32_t level_number(const char* text, int32_t highest) {
  long n = text ? std::strtol(text, nullptr, 10) : 1;
  if (n < 1) n = 1;
  if (n > highest) n = highest;
  return int32_t(n);
}

int64_t now_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int cmd_solve(int argc, char** argv) {
  SolveOptions options;
  int status = parse_options(argc, argv, options);
  if (status >= 0) return status;
  if (!run_intake(options.source, Store, TextBuffer)) return ExitFailure;

  int32_t n = level_number(options.level, Store.highest);
  LevelSolver.trace = TextBuffer;
  LevelSolver.beginWithEnd = options.beginWithEnd;
  int32_t levelStatus = select_level(LevelSolver, CurrentLevel, Store.workDir, n);
  const char* word = level_status_word(levelStatus);
  int64_t elapsed = 0;
  bool badSolution = false;
  if (levelStatus == LevelOk) {
    if (!reserve_search_tables()) {
      std::fprintf(stderr, "vantori solve: not enough memory for the search tables\n");
      return ExitFailure;
    }
    int64_t start = now_ms();
    int32_t result = solve(LevelSolver, CurrentLevel);
    elapsed = now_ms() - start;
    word = solve_status_word(result);
    if (result == Solved) {
      // The whole trace is checked before any of it is hidden.
      badSolution = !replay_solution(CurrentLevel, LevelSolver.trace, LevelSolver.solutionLength,
                                     LevelSolver.traceOver);
      if (!options.allMoves) mask_last_moves(LevelSolver.trace, LevelSolver.solutionLength);
    }
  }
  std::printf("level: %d\nresult: %s\nmoves: %d\nnodes: %d\nqueue: %d\ntime: %lld ms\n"
              "traceover: %d\ntrace: %s\n",
              n, word, LevelSolver.solutionLength, LevelSolver.progress.nodes.load(),
              LevelSolver.progress.queue.load(), static_cast<long long>(elapsed),
              LevelSolver.traceOver, LevelSolver.trace);
  if (std::fflush(stdout) != 0) return ExitFailure;
  if (badSolution) {
    std::fprintf(stderr, "vantori solve: the solution of level %d fails the replay check\n", n);
    return ExitBadSolution;
  }
  return ExitOk;
}
