// The batch runner: reads every level number of the store from 1 to the
// highest, solves each level that can be tried, writes its report line and,
// when the desktop asks for it, replays the solution. The cancel flag of the
// solver stops the run at the next check: inside a solve, after a level's
// line, before each replay step, or after a replay.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "batch/batch_internal.h"
#include "view/view.h"

namespace vk {

namespace {

constexpr int32_t ResultCapacity = 48;  // "%5dmoves TraceOver" and the words
constexpr int32_t StoreErrorLineCapacity = IntakeTextCapacity + 16;  // "%4d  Error: " and the text

int32_t cancel_set(const Batch& batch) {
  return batch.solver->cancel.load(std::memory_order_relaxed) != 0 ? 1 : 0;
}

void wait_step(const Batch& batch) {
  int32_t milliseconds = trace_step_ms(batch.settings->traceSpeed);
  if (batch.hooks.sleep) batch.hooks.sleep(batch.hooks.context, milliseconds);
  else std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// Solves the level just read (or keeps its LevelStatus 4) between the
// progress hooks; returns the level's status for the report.
int32_t try_level(Batch& batch, int32_t levelStatus) {
  const BatchHooks& hooks = batch.hooks;
  batch.tried += 1;
  batch.lastShown = batch.current;
  if (hooks.showLevel) hooks.showLevel(hooks.context, batch.current, levelStatus);
  if (hooks.startProgress) hooks.startProgress(hooks.context);
  int32_t status = SolveImpossible;
  if (levelStatus == LevelOk) status = solve_level(*batch.solver, *batch.level);
  if (hooks.stopProgress) hooks.stopProgress(hooks.context);
  return status;
}

// The result column for a status: the moves, or the status word.
void status_text(const Solver& solver, int32_t status, char* out) {
  if (status == SolveSolved)
    std::snprintf(out, ResultCapacity, "%5dmoves%s", solver.solutionLength,
                  solver.traceOver ? " TraceOver" : "");
  else
    std::snprintf(out, ResultCapacity, "%s", solve_status_word(status));
}

// What a tried level leaves in the run: a solution is counted, handed to
// the hook while its trace is whole, and then masked when asked; a
// cancelled solve stops the run.
void settle_level(Batch& batch, int32_t status) {
  Solver& solver = *batch.solver;
  if (status == SolveCanceled) solver.cancel.store(1, std::memory_order_relaxed);
  if (status != SolveSolved) return;
  batch.solved += 1;
  if (batch.hooks.solved) batch.hooks.solved(batch.hooks.context, batch.current);
  if (batch.settings->hideLastMoves) mask_last_moves(solver.trace, solver.solutionLength);
}

// Replays the solution through the hooks; 0 when the run is cancelled.
int32_t replay(Batch& batch) {
  const BatchHooks& hooks = batch.hooks;
  int32_t more = hooks.replayTop(hooks.context);
  while (more) {
    if (cancel_set(batch)) return 0;
    more = hooks.replayStep(hooks.context);
    wait_step(batch);
  }
  return cancel_set(batch) ? 0 : 1;
}

int32_t can_replay(const Batch& batch) {
  return batch.settings->playAfterSolved && batch.hooks.replayTop && batch.hooks.replayStep;
}

}  // namespace

LocalTime local_time_now() {
  OsLocalTime t = os_local_time();
  return LocalTime{t.year, t.month, t.day, t.hour, t.minute};
}

namespace {

// The opening of a run: the start time, the counters, the cancel flag, the
// begin hook and the report's header.
void open_run(Batch& batch) {
  batch.start = local_time_now();
  batch.tried = 0;
  batch.solved = 0;
  batch.lastShown = 0;
  batch.solver->beginWithEnd = batch.settings->beginWithEnd;
  batch.solver->guided = batch.settings->guided;
  batch.solver->cancel.store(0, std::memory_order_relaxed);
  if (batch.hooks.begin) batch.hooks.begin(batch.hooks.context);
  if (batch.settings->reportFlag) write_report_header(batch);
}

// The close: the end time and the report's footer, which reads Cancel for
// a run that stopped before its end; returns the cancel flag.
int32_t close_run(Batch& batch) {
  batch.end = local_time_now();
  const int32_t canceled = cancel_set(batch);
  if (batch.settings->reportFlag) {
    write_report_footer(batch, canceled || batch.storeError != 0);
    close_report_file(batch);
  }
  return canceled;
}

// The report's line for the level whose file has gone.
void store_error_line(const Batch& batch, char* line) {
  char text[IntakeTextCapacity];
  store_error_text(batch, text);
  std::snprintf(line, StoreErrorLineCapacity, "%4d  Error: %s", batch.storeErrorLevel, text);
}

// A level that reads as Irregular because its stored file has gone: 1
// after the level's error line, and the run stops.
int32_t store_gone(Batch& batch, int32_t number, int32_t levelStatus, char* line) {
  if (levelStatus != LevelIrregular) return 0;
  int32_t error = level_file_error(*batch.store, number);
  if (error == 0) return 0;
  batch.storeError = error;
  batch.storeErrorLevel = number;
  store_error_line(batch, line);
  return 1;
}

}  // namespace

int32_t run_batch(Batch& batch) {
  const int32_t report = batch.settings->reportFlag;
  open_run(batch);

  for (batch.current = 1; batch.current <= batch.store->highest; ++batch.current) {
    if (cancel_set(batch)) break;  // also between skipped levels
    int32_t levelStatus =
        select_level(*batch.solver, *batch.level, batch.store->workDir, batch.current);
    char gone[StoreErrorLineCapacity];
    if (store_gone(batch, batch.current, levelStatus, gone)) {
      if (report) write_report_line(batch, gone);
      break;
    }
    if (levelStatus != LevelOk && levelStatus != LevelImpossible) continue;
    int32_t status = try_level(batch, levelStatus);
    char result[ResultCapacity];
    status_text(*batch.solver, status, result);
    settle_level(batch, status);
    if (report) write_report_level(batch, result);
    if (cancel_set(batch)) break;
    if (status == SolveSolved && can_replay(batch) && !replay(batch)) break;
  }
  return close_run(batch);
}

namespace {

// What a job leaves for the report: the level line, once the level is done.
enum JobResultState : int32_t {
  ResultPending = 0,
  ResultSkipped = 1,
  ResultLine = 2,
  ResultStoreGone = 3,  // the level's file has gone: its error line ends the report
};
struct JobResult {
  int32_t state = ResultPending;
  int32_t status = 0;
  int32_t badSolution = 0;
  char line[ReportLineCapacity];
};

// What the jobs share, under lock: the next level to take and the results.
struct JobBoard {
  JobBoard(Batch& b, BatchJob* j, int32_t c)
      : batch(b), jobs(j), count(c),
        results(std::make_unique<JobResult[]>(size_t(b.store->highest) + 1)) {}
  Batch& batch;
  BatchJob* jobs;
  int32_t count;
  std::unique_ptr<JobResult[]> results;  // by level number
  std::mutex lock;
  std::condition_variable done;
  int32_t next = 1;      // the lowest level no job has taken
  int32_t stopped = 0;   // cancelled: no job takes another level
};

// Reads, solves and checks one level with the job's own level and solver.
void solve_for_report(JobBoard& board, BatchJob& job, int32_t number, JobResult& out) {
  Solver& solver = *job.solver;
  int32_t levelStatus = select_level(solver, *job.level, board.batch.store->workDir, number);
  if (levelStatus == LevelIrregular) {
    int32_t error = level_file_error(*board.batch.store, number);
    if (error != 0) {
      out.status = error;
      out.state = ResultStoreGone;
      return;
    }
  }
  if (levelStatus != LevelOk && levelStatus != LevelImpossible) {
    out.state = ResultSkipped;
    return;
  }
  int32_t status = SolveImpossible;
  if (levelStatus == LevelOk) {
    job.number.store(number, std::memory_order_relaxed);
    status = solve_level(solver, *job.level);
    job.number.store(0, std::memory_order_relaxed);
  }
  char result[ResultCapacity];
  status_text(solver, status, result);
  out.status = status;
  out.badSolution = status == SolveSolved && !replay_solution(*job.level, solver.trace,
                                                         solver.solutionLength, solver.traceOver);
  format_report_level(out.line, number, *job.level, solver.progress, result);
  out.state = ResultLine;
}

void run_job(JobBoard* board, BatchJob* job) {
  const int32_t highest = board->batch.store->highest;
  for (;;) {
    int32_t number;
    {
      std::lock_guard<std::mutex> guard(board->lock);
      if (board->stopped || board->next > highest) return;
      number = board->next++;
    }
    JobResult result;
    solve_for_report(*board, *job, number, result);
    {
      std::lock_guard<std::mutex> guard(board->lock);
      board->results[number] = result;
    }
    board->done.notify_all();
  }
}

void cancel_jobs(JobBoard& board) {
  board.stopped = 1;
  for (int32_t j = 0; j < board.count; j++)
    board.jobs[j].solver->cancel.store(1, std::memory_order_relaxed);
}

// Writes the lines of every level done in an unbroken row from written on;
// returns 1 once the report has its last level line.
int32_t write_done_lines(JobBoard& board, int32_t& written, int32_t report) {
  Batch& batch = board.batch;
  const int32_t highest = batch.store->highest;
  for (; written <= highest; written++) {
    const JobResult& r = board.results[written];
    // Cancelled: a level no job took never gets a line.
    if (r.state == ResultPending) return board.stopped && written >= board.next;
    if (r.state == ResultSkipped) continue;
    if (r.state == ResultStoreGone) {
      batch.storeError = r.status;
      batch.storeErrorLevel = written;
      char line[StoreErrorLineCapacity];
      store_error_line(batch, line);
      if (report) write_report_line(batch, line);
      written++;
      return 1;
    }
    batch.tried += 1;
    if (r.status == SolveSolved) batch.solved += 1;
    if (r.badSolution && batch.hooks.badSolution)
      batch.hooks.badSolution(batch.hooks.context, written);
    if (batch.hooks.stopProgress) batch.hooks.stopProgress(batch.hooks.context);
    if (report) write_report_line(batch, r.line);
    if (r.status == SolveCanceled) {
      written++;
      return 1;
    }
  }
  return 1;
}

// How often the writing thread looks at the cancel flag while it waits.
constexpr int32_t CancelPollMs = 20;

}  // namespace

int32_t run_batch_jobs(Batch& batch, BatchJob* jobs, int32_t count) {
  const int32_t report = batch.settings->reportFlag;
  for (int32_t j = 0; j < count; j++) {
    jobs[j].solver->beginWithEnd = batch.settings->beginWithEnd;
    jobs[j].solver->guided = batch.settings->guided;
    jobs[j].solver->cancel.store(0, std::memory_order_relaxed);
    jobs[j].number.store(0, std::memory_order_relaxed);
  }
  open_run(batch);

  JobBoard board(batch, jobs, count);
  std::unique_ptr<std::thread[]> threads = std::make_unique<std::thread[]>(size_t(count));
  // A thread the system cannot start (no memory, a process limit) leaves
  // its levels to the others.
  int32_t started = 0;
  for (; started < count; started++) {
    try {
      threads[started] = std::thread(run_job, &board, &jobs[started]);
    } catch (const std::system_error&) {
      break;
    }
  }
  if (started == 0) {
    // Not one: this thread solves every level itself, with the first job's
    // tables and trace under the batch's own solver, whose cancel flag
    // Ctrl-C sets.
    Solver& solver = *batch.solver;
    solver.tables = jobs[0].solver->tables;
    solver.trace = jobs[0].solver->trace;
    BatchJob here;
    here.level = jobs[0].level;
    here.solver = &solver;
    run_job(&board, &here);
  }
  {
    std::unique_lock<std::mutex> guard(board.lock);
    int32_t written = 1;
    while (!write_done_lines(board, written, report)) {
      board.done.wait_for(guard, std::chrono::milliseconds(CancelPollMs));
      if (cancel_set(batch) && !board.stopped) cancel_jobs(board);
    }
    // A level line that reads "Canceled" ends the report: stop the others.
    cancel_jobs(board);
  }
  for (int32_t j = 0; j < started; j++) threads[j].join();
  batch.current = batch.store->highest + 1;
  return close_run(batch);
}

void store_error_text(const Batch& batch, char* out) {
  level_file_error_text(*batch.store, batch.storeErrorLevel, batch.storeError, out,
                        IntakeTextCapacity);
}

void finish_batch_text(const Batch& batch, int32_t canceled, char* out) {
  const LocalTime& s = batch.start;
  const LocalTime& e = batch.end;
  int used = std::snprintf(
      out, FinishTextCapacity,
      "  Batch is %s.\r\n\r\n%4d/%02d/%02d %02d:%02d Start\r\n%4d/%02d/%02d %02d:%02d %s\r\n",
      canceled ? "canceled" : "finished", s.year, s.month, s.day, s.hour, s.minute, e.year,
      e.month, e.day, e.hour, e.minute, canceled ? "Cancel" : "Finish");
  if (batch.writeError != 0 && used > 0 && used < FinishTextCapacity) {
    char cause[OsErrorTextCapacity];
    os_error_text(batch.writeError, cause, OsErrorTextCapacity);
    std::snprintf(out + used, static_cast<size_t>(FinishTextCapacity - used),
                  "\r\n  The report file is incomplete: %s.\r\n", cause);
  }
}

}  // namespace vk
