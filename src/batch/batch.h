// The batch runner: solves every level of the loaded set in turn and writes
// the plain-text report. Display and replay reach the desktop program
// through hooks; the command line runs it without them.
#pragma once

#include <atomic>
#include <cstdint>

#include "level/level.h"
#include "program/program.h"
#include "solver/solver.h"

namespace vk {

// ---------------------------------------------------------------- the run

// A local date and time, to the minute, as the report and the closing
// message print it.
struct LocalTime {
  int32_t year;
  int32_t month;   // 1 to 12
  int32_t day;
  int32_t hour;
  int32_t minute;
};

// How the desktop follows a batch. Every hook is optional; a run without
// hooks shows nothing and replays nothing. All of them are called on the
// thread that runs the batch, with the context given here.
struct BatchHooks {
  void* context = nullptr;
  // The run begins: the Option button becomes "Cancel", the solving flag
  // is set. The cancel flag has just been cleared.
  void (*begin)(void* context) = nullptr;
  // A level to be tried has been read (the Level holds it): show it
  // without reading it again.
  void (*showLevel)(void* context, int32_t number, int32_t status) = nullptr;
  // Around the solve: start the progress timer; stop it and refresh the
  // progress display once.
  void (*startProgress)(void* context) = nullptr;
  void (*stopProgress)(void* context) = nullptr;
  // A level was solved; the solver still holds the whole, unmasked trace.
  void (*solved)(void* context, int32_t number) = nullptr;
  // Replay of a solved level: Top, then one step forward per call. Each
  // returns 1 when the move at the new trace position can be replayed.
  // Replay happens only when both are given.
  int32_t (*replayTop)(void* context) = nullptr;
  int32_t (*replayStep)(void* context) = nullptr;
  // Waits between replay steps; without it the thread sleeps.
  void (*sleep)(void* context, int32_t milliseconds) = nullptr;
  // A run of several jobs checks every solution itself and names, through
  // this hook, a level whose solution fails the replay check. Called on the
  // thread that runs the batch, before that level's report line.
  void (*badSolution)(void* context, int32_t number) = nullptr;
};

constexpr int32_t ReportLineCapacity = 256;  // longest report line, LF included
constexpr int32_t FinishTextCapacity = 512;  // the closing message

// The state of one batch run. The caller owns the store, level, solver and
// settings; the run reads the settings and the store, and rewrites the
// level and the solver's results level by level.
struct Batch {
  LevelStore* store = nullptr;
  Level* level = nullptr;
  Solver* solver = nullptr;    // its cancel flag is the batch's too
  Settings* settings = nullptr;  // reportFlag says whether to write the report;
                                 // guided chooses the search and its box limit
  BatchHooks hooks;

  OsHandle reportFd = OsNoHandle;  // the report file, open while reportFlag is set
  int32_t closeReport = 0;  // the run closes reportFd at its end
  // os_error() of the first failed report write, 0 if none. With
  // stopOnWriteError (the command line, whose reader may have gone) it
  // stops the run: the cancel flag is set; the desktop's run goes on and
  // names it in the closing message.
  int32_t writeError = 0;
  int32_t stopOnWriteError = 0;
  // A level file the intake stored that can no longer be read (the store
  // was removed meanwhile): its os_error() and level. The level gets an
  // error line in the report and the run stops there.
  int32_t storeError = 0;
  int32_t storeErrorLevel = 0;

  int32_t tried = 0;       // levels solved or found impossible
  int32_t solved = 0;
  int32_t current = 0;     // level number the run stands at
  int32_t lastShown = 0;   // last level tried (and shown), 0 if none
  LocalTime start{};
  LocalTime end{};
};

// One of the solves a batch runs at once: a level and a solver of its own,
// the solver with tables and a trace buffer of its own. number is the level
// being solved, 0 while the job waits; the progress line reads it.
constexpr int32_t MaxJobs = 64;
struct BatchJob {
  Level* level = nullptr;
  Solver* solver = nullptr;
  std::atomic<int32_t> number{0};
};

// Creates or truncates the report file at path for writing and keeps its
// descriptor for the run; 1 on success, 0 when it cannot be opened.
int32_t open_report_file(Batch& batch, const char* path);

// Solves every level of the store in turn, with the solver's begin-with-end
// and guided search taken from the settings; returns 1 when the run was
// cancelled, else 0.
int32_t run_batch(Batch& batch);

// As run_batch with count jobs solving levels at once, each on a thread of
// its own: the report is the same but for the seconds, its lines in level
// order, each written as soon as every earlier level is done. The batch's
// solver gives only the cancel flag, which reaches every running solve; the
// lowest unfinished level then reads "Canceled" and no later line follows.
// Nothing is shown or replayed: of the hooks only begin, stopProgress
// (before each report line) and badSolution are called.
int32_t run_batch_jobs(Batch& batch, BatchJob* jobs, int32_t count);

// "cannot read the level file PATH: REASON" for the batch's storeError,
// into out (IntakeTextCapacity bytes), control characters as '?'. The
// report's line for that level is "%4d  Error: " and this text.
void store_error_text(const Batch& batch, char* out);

// The closing message: finished or canceled with the start and end times,
// and a line on an incomplete report. out holds FinishTextCapacity bytes.
void finish_batch_text(const Batch& batch, int32_t canceled, char* out);

}  // namespace vk
