// vantori batch: loads a level set and solves every level in turn, writing
// the report to a file or to standard output. Nothing is shown and nothing
// replayed; on a terminal a progress line on standard error follows the
// solves. Ctrl-C cancels the running solve; the report still gets its
// footer, so nothing written is lost.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "batch/batch.h"
#include "cli/cli.h"

namespace vk {

const char BatchUsage[] =
    "  vantori batch SOURCE|--sample [--work-dir DIR] [--report FILE] [--begin-with-end 0|1]\n"
    "                 [--jobs N] [--memory SIZE] [--guided]\n";

const CommandHelp BatchHelp = {
    "batch",
    BatchUsage,
    "Loads a level set and solves every level in turn, from level 1 to the\n"
    "highest level number, writing a plain-text report. Ctrl-C cancels the\n"
    "running solve and completes the report. While standard error is a\n"
    "terminal, one line there shows the level tried (N of the highest H), the\n"
    "solve's seconds and its node count, about every half second; it is\n"
    "cleared when the batch ends.\n",
    1,
    "  --report FILE     write the report to FILE, created or truncated, instead\n"
    "                    of standard output\n"
    "  --begin-with-end 0|1\n"
    "                    1 (the default): a start that already has every box on\n"
    "                    a goal is searched like any other, for the shortest way\n"
    "                    out and back; 0: such a start counts as solved with 0\n"
    "                    moves\n"
    "  --jobs N          solve up to N levels at once, 1 to 64, 1 by default; each\n"
    "                    job has search tables of its own, so the batch takes N\n"
    "                    times SIZE of memory. The report is the same but for the\n"
    "                    seconds; its lines come in level order, each as soon as\n"
    "                    every earlier level is done\n"
    MemoryOptionHelp
    GuidedOptionHelp,
    "  The report, every line ending in LF:\n"
    "  # TITLE\n"
    "  # LevelSetName: NAME (COUNT levels)\n"
    "  # MaxArea:2000 MaxBoxes: 8  [YYYY/MM/DD hh:mm Start]\n"
    "   No.  W  H  B     Time     Cells   Queue     Result\n"
    "  ------------------------------------------------------\n"
    "     N[ W* H( B)]    Ssec        X       Q RESULT     one line per tried level\n"
    "  ------------------------------------------------------\n"
    "  # TryCnt:   T levels        [YYYY/MM/DD hh:mm Finish]\n"
    "  # Solved:   K levels\n"
    "  TITLE names the program and its version; with --guided it ends in\n"
    "  \" [Guided search]\" and MaxBoxes reads 16, the guided search's box\n"
    "  limit, and the Cells and Queue figures are the guided search's own. A\n"
    "  level line gives the level number, its width, height and boxes, the\n"
    "  solve's whole seconds, the search nodes created, the queue-fill\n"
    "  indicator and RESULT: the minimum\n"
    "  number of moves right-aligned in 5 columns followed by moves (and\n"
    "  \" TraceOver\" when the solution is longer than the 20000 letters a trace\n"
    "  holds), or Impossible, Failed(C) (the node table is full), Failed(Q) (a\n"
    "  queue bucket is full), Canceled. Levels that are Size Over, Boxes Over or\n"
    "  Irregular are skipped: no line, not counted. T counts the tried levels,\n"
    "  K the solved ones; after Ctrl-C (or any stop) the tries line ends in\n"
    "  Cancel instead of Finish. Numbers are right-aligned and widen their\n"
    "  field when longer. Control characters of names are written as ?.\n",
    "  0    the batch ran to its end, whatever the levels' results\n"
    "  1    the intake failed, the report file cannot be opened (\" Can't open\n"
    "       output file.\" and no batch runs), the report would overwrite the\n"
    "       source or a level file, or whether it would cannot be told (no batch\n"
    "       runs), there is no memory for the search tables (N times SIZE is\n"
    "       more than the machine has, or the system refuses them), the report\n"
    "       could not be written (the batch stops there, completes what it\n"
    "       still can and one line names the error), or a level file the intake\n"
    "       stored has gone (its line reads \"N  Error: cannot read the level\n"
    "       file PATH: REASON\" and the batch stops there)\n"
    "  2    a usage error\n"
    "  3    a solution failed the independent replay check\n"
    "  129  hung up (SIGHUP): the report is complete up to the canceled\n"
    "       level, with its footer, and the private work folder is removed\n"
    "  130  interrupted (SIGINT, Ctrl-C), the same\n"
    "  141  the report went to a pipe whose reader has gone; the batch stops\n"
    "  143  terminated (SIGTERM), the same as 129\n",
};

namespace {

struct BatchOptions {
  SourceOptions source;
  const char* report = nullptr;  // nullptr: standard output
  int32_t beginWithEnd = 1;
  int32_t jobs = 1;
  int32_t guided = 0;
  int64_t memory = DefaultMemory;
};

// The one program-wide batch: the signal handler must reach its cancel flag.
LevelStore Store;
Level CurrentLevel;
Solver BatchSolver;
SearchTables BatchTables;
Settings BatchSettings;
char TextBuffer[TextBufferSize + 1];  // the intake's text, then the move trace

int32_t BadSolutions = 0;
constexpr int32_t MessageCapacity = 128;

// Takes --report FILE; the shared loop takes everything else.
int take_batch_option(int argc, char** argv, int i, void* context) {
  BatchOptions& options = *static_cast<BatchOptions*>(context);
  int memory = take_memory_option("batch", argc, argv, i, options.memory);
  if (memory != 0) return memory;
  if (take_guided_option(argv[i], options.guided)) return 1;
  if (std::strcmp(argv[i], "--jobs") == 0) {
    char* end = nullptr;
    long jobs = i + 1 < argc ? std::strtol(argv[i + 1], &end, 10) : 0;
    if (end == nullptr || end == argv[i + 1] || *end != '\0' || jobs < 1 || jobs > MaxJobs) {
      bad_usage("batch", "--jobs takes a number from 1 to 64", nullptr);
      return -1;
    }
    options.jobs = int32_t(jobs);
    return 2;
  }
  if (std::strcmp(argv[i], "--report") != 0) return 0;
  if (i + 1 >= argc) {
    bad_usage("batch", "--report needs a file", nullptr);
    return -1;
  }
  options.report = argv[i + 1];
  return 2;
}

// Returns -1 when the arguments are fine, else the exit status.
int parse_options(int argc, char** argv, BatchOptions& options) {
  return parse_command_options("batch", argc, argv, options.source, options.beginWithEnd,
                               take_batch_option, &options);
}

// A solved level's whole trace is played forward once more before it is
// masked; a trace that does not solve the level is reported, never hidden.
void report_bad_solution(void* context, int32_t number) {
  BadSolutions += 1;
  char message[MessageCapacity];
  std::snprintf(message, sizeof message,
                "vantori batch: the solution of level %d fails the replay check\n", number);
  progress_message(*static_cast<ProgressLine*>(context), message);
}

void check_solution(void* context, int32_t number) {
  const Solver& solver = BatchSolver;
  if (!replay_solution(CurrentLevel, solver.trace, solver.solutionLength, solver.traceOver))
    report_bad_solution(context, number);
}

// The levels, solvers, tables and trace buffers of a batch of several jobs.
struct JobSet {
  std::unique_ptr<Level[]> levels;
  std::unique_ptr<Solver[]> solvers;
  std::unique_ptr<SearchTables[]> tables;
  std::unique_ptr<char[]> traces;
  BatchJob jobs[MaxJobs];
};

// Reserves every job's tables; 0 after a message when they cannot be had.
int32_t make_jobs(JobSet& set, int32_t count, int64_t memory) {
  set.levels = std::make_unique<Level[]>(size_t(count));
  set.solvers = std::make_unique<Solver[]>(size_t(count));
  set.tables = std::make_unique<SearchTables[]>(size_t(count));
  set.traces = std::make_unique<char[]>(size_t(count) * TextBufferSize);
  for (int32_t j = 0; j < count; j++) {
    if (!reserve_for_command("batch", set.tables[j], memory, count)) return 0;
    set.solvers[j].tables = &set.tables[j];
    set.solvers[j].trace = &set.traces[size_t(j) * TextBufferSize];
    set.jobs[j].level = &set.levels[j];
    set.jobs[j].solver = &set.solvers[j];
  }
  return 1;
}

// A stop signal that came before the run cleared the cancel flag still
// counts.
void keep_stop(void*) {
  if (stopped_status() != 0) BatchSolver.cancel.store(1, std::memory_order_relaxed);
}

// How the batch ends, once its report is as complete as it can be: a stop
// signal, then a report that could not be written (the run stopped there),
// then a level file that went, then a bad solution.
int batch_status(const Batch& batch) {
  int status = ExitOk;
  if (batch.writeError == OsClosedPipe) {
    status = ExitClosedPipe;  // the reader has gone: nothing to tell it
  } else if (batch.writeError != 0) {
    char cause[OsErrorTextCapacity];
    os_error_text(batch.writeError, cause, OsErrorTextCapacity);
    std::fprintf(stderr, "vantori batch: the report could not be written completely: %s\n",
                 cause);
    status = ExitFailure;
  }
  if (batch.storeError != 0) {
    char line[IntakeTextCapacity];
    store_error_text(batch, line);
    std::fprintf(stderr, "vantori batch: %s\n", line);
    if (status == ExitOk) status = ExitFailure;
  }
  if (stopped_status() != 0) return stopped_status();
  if (status != ExitOk) return status;
  return BadSolutions != 0 ? ExitBadSolution : ExitOk;
}

int open_report(Batch& batch, const BatchOptions& options) {
  if (options.report == nullptr) {
    batch.reportFd = os_standard_output();
    batch.closeReport = 0;
    return 1;
  }
  return open_report_file(batch, options.report);
}

}  // namespace

int cmd_batch(int argc, char** argv) {
  BatchOptions options;
  int status = parse_options(argc, argv, options);
  if (status >= 0) return status;

  PinnedPaths pinned;
  if (!pin_paths(options.source, &options.report, pinned)) return ExitFailure;
  cancel_on_stop(BatchSolver.cancel);
  if (!run_intake(options.source, Store, TextBuffer)) return stopped_status() ? stopped_status() : ExitFailure;
  JobSet jobs;
  if (options.jobs == 1) {
    if (!reserve_for_command("batch", BatchTables, options.memory, 1)) return ExitFailure;
    BatchSolver.tables = &BatchTables;
  } else if (!make_jobs(jobs, options.jobs, options.memory)) {
    return ExitFailure;
  }

  Batch batch;
  batch.store = &Store;
  batch.level = &CurrentLevel;
  batch.solver = &BatchSolver;
  batch.settings = &BatchSettings;
  batch.stopOnWriteError = 1;  // the report's reader may have gone: go no further
  ProgressLine progress;
  progress.figures = &BatchSolver.progress;
  progress.highest = Store.highest;
  progress.clearAfterSolve = options.report == nullptr && os_is_terminal(os_standard_output());
  batch.hooks.context = &progress;
  batch.hooks.begin = keep_stop;
  batch.hooks.showLevel = progress_show_level;
  batch.hooks.startProgress = progress_solve_begins;
  batch.hooks.stopProgress = progress_solve_ends;
  batch.hooks.solved = check_solution;
  batch.hooks.badSolution = report_bad_solution;
  for (int32_t j = 0; j < options.jobs && options.jobs > 1; j++) {
    progress.jobLevels[j] = &jobs.jobs[j].number;
    progress.jobFigures[j] = &jobs.solvers[j].progress;
  }
  progress.jobCount = options.jobs > 1 ? options.jobs : 0;
  BatchSolver.trace = TextBuffer;
  BatchSolver.beginWithEnd = options.beginWithEnd;
  BatchSettings.beginWithEnd = options.beginWithEnd;
  BatchSettings.guided = options.guided;
  if (options.report != nullptr && !report_path_allowed(Store, options.report))
    return ExitFailure;
  if (!open_report(batch, options)) {
    std::fprintf(stderr, " Can't open output file.\n");
    return ExitFailure;
  }
  BatchSettings.reportFlag = 1;

  start_progress_line(progress);
  if (options.jobs > 1) run_batch_jobs(batch, jobs.jobs, options.jobs);
  else run_batch(batch);
  stop_progress_line(progress);
  return batch_status(batch);
}

}  // namespace vk
