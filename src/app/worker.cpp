// The worker thread's side of a job and its hand-back: the job table, the
// batch's hooks that bring every display call of a batch to the GUI thread,
// and what the GUI thread does when a job is done.
#include <atomic>

#include "app/dialog_internal.h"

namespace vk {

namespace {

// ---------------------------------------------------------------- batch hooks

// The batch calls these on the worker thread; each hands its work to the
// GUI thread and waits for it, so the display is drawn there alone.
App& app_of(void* context) { return *static_cast<App*>(context); }

void on_gui_with(App& app, void (*fn)(void*), void* arg) {
  if (app.platform.call_on_gui) app.platform.call_on_gui(app.platform.context, fn, arg);
  else fn(arg);
}

void on_gui(void* context, void (*fn)(void*)) { on_gui_with(app_of(context), fn, context); }

// A level the batch has read, on its way to the GUI thread. The number and
// status become the dialog's there, never on the worker, as the GUI thread
// reads them at any time.
struct ShownLevel {
  App* app;
  int32_t number;
  int32_t status;
};

// The run has just cleared the cancel flag: a close box pressed before
// that, while the worker was starting, is not lost.
void gui_begin(void* c) {
  App& app = app_of(c);
  if (app.state == StateClosing) app.solver.cancel.store(1, std::memory_order_relaxed);
}

void gui_show_level(void* arg) {
  const ShownLevel& shown = *static_cast<const ShownLevel*>(arg);
  App& app = *shown.app;
  app.currentLevel = shown.number;
  app.currentStatus = shown.status;
  display_level(app);
}

void gui_start_progress(void* c) {
  app_of(c).platform.start_timer(app_of(c).platform.context, ProgressTimer, SolveTimerIntervalMs);
}

void gui_stop_progress(void* c) {
  App& app = app_of(c);
  app.platform.stop_timer(app.platform.context, ProgressTimer);
  refresh_progress(app);
}

void gui_solved(void* c) {
  App& app = app_of(c);
  viewer_reset(app.viewer, app.level, app.text, 0);
  app.viewer.length = app.solver.solutionLength;
  set_counter_text(app);
}

void gui_replay_top(void* c) {
  App& app = app_of(c);
  viewer_command_top(app);
  app.replayMore = viewer_can_step(app.viewer);
}

void gui_replay_step(void* c) {
  App& app = app_of(c);
  viewer_command_forward(app);
  app.replayMore = viewer_can_step(app.viewer);
}

// The level stands read in app.level, which the GUI thread leaves alone
// while a batch runs.
void hook_show_level(void* c, int32_t number, int32_t status) {
  ShownLevel shown = {&app_of(c), number, status};
  on_gui_with(app_of(c), gui_show_level, &shown);
}

void hook_begin(void* c) { on_gui(c, gui_begin); }
void hook_start_progress(void* c) { on_gui(c, gui_start_progress); }
void hook_stop_progress(void* c) { on_gui(c, gui_stop_progress); }
void hook_solved(void* c, int32_t) { on_gui(c, gui_solved); }

int32_t hook_replay_top(void* c) {
  on_gui(c, gui_replay_top);
  return app_of(c).replayMore;
}

int32_t hook_replay_step(void* c) {
  on_gui(c, gui_replay_step);
  return app_of(c).replayMore;
}

void hook_sleep(void* c, int32_t milliseconds) {
  app_of(c).platform.sleep(app_of(c).platform.context, milliseconds);
}

void run_batch_job(App& app) {
  Batch& run = app.run;
  run.store = &app.store;
  run.level = &app.level;
  run.solver = &app.solver;
  run.settings = &app.settings;
  BatchHooks& hooks = run.hooks;
  hooks.context = &app;
  hooks.begin = hook_begin;
  hooks.showLevel = hook_show_level;
  hooks.startProgress = hook_start_progress;
  hooks.stopProgress = hook_stop_progress;
  hooks.solved = hook_solved;
  hooks.replayTop = hook_replay_top;
  hooks.replayStep = hook_replay_step;
  hooks.sleep = hook_sleep;
  app.jobResult = run_batch(run);
}

}  // namespace

// ---------------------------------------------------------------- the worker

void run_job(App& app) {
  switch (app.jobKind) {
    case JobFile:
      app.jobResult = load_level_set(app.store, SourceFile, app.filePath);
      break;
    case JobFolder:
      app.jobResult = load_level_set(app.store, SourceFolder, app.folderPath);
      break;
    case JobSolve:
      app.jobResult = solve_level(app.solver, app.level);
      break;
    case JobBatch:
      run_batch_job(app);
      break;
    default:
      break;
  }
}

void worker_main(App& app) {
  run_job(app);
  app.platform.hand_back(app.platform.context);
}

void job_done(App& app) {
  // A window that is closing shows no result: the job was cancelled, and
  // a batch's report has its footer now.
  if (app.state == StateClosing) {
    app.platform.end_program(app.platform.context, 0);
    return;
  }
  set_state(app, StateHandBack);
  switch (app.jobKind) {
    case JobFile:
    case JobFolder:
      show_loaded_set(app);
      break;
    case JobSolve:
      finish_solve(app);
      if (app.jobResult == SolveSolved) {
        app.dialogMode = SolutionMode;
        run_text_dialog(app);
      }
      break;
    case JobBatch:
      finish_batch(app);
      break;
    default:
      break;
  }
  set_state(app, StateIdle);
}

void finish_batch(App& app) {
  // The loop counter ends one past the highest number. The last level
  // tried stays current; when levels were skipped after it, the level read
  // last was another, so it is read again (its solution is then gone).
  const Batch& run = app.run;
  int32_t readLast = run.current <= app.store.highest ? run.current : app.store.highest;
  if (run.lastShown == 0) {
    app.currentLevel = app.store.highest >= 1 ? 1 : 0;
    if (app.currentLevel != 0) show_level(app);
  } else if (readLast != run.lastShown) {
    app.currentLevel = run.lastShown;
    show_level(app);
  } else {
    app.currentLevel = run.lastShown;
  }
  refresh_enable_state(app);
  int32_t canceled = app.solver.cancel.load(std::memory_order_relaxed) != 0;
  app.solver.cancel.store(0, std::memory_order_relaxed);
  char text[FinishTextCapacity];
  finish_batch_text(run, canceled, text);
  message(app, text, IconInformation);
}

}  // namespace vk
