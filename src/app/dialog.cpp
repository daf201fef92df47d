// The main dialog's logic: start-up, the command table, the enable rules,
// the information line, the displays of loading and solving, the text
// dialog and the trace viewer's buttons.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/dialog_internal.h"
#include "os/os.h"

namespace vk {

namespace {

// ---------------------------------------------------------------- progress

void reset_counters(App& app) {
  app.solver.progress.nodes.store(0, std::memory_order_relaxed);
  app.solver.progress.queue.store(0, std::memory_order_relaxed);
  refresh_progress_bars(app);
}

// ---------------------------------------------------------------- commands

void on_sample(App& app) {
  app.jobResult = load_sample_set(app.store, app.text);
  app.text[0] = '\0';
  show_loaded_set(app);
}

// The pasted text stands in the text buffer: Text's intake on the GUI
// thread, also for Ctrl+V.
void load_pasted(App& app) {
  app.jobResult = load_level_set(app.store, SourceText, app.text);
  // A pasted text offers its first level only.
  if (app.store.levelCount != 0) {
    app.store.levelCount = 1;
    app.store.highest = 1;
  }
  app.text[0] = '\0';
  show_loaded_set(app);
}

void on_text(App& app) {
  app.dialogMode = PasteMode;
  if (!run_text_dialog(app)) return;
  load_pasted(app);
}

// Hands the text in app.pasted over into the text buffer, cut to the room
// the intake leaves for its line end.
void take_pasted(App& app) {
  std::size_t length = std::strlen(app.pasted);
  if (length > std::size_t(PasteCapacity)) length = PasteCapacity;
  std::memcpy(app.text, app.pasted, length);
  app.text[length] = '\0';
}

// File and Folder once their picker has put a path into filePath or
// folderPath, and a path dropped onto the window: the intake of that path
// runs on the worker while the canvas shows the WAIT picture.
void start_intake(App& app, int32_t kind) {
  show_loading(app);
  start_worker(app, kind);
}

void on_file(App& app) {
  if (!app.platform.pick_level_file(app.platform.context, app.filePath, PathCapacity + 1, ""))
    return;
  start_intake(app, JobFile);
}

void on_folder(App& app) {
  if (!app.platform.pick_level_folder(app.platform.context, app.folderPath, PathCapacity + 1,
                                      FolderPickerTitle))
    return;
  start_intake(app, JobFolder);
}

void on_prev(App& app) {
  if (app.currentLevel <= 1) return;
  app.currentLevel -= 1;
  show_level(app);
}

void on_go(App& app) {
  char digits[GoDigits + 1];
  app.platform.get_text(app.platform.context, IdLevelEdit, digits, GoDigits + 1);
  int32_t n = std::atoi(digits);
  if (n < 1) n = 1;
  if (n > app.store.highest) n = app.store.highest;
  char line[LineCapacity];
  std::snprintf(line, sizeof line, "%d", n);
  set_text(app, IdLevelEdit, line);
  app.currentLevel = n;
  show_level(app);
}

void on_next(App& app) {
  if (app.currentLevel >= app.store.highest) return;
  app.currentLevel += 1;
  show_level(app);
}

// Solve cancels a running solve, shows a solution at hand, or solves.
void on_solve(App& app) {
  if (app.state == StateSolving) {
    app.solver.cancel.store(1, std::memory_order_relaxed);
  } else if (app.solver.solutionLength != 0) {
    app.dialogMode = SolutionMode;
    run_text_dialog(app);
  } else if (app.currentStatus == LevelOk) {
    begin_solve_display(app);
    start_worker(app, JobSolve);
  }
}

void on_play(App& app) {
  if (app.state == StateReplaying) viewer_command_pause(app);
  else viewer_command_play(app);
}

void on_option(App& app) {
  if (app.state == StateBatch) {
    app.solver.cancel.store(1, std::memory_order_relaxed);
    return;
  }
  if (app.platform.run_options_dialog == nullptr) return;
  OptionsDialog dialog;
  options_open(app, dialog);
  app.platform.run_options_dialog(app.platform.context, dialog);
  if (!dialog.startBatch) return;
  set_state(app, StateBatch);
  start_worker(app, JobBatch);
}

// The edit box selects its text on focus in the shell itself.
void on_edit(App&) {}

struct Command {
  int32_t id;
  void (*run)(App& app);
};

constexpr Command Commands[EnableCount] = {
    {IdSample, on_sample},   {IdText, on_text},
    {IdFile, on_file},       {IdFolder, on_folder},
    {IdPrev, on_prev},       {IdLevelEdit, on_edit},
    {IdGo, on_go},           {IdNext, on_next},
    {IdSolve, on_solve},     {IdTop, viewer_command_top},
    {IdBack, viewer_command_back}, {IdPlay, on_play},
    {IdForward, viewer_command_forward}, {IdOption, on_option},
};

// ---------------------------------------------------------------- enable rules

// The rules for a dialog with no job and no replay under way.
void idle_enable_table(const App& app, int32_t* on) {
  const LevelStore& store = app.store;
  int32_t several = store.levelCount > 1;
  for (int32_t id = IdSample; id <= IdFolder; ++id) on[id - FirstCommandId] = 1;
  on[IdPrev - FirstCommandId] = several && app.currentLevel != 1;
  on[IdLevelEdit - FirstCommandId] = several;
  on[IdGo - FirstCommandId] = several;
  on[IdNext - FirstCommandId] = several && app.currentLevel != store.highest;
  on[IdSolve - FirstCommandId] = store.levelCount != 0 && app.currentStatus == LevelOk;
  int32_t back = viewer_can_step_back(app.viewer);
  int32_t forward = viewer_has_trace(app.viewer) && viewer_can_step(app.viewer);
  on[IdTop - FirstCommandId] = back;
  on[IdBack - FirstCommandId] = back;
  on[IdPlay - FirstCommandId] = forward;
  on[IdForward - FirstCommandId] = forward;
  on[IdOption - FirstCommandId] = 1;
}

}  // namespace

// ---------------------------------------------------------------- platform

void start_worker(App& app, int32_t kind) {
  app.jobKind = kind;
  app.platform.start_worker(app.platform.context);
}

void set_counter_text(App& app) {
  char line[ViewerCounterSize];
  viewer_counter_text(app.viewer, line);
  set_text(app, IdCounter, line);
}

// ---------------------------------------------------------------- set-up

int32_t app_init(App& app, const Platform& platform, const char* workDir) {
  app.platform = platform;
  app.settings = Settings{};
  app.tableMemory = DefaultMemory;
  app.text[0] = '\0';
  app.pasted[0] = '\0';
  app.filePath[0] = '\0';
  app.folderPath[0] = '\0';
  app.jobKind = NoJob;
  app.jobResult = 0;
  app.currentLevel = 0;
  app.currentStatus = LevelOk;
  app.state = StateIdle;
  app.startPath = nullptr;
  app.replayMore = 0;
  app.dialogMode = PasteMode;
  for (int32_t& on : app.enabled) on = 0;
  app.solver.trace = app.text;
  app.solver.cancel.store(0, std::memory_order_relaxed);
  clear_solve_results(app.solver);
  app.viewer = TraceViewer{};
  app.viewer.trace = app.text;
  app.view = BoardView{0, 0, LevelOk};
  app.level.width = app.level.height = app.level.area = 0;
  app.level.KeeperStart = 0;
  app.level.totalBoxes = app.level.liveBoxes = 0;
  return init_level_store(app.store, workDir);
}

void dialog_setup(App& app) {
  set_text(app, MainDialogId, TitleText);
  set_text(app, IdSetLine, "Levels is not loaded.");
  set_text(app, IdSizeLine, "");
  set_text(app, IdStatusText, "");
  set_text(app, IdElapsed, "0 sec");
  set_text(app, IdCounter, "");
  set_text(app, IdHiddenNotice, app.settings.hideLastMoves ? HiddenNoticeText : "");
  refresh_progress_bars(app);
  show_startup_screen(app);
  app.settings.beginWithEnd = 1;
  refresh_enable_state(app);
}

void show_startup_screen(App& app) {
  draw_startup_screen(app.platform.canvas, TitleText, app.settings.hideLastMoves,
                      box_limit(app.settings.guided));
  set_text(app, IdHiddenNotice, app.settings.hideLastMoves ? HiddenNoticeText : "");
}

// ---------------------------------------------------------------- commands

int32_t dialog_command(App& app, int32_t id) {
  if (id < FirstCommandId || id > LastCommandId) return 0;
  Commands[id - FirstCommandId].run(app);
  return 1;
}

void timer_tick(App& app, int32_t timer) {
  if (timer == ProgressTimer) {
    refresh_progress(app);
  } else if (timer == PlayTimer) {
    if (viewer_can_step(app.viewer)) viewer_command_forward(app);
    else viewer_command_pause(app);
  }
}

// ---------------------------------------------------------------- drops

int32_t drop_kind(const char* path) {
  if (path == nullptr) return NoJob;
  std::size_t length = strnlen(path, PathCapacity + 1);
  if (length == 0 || length > std::size_t(PathCapacity)) return NoJob;
  // A symbolic link counts as what it names, as for the intake's open.
  switch (vk::os_path_kind(path, 1)) {
    case vk::OsFolder: return JobFolder;
    // A device goes to the intake, which refuses it and says why.
    case vk::OsFile: case vk::OsDevice: return JobFile;
    default: return NoJob;  // a FIFO could block, a socket never be read
  }
}

int32_t drop_allowed(const App& app) {
  if (app.state != StateIdle) return 0;
  int32_t on[EnableCount];
  compute_enable_table(app, on);
  return on[IdFile - FirstCommandId] && on[IdFolder - FirstCommandId];
}

int32_t drop_path(App& app, const char* path, int32_t isFolder) {
  if (path == nullptr || !drop_allowed(app)) return 0;
  std::size_t length = strnlen(path, PathCapacity + 1);
  if (length == 0 || length > std::size_t(PathCapacity)) return 0;
  // The picker's buffer takes the path, so the next pick starts from it.
  char* target = isFolder ? app.folderPath : app.filePath;
  std::memcpy(target, path, length);
  target[length] = '\0';
  start_intake(app, isFolder ? JobFolder : JobFile);
  return 1;
}

// ---------------------------------------------------------------- enable rules

void compute_enable_table(const App& app, int32_t* on) {
  for (int32_t k = 0; k < EnableCount; ++k) on[k] = 0;
  switch (app.state) {
    case StateBatch: on[IdOption - FirstCommandId] = 1; break;
    case StateSolving: on[IdSolve - FirstCommandId] = 1; break;
    case StateReplaying: on[IdPlay - FirstCommandId] = 1; break;
    case StateIdle: case StateHandBack: idle_enable_table(app, on); break;
    default: break;  // loading (an intake cannot be cancelled), closing
  }
}

namespace {

// The captions that follow the state: Solve, Play and Option read
// "Cancel", "Pause" and "Cancel" while their activity runs.
const char* state_caption(int32_t state, int32_t id) {
  switch (id) {
    case IdSolve: return state == StateSolving ? "Cancel" : "Solve";
    case IdPlay: return state == StateReplaying ? "Pause" : "Play";
    default: return state == StateBatch ? "Cancel" : "Option";
  }
}

}  // namespace

void set_state(App& app, int32_t state) {
  int32_t was = app.state;
  app.state = state;
  refresh_enable_state(app);
  for (int32_t id : {IdSolve, IdPlay, IdOption}) {
    const char* caption = state_caption(state, id);
    if (std::strcmp(caption, state_caption(was, id)) != 0) set_text(app, id, caption);
  }
}

// ---------------------------------------------------------------- closing, keys

void dialog_close(App& app) {
  int32_t was = app.state;
  app.platform.stop_timer(app.platform.context, ProgressTimer);
  app.platform.stop_timer(app.platform.context, PlayTimer);
  app.solver.cancel.store(1, std::memory_order_relaxed);
  set_state(app, StateClosing);
  // A cancelled batch writes its footer and hands back; job_done ends the
  // program then. A second close box meanwhile changes nothing.
  if (was == StateBatch || was == StateClosing) return;
  // An intake cannot be cancelled and may never end (a pipe nobody
  // writes); a worker in its hand-back waits for this very thread. Both
  // are left to end with the process.
  int32_t abandon = was == StateLoading || was == StateHandBack;
  app.platform.end_program(app.platform.context, abandon);
}

int32_t dialog_key(App& app, int32_t key) {
  const Platform& p = app.platform;
  int32_t focused = p.focused != nullptr ? p.focused(p.context) : 0;
  if (key == KeyEnter) return focused == 0;
  if (key != KeyPaste || focused == IdLevelEdit) return 0;
  paste_shortcut(app);
  return 1;
}

void open_start_path(App& app) {
  if (app.startPath == nullptr) return;
  const char* path = app.startPath;
  app.startPath = nullptr;
  int32_t kind = drop_kind(path);
  if (kind != NoJob && drop_path(app, path, kind == JobFolder)) return;
  char text[IntakeTextCapacity];
  std::snprintf(text, sizeof text, "Load Error!!\n%s is no level file or folder that can be read.",
                path);
  message(app, text, IconError);
}

int32_t focus_after_disable(const int32_t* on, int32_t focused) {
  if (focused < FirstCommandId || focused > LastCommandId) return KeepFocus;
  if (on[focused - FirstCommandId]) return KeepFocus;
  // Replay goes on before it goes back; a loader, Go's edit box or a job
  // button is never chosen.
  constexpr int32_t Safe[] = {IdPlay, IdForward, IdBack, IdTop};
  for (int32_t id : Safe)
    if (on[id - FirstCommandId]) return id;
  return 0;
}

// The windowing system moves the focus of a control being disabled on to
// the next enabled one, often a loader; the focus is noted first and then
// set where focus_after_disable says.
void refresh_enable_state(App& app) {
  const Platform& p = app.platform;
  int32_t focused = p.focused != nullptr ? p.focused(p.context) : 0;
  compute_enable_table(app, app.enabled);
  for (int32_t k = 0; k < EnableCount; ++k)
    p.enable(p.context, FirstCommandId + k, app.enabled[k]);
  int32_t target = focus_after_disable(app.enabled, focused);
  if (target != KeepFocus && p.set_focus != nullptr) p.set_focus(p.context, target);
}

// ---------------------------------------------------------------- progress

void refresh_progress_bars(App& app) {
  auto nodes = uint32_t(app.solver.progress.nodes.load(std::memory_order_relaxed));
  auto queue = uint32_t(app.solver.progress.queue.load(std::memory_order_relaxed));
  // Both bars are full at the limits of the tables in use; at the default
  // size this is nodes / 1000 and queue / 100. The size is the dialog's own
  // copy: the worker may be reserving the tables right now.
  TableSize size = table_size(app.tableMemory);
  app.platform.set_progress(app.platform.context, IdCellBar,
                            int32_t(int64_t(nodes) * CellBarRange / size.nodeLimit));
  app.platform.set_progress(app.platform.context, IdQueueBar,
                            int32_t(int64_t(queue) * QueueBarRange / size.bucketCapacity));
}

void refresh_progress(App& app) {
  char line[LineCapacity];
  std::snprintf(line, sizeof line, "%4d sec",
                app.solver.progress.seconds.load(std::memory_order_relaxed));
  set_text(app, IdElapsed, line);
  refresh_progress_bars(app);
}

// ---------------------------------------------------------------- intake

void show_loading(App& app) {
  reset_counters(app);
  set_state(app, StateLoading);
  set_text(app, IdSetLine, "Now loadding...");
  set_text(app, IdSizeLine, "");
  set_text(app, IdStatusText, "");
  set_text(app, IdElapsed, "0 sec");
  set_text(app, IdCounter, "");
  set_text(app, IdLevelEdit, "");
  draw_wait_screen(app.platform.canvas);
  app.platform.canvas.repaint(app.platform.canvas.context);
}

namespace {

// The failures that "Load Error!!" alone would leave unexplained get a
// message box with their reason; a source without levels or one that
// cannot be read keeps the plain "Load Error!!".
void explain_load_error(App& app) {
  int32_t failure = app.store.failure;
  if (failure == IntakeNoLevels || failure == IntakeSource) return;
  const char* label = app.store.sourcePath[0] ? app.store.sourcePath : "the text";
  char text[IntakeTextCapacity];
  intake_failure_text(app.store, label, text, sizeof text);
  message(app, text, IconError);
}

}  // namespace

void show_loaded_set(App& app) {
  if (app.jobResult == 0) {
    // The set is gone, and with it any solution of its levels.
    clear_solve_results(app.solver);
    viewer_reset(app.viewer, app.level, app.text, 0);
    refresh_enable_state(app);
    set_text(app, IdSetLine, "Load Error!!");
    set_text(app, IdSizeLine, "");
    set_text(app, IdStatusText, "");
    set_text(app, IdLevelEdit, "");
    app.store.highest = 0;
    app.store.levelCount = 0;
    draw_question_screen(app.platform.canvas);
    app.platform.canvas.repaint(app.platform.canvas.context);
    explain_load_error(app);
  } else {
    refresh_enable_state(app);
    char line[LineCapacity];
    if (app.store.levelCount >= 2)
      std::snprintf(line, sizeof line, "%s (%d levles)", app.store.setName,
                    app.store.levelCount);
    else
      std::snprintf(line, sizeof line, "%s", app.store.setName);
    set_text(app, IdSetLine, line);
    app.currentLevel = 1;
    show_level(app);
  }
  set_text(app, IdElapsed, "0 sec");
  set_text(app, IdCounter, "");
}

// ---------------------------------------------------------------- levels

void show_level(App& app) {
  Level& level = app.level;
  app.currentStatus = select_level(app.solver, level, app.store.workDir, app.currentLevel);
  display_level(app);
}

void display_level(App& app) {
  Level& level = app.level;
  viewer_reset(app.viewer, level, app.text, 0);
  refresh_enable_state(app);
  char line[LineCapacity];
  if (std::strcmp(app.store.setName, "Sample") == 0) {
    std::snprintf(line, sizeof line, "%s (%dlevels)   %s", app.store.setName,
                  app.store.levelCount, sample_level_name(app.currentLevel));
    set_text(app, IdSetLine, line);
  }
  std::snprintf(line, sizeof line, "%d", app.currentLevel);
  set_text(app, IdLevelEdit, line);
  std::snprintf(line, sizeof line, "   [%3d *%3d (%2d) ]", level.width, level.height,
                level.totalBoxes);
  set_text(app, IdSizeLine, line);
  line[0] = '\0';
  if (app.currentStatus == LevelOk) {
    if (level.liveBoxes != level.totalBoxes)
      std::snprintf(line, sizeof line, "Boxes = %d", level.liveBoxes);
  } else {
    std::snprintf(line, sizeof line, "%s", level_status_word(app.currentStatus));
  }
  set_text(app, IdStatusText, line);
  set_text(app, IdElapsed, "");
  set_text(app, IdCounter, "");
  reset_counters(app);
  draw_board(app.platform.canvas, app.view, app.viewer, level, app.currentStatus);
}

// ---------------------------------------------------------------- solving

void begin_solve_display(App& app) {
  app.solver.beginWithEnd = app.settings.beginWithEnd;
  set_state(app, StateSolving);
  app.platform.start_timer(app.platform.context, ProgressTimer, SolveTimerIntervalMs);
}

void finish_solve(App& app) {
  app.platform.stop_timer(app.platform.context, ProgressTimer);
  app.solver.cancel.store(0, std::memory_order_relaxed);
  viewer_reset(app.viewer, app.level, app.text, 0);
  if (app.jobResult == SolveSolved) {
    app.viewer.length = app.solver.solutionLength;
    set_counter_text(app);
    if (app.settings.hideLastMoves) mask_last_moves(app.text, app.solver.solutionLength);
  } else {
    app.text[0] = '\0';
  }
  char line[LineCapacity];
  std::snprintf(line, sizeof line, "%4d sec",
                app.solver.progress.seconds.load(std::memory_order_relaxed));
  set_text(app, IdElapsed, line);
  app.platform.sleep(app.platform.context, FinishSolveWaitMs);
  refresh_progress_bars(app);
  refresh_enable_state(app);
  switch (app.jobResult) {
    case SolveImpossible: message(app, " Impossible.", IconError); break;
    case SolveTableFull: message(app, " Failed(C).", IconWarning); break;
    case SolveQueueFull: message(app, " Failed(Q).", IconWarning); break;
    case SolveCanceled: message(app, " Canceled.", IconWarning); break;
    default: break;
  }
}

// ---------------------------------------------------------------- text dialog

void prepare_text_dialog(App& app) {
  TextDialog& dialog = app.textDialog;
  dialog.mode = app.dialogMode;
  if (dialog.mode == PasteMode) {
    std::snprintf(dialog.headline, sizeof dialog.headline, "Paste the level in text format.");
    dialog.notice[0] = '\0';
    dialog.body[0] = '\0';
    return;
  }
  std::snprintf(dialog.headline, sizeof dialog.headline, "Solved. Mimimum moves are %d moves.",
                app.solver.solutionLength);
  std::snprintf(dialog.notice, sizeof dialog.notice, "%s",
                app.settings.hideLastMoves ? HiddenNoticeText : "");
  solution_text(app.text, app.solver.traceOver, dialog.body);
}

int32_t run_text_dialog(App& app) {
  prepare_text_dialog(app);
  app.pasted[0] = '\0';
  int32_t closed = app.platform.run_text_dialog(app.platform.context, app.textDialog,
                                                app.pasted, PasteCapacity + 1);
  if (app.dialogMode != PasteMode || !closed || app.pasted[0] == '\0') return 0;
  take_pasted(app);
  return 1;
}

int32_t paste_shortcut(App& app) {
  const Platform& p = app.platform;
  if (p.clipboard_text == nullptr || app.state != StateIdle) return 0;
  int32_t on[EnableCount];
  compute_enable_table(app, on);
  if (!on[IdText - FirstCommandId]) return 0;
  if (p.focused != nullptr && p.focused(p.context) == IdLevelEdit) return 0;
  // What Close would hand over: the text cut as the text dialog cuts it.
  app.pasted[0] = '\0';
  if (!p.clipboard_text(p.context, app.pasted, PasteCapacity + 1)) return 0;
  app.pasted[PasteCapacity] = '\0';
  if (!holds_level_line(app.pasted)) return 0;
  take_pasted(app);
  load_pasted(app);
  return 1;
}

// ---------------------------------------------------------------- viewer

void viewer_command_top(App& app) {
  viewer_top(app.viewer, app.level);
  draw_board(app.platform.canvas, app.view, app.viewer, app.level, LevelOk);
  set_counter_text(app);
  refresh_enable_state(app);
}

namespace {

// Shows a step the viewer has taken, forward or back.
void show_step(App& app, const ViewStep& step) {
  if (!step.moved) return;
  redraw_board(app.platform.canvas, app.view, app.viewer, step.facing, step.scroll);
  set_counter_text(app);
  refresh_enable_state(app);
}

}  // namespace

void viewer_command_forward(App& app) { show_step(app, viewer_step_forward(app.viewer)); }

void viewer_command_back(App& app) { show_step(app, viewer_step_back(app.viewer)); }

void viewer_command_play(App& app) {
  app.viewer.playing = 1;
  set_state(app, StateReplaying);
  app.platform.start_timer(app.platform.context, PlayTimer,
                           trace_step_ms(app.settings.traceSpeed));
}

void viewer_command_pause(App& app) {
  app.platform.stop_timer(app.platform.context, PlayTimer);
  app.viewer.playing = 0;
  set_state(app, StateIdle);
}

}  // namespace vk
