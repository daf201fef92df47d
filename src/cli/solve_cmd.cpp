// vantori solve: loads a level set, reads one level and solves it, printing
// the result, the search's figures and the move trace.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/cli.h"
#include "os/os.h"
#include "solver/solver.h"
#include "view/view.h"

namespace vk {

const char SolveUsage[] =
    "  vantori solve SOURCE|--sample [--level N] [--work-dir DIR] [--begin-with-end 0|1]"
    " [--all-moves]\n"
    "                 [--memory SIZE] [--guided]\n";

const CommandHelp SolveHelp = {
    "solve",
    SolveUsage,
    "Loads a level set, reads one level and, when it can be tried, searches it\n"
    "for a solution with the minimum number of moves.\n",
    1,
    "  --level N         the level to solve, 1 by default; a number below 1 (or\n"
    "                    no number) is read as 1, one above the highest level\n"
    "                    number as the highest\n"
    "  --begin-with-end 0|1\n"
    "                    1 (the default): a start that already has every box on\n"
    "                    a goal is searched like any other, for the shortest way\n"
    "                    out and back; 0: such a start counts as solved with 0\n"
    "                    moves\n"
    "  --all-moves       print the whole move trace; by default its last moves\n"
    "                    are shown as ?\n"
    MemoryOptionHelp
    GuidedOptionHelp,
    "  level: N\n"
    "  result: WORD\n"
    "  moves: M\n"
    "  nodes: X\n"
    "  queue: Q\n"
    "  time: T ms\n"
    "  traceover: 0|1\n"
    "  trace: TRACE\n"
    "  N is the level read. WORD is Solved, Impossible, Failed(C) (the node\n"
    "  table is full), Failed(Q) (a queue bucket is full), Canceled, or the\n"
    "  level's status when it cannot be tried: Size Over, Boxes Over,\n"
    "  Irregular, Impossible. M is the minimum number of moves (0 unless\n"
    "  solved), X the number of search nodes created, Q the queue-fill\n"
    "  indicator (the fill of the search queue's fullest bucket, at most\n"
    "  800000 at the default --memory), T the solve's wall-clock time in whole\n"
    "  milliseconds; X, Q and T are 0 when no search ran. traceover is 1 when the solution is longer\n"
    "  than the 20000 letters the trace holds.\n"
    "  TRACE is the solution in playing order: u l d r a keeper step, U L D R a\n"
    "  push, up, left, down and right. Unless --all-moves is given the last\n"
    "  moves are shown as ?: all but the first M-20 when M is 22 or more, all\n"
    "  but the first 2 when M is 3 to 21. Nothing follows \"trace: \" when there\n"
    "  is no trace.\n",
    "  0    the command ran, whatever the result\n"
    "  1    the intake failed, there is no memory for the search tables (more\n"
    "       than the machine has, or refused), or standard output could not be\n"
    "       written (one line names the error)\n"
    "  2    a usage error\n"
    "  3    the solution failed the independent replay check\n"
    "  129  hung up (SIGHUP): the solve ends and prints result: Canceled\n"
    "  130  interrupted (SIGINT, Ctrl-C), the same\n"
    "  141  standard output went to a pipe whose reader has gone\n"
    "  143  terminated (SIGTERM), the same\n",
};

namespace {

struct SolveOptions {
  SourceOptions source;
  const char* level = nullptr;  // nullptr: level 1
  int32_t beginWithEnd = 1;
  int32_t allMoves = 0;
  int32_t guided = 0;
  int64_t memory = DefaultMemory;
};

// Big enough to keep off the stack; the command runs once per process.
LevelStore Store;
Level CurrentLevel;
Solver LevelSolver;
SearchTables Tables;
char TextBuffer[TextBufferSize + 1];  // the intake's text, then the move trace

// Takes --level N and --all-moves; the shared loop takes everything else.
int take_solve_option(int argc, char** argv, int i, void* context) {
  SolveOptions& options = *static_cast<SolveOptions*>(context);
  int memory = take_memory_option("solve", argc, argv, i, options.memory);
  if (memory != 0) return memory;
  if (take_guided_option(argv[i], options.guided)) return 1;
  if (std::strcmp(argv[i], "--all-moves") == 0) {
    options.allMoves = 1;
    return 1;
  }
  if (std::strcmp(argv[i], "--level") != 0) return 0;
  if (i + 1 >= argc) {
    bad_usage("solve", "--level needs a number", nullptr);
    return -1;
  }
  options.level = argv[i + 1];
  return 2;
}

// Returns -1 when the arguments are fine, else the exit status.
int parse_options(int argc, char** argv, SolveOptions& options) {
  return parse_command_options("solve", argc, argv, options.source, options.beginWithEnd,
                               take_solve_option, &options);
}

// As the Go button: the number as atoi reads it (no number reads as 0),
// raised to 1, then lowered to the highest level number.
int32_t level_number(const char* text, int32_t highest) {
  long n = text ? std::strtol(text, nullptr, 10) : 1;
  if (n < 1) n = 1;
  if (n > highest) n = highest;
  return int32_t(n);
}

}  // namespace

int cmd_solve(int argc, char** argv) {
  SolveOptions options;
  int status = parse_options(argc, argv, options);
  if (status >= 0) return status;
  if (!run_intake(options.source, Store, TextBuffer)) return ExitFailure;

  // A stop signal cancels the solve under way, which then reports Canceled.
  cancel_on_stop(LevelSolver.cancel);
  int32_t n = level_number(options.level, Store.highest);
  LevelSolver.trace = TextBuffer;
  LevelSolver.beginWithEnd = options.beginWithEnd;
  LevelSolver.guided = options.guided;
  int32_t levelStatus = select_level(LevelSolver, CurrentLevel, Store.workDir, n);
  const char* word = level_status_word(levelStatus);
  int64_t elapsed = 0;
  bool badSolution = false;
  if (levelStatus == LevelOk) {
    if (!reserve_for_command("solve", Tables, options.memory, 1)) return ExitFailure;
    LevelSolver.tables = &Tables;
    int64_t start = vk::os_clock_ms();
    int32_t result = solve_level(LevelSolver, CurrentLevel);
    elapsed = vk::os_clock_ms() - start;
    word = solve_status_word(result);
    if (result == SolveSolved) {
      // The whole trace is checked before any of it is hidden.
      badSolution = !replay_solution(CurrentLevel, LevelSolver.trace, LevelSolver.solutionLength,
                                     LevelSolver.traceOver);
      if (!options.allMoves) mask_last_moves(LevelSolver.trace, LevelSolver.solutionLength);
    }
  }
  // Stopped before the search could end (the level's read refused too):
  // Canceled, never a status the stop itself caused.
  if (stopped_status() != 0 && LevelSolver.solutionLength == 0) word = solve_status_word(SolveCanceled);
  std::printf("level: %d\nresult: %s\nmoves: %d\nnodes: %d\nqueue: %d\ntime: %lld ms\n"
              "traceover: %d\ntrace: %s\n",
              n, word, LevelSolver.solutionLength, LevelSolver.progress.nodes.load(),
              LevelSolver.progress.queue.load(), static_cast<long long>(elapsed),
              LevelSolver.traceOver, LevelSolver.trace);
  int written = output_status("solve");
  if (stopped_status() != 0) return stopped_status();
  if (written != ExitOk) return written;
  if (badSolution) {
    std::fprintf(stderr, "vantori solve: the solution of level %d fails the replay check\n", n);
    return ExitBadSolution;
  }
  return ExitOk;
}

}  // namespace vk
