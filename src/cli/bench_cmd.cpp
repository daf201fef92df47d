// vantori bench: solves a fixed set of levels built into the program and
// prints the search's figures and times. The total node count is the
// search's signature: any change of search behaviour changes it.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "os/os.h"
#include "solver/solver.h"

namespace vk {

const char BenchUsage[] = "  vantori bench [--quick] [--memory SIZE] [--guided]\n";

const CommandHelp BenchHelp = {
    "bench",
    BenchUsage,
    "Solves a fixed set of levels built into the program, the six sample levels\n"
    "and twelve harder ones of five to eight boxes, and prints the search's\n"
    "figures and times. The total node count is the search's signature: any\n"
    "change of search behaviour changes it.\n",
    0,
    "  --quick           only the levels that solve in a fraction of a second\n"
    MemoryOptionHelp
    GuidedOptionHelp
    "                    (here: the same levels in the same moves, so that a\n"
    "                    run without --guided beside it compares the searches)\n",
    "  N moves M nodes X queue Q ms T        one line per level\n"
    "  Nodes searched: X\n"
    "  Nodes/second: R\n"
    "  Total time (ms): T\n"
    "  N is the level's position in the set (from 1; --quick skips some), M its\n"
    "  minimum number of moves, X the search nodes created, Q the queue-fill\n"
    "  indicator, T the solve's wall-clock time in whole milliseconds. The\n"
    "  last three lines give the total node count, the nodes searched per\n"
    "  second and the total time.\n",
    "  0    the bench ran to its end\n"
    "  1    there is no memory for the search tables (more than the machine\n"
    "       has, or refused), or standard output could not be written (one\n"
    "       line names the error)\n"
    "  2    a usage error\n"
    "  3    a solution failed the independent replay check\n"
    "  129  hung up (SIGHUP): the level under way ends and no totals are\n"
    "       printed, so that a partial signature is never taken for the real one\n"
    "  130  interrupted (SIGINT, Ctrl-C), the same\n"
    "  141  standard output went to a pipe whose reader has gone\n"
    "  143  terminated (SIGTERM), the same\n",
};

namespace {

// The sample levels first, then levels of five to eight boxes made for the
// bench, from some twenty thousand records to two million. quick marks those
// solved in a fraction of a second, which the quick part runs.
const int32_t SampleQuick[SampleLevels] = {1, 1, 1, 1, 1, 0};

struct BenchLevel {
  int32_t quick;
  const char* map;
};

const BenchLevel BenchLevels[] = {
    {1,
     "########\n"
     "#  #   #\n"
     "# $$ $ #\n"
     "#  ..# #\n"
     "##  .  #\n"
     " # $#. #\n"
     " #  .$ #\n"
     " # @  ##\n"
     " ######\n"},
    {1,
     "#########\n"
     "#   #   #\n"
     "# $ $ $ #\n"
     "#  ...  #\n"
     "## .#. ##\n"
     " # $ $ #\n"
     " #  @  #\n"
     " #######\n"},
    {1,
     " ######\n"
     "##    ###\n"
     "#  $$   #\n"
     "# #..#$ #\n"
     "#  ..   #\n"
     "###$#.$ #\n"
     "  # $.  #\n"
     "  #  @ ##\n"
     "  ######\n"},
    {1,
     "#########\n"
     "#   #   #\n"
     "# $ $ $ #\n"
     "#  ...  #\n"
     "## .#. ##\n"
     " # $ $ #\n"
     " # $@. #\n"
     " #######\n"},
    {1,
     "#########\n"
     "#   .   #\n"
     "# $.$.$ #\n"
     "# .$@$. #\n"
     "# $.$.  #\n"
     "#       #\n"
     "#########\n"},
    {0,
     "##########\n"
     "#    #   #\n"
     "# $$ # $ #\n"
     "#  . .   #\n"
     "### ##.# #\n"
     "#  . .   #\n"
     "# $  # $ #\n"
     "#   @#   #\n"
     "##########\n"},
    {0,
     "  ########\n"
     "  #   #  #\n"
     "### $    #\n"
     "#  $ ##$ #\n"
     "# #..@.. #\n"
     "#  $## $ #\n"
     "###    # #\n"
     "  #  $ ..#\n"
     "  ########\n"},
    {0,
     "#########\n"
     "#   .   #\n"
     "# $.$.$ #\n"
     "#  $@$. #\n"
     "# $.$.  #\n"
     "#   .   #\n"
     "#########\n"},
    {0,
     " #######\n"
     "##  .  ##\n"
     "#  $ $  #\n"
     "# #.#.# #\n"
     "#  $@$  #\n"
     "# #.#.# #\n"
     "#  $ $  #\n"
     "##  .  ##\n"
     " #######\n"},
    {0,
     "#########\n"
     "#   .   #\n"
     "# $.$.$ #\n"
     "# .$@$. #\n"
     "# $.$.$ #\n"
     "#   .   #\n"
     "#########\n"},
    {0,
     "###########\n"
     "#    #    #\n"
     "# $$ # $$ #\n"
     "#   ...   #\n"
     "##  .@.  ##\n"
     " #  $.$  #\n"
     " #   #   #\n"
     " #########\n"},
    {0,
     " #######\n"
     " #  .  #\n"
     "## $#$ ##\n"
     "#  . .  #\n"
     "# $ @ $ #\n"
     "#  . .  #\n"
     "## $#$ ##\n"
     " #  .  #\n"
     " #######\n"},
};
constexpr int32_t BenchLevelCount = int32_t(sizeof BenchLevels / sizeof BenchLevels[0]);
constexpr int32_t MapCapacity = TextCapacity;

// Big enough to keep off the stack; the command runs once per process.
Level BenchBoard;
Solver BenchSolver;
SearchTables BenchTables;
char TextBuffer[TextBufferSize];
char MapText[MapCapacity + 1];

struct Totals {
  int64_t nodes = 0;
  int64_t ms = 0;
};

// Solves one level and prints its line; false when it fails the replay check.
bool bench_one(int32_t number, const char* text, Totals& totals) {
  clear_solve_results(BenchSolver);
  int32_t status = parse_level(BenchBoard, text, int32_t(std::strlen(text)),
                               box_limit(BenchSolver.guided));
  int32_t result = status;
  int64_t ms = 0;
  if (status == LevelOk) {
    int64_t start = vk::os_clock_ms();
    result = solve_level(BenchSolver, BenchBoard);
    ms = vk::os_clock_ms() - start;
  }
  int32_t nodes = BenchSolver.progress.nodes.load();
  std::printf("%d moves %d nodes %d queue %d ms %lld\n", number, BenchSolver.solutionLength, nodes,
              BenchSolver.progress.queue.load(), static_cast<long long>(ms));
  std::fflush(stdout);  // a failure stays in ferror(stdout) for the caller
  totals.nodes += nodes;
  totals.ms += ms;
  if (status != LevelOk || result != SolveSolved) return true;
  return replay_solution(BenchBoard, BenchSolver.trace, BenchSolver.solutionLength,
                         BenchSolver.traceOver) != 0;
}

// The bench ends early on a stop signal or once its output cannot be
// written.
bool bench_stops() { return stopped_status() != 0 || std::ferror(stdout); }

}  // namespace

int cmd_bench(int argc, char** argv) {
  int32_t quick = 0, guided = 0;
  int64_t memory = DefaultMemory;
  for (int i = 1; i < argc; i++) {
    int taken = take_memory_option("bench", argc, argv, i, memory);
    if (taken < 0) return ExitUsage;
    if (taken > 0) {
      i += taken - 1;
    } else if (std::strcmp(argv[i], "--quick") == 0) {
      quick = 1;
    } else if (take_guided_option(argv[i], guided)) {
      continue;
    } else if (is_help_option(argv[i])) {
      return print_command_help(BenchHelp);
    } else {
      std::fprintf(stderr, "vantori bench: unknown argument %s\n", argv[i]);
      return usage_error();
    }
  }
  // A stop signal cancels the solve under way; the bench then prints no
  // totals, so that a partial signature is never taken for the real one.
  cancel_on_stop(BenchSolver.cancel);
  if (!reserve_for_command("bench", BenchTables, memory, 1)) return ExitFailure;
  BenchSolver.tables = &BenchTables;
  BenchSolver.trace = TextBuffer;
  BenchSolver.beginWithEnd = 1;
  BenchSolver.guided = guided;
  Totals totals;
  int32_t number = 0, bad = 0;
  for (int32_t k = 0; k < SampleLevels && !bench_stops(); k++) {
    number++;
    if (quick && !SampleQuick[k]) continue;
    if (level_of_text(SampleText, k, MapText, sizeof MapText) < 0) continue;
    if (!bench_one(number, MapText, totals)) bad = number;
  }
  for (int32_t k = 0; k < BenchLevelCount && !bench_stops(); k++) {
    number++;
    if (quick && !BenchLevels[k].quick) continue;
    if (!bench_one(number, BenchLevels[k].map, totals)) bad = number;
  }
  if (stopped_status() != 0) {
    output_status("bench");
    return stopped_status();
  }
  int64_t rate = totals.nodes * 1000 / (totals.ms > 0 ? totals.ms : 1);
  if (!std::ferror(stdout))
    std::printf("Nodes searched: %lld\nNodes/second: %lld\nTotal time (ms): %lld\n",
                static_cast<long long>(totals.nodes), static_cast<long long>(rate),
                static_cast<long long>(totals.ms));
  int written = output_status("bench");
  if (written != ExitOk) return written;
  if (bad != 0) {
    std::fprintf(stderr, "vantori bench: the solution of level %d fails the replay check\n", bad);
    return ExitBadSolution;
  }
  return ExitOk;
}

}  // namespace vk
