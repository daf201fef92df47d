// The main dialog's logic without any toolkit: the application state, the
// controls and their places, the command table, the enable rules, the
// information line, the worker-thread protocol and the trace viewer's
// buttons. It reaches the screen only through the Platform calls.
#pragma once

#include <cstdint>

#include "app/platform.h"
#include "batch/batch.h"
#include "level/level.h"
#include "program/program.h"
#include "solver/solver.h"
#include "view/view.h"

namespace vk {

// ---------------------------------------------------------------- controls

enum ControlId : int32_t {
  MainDialogId = 101,  // the main dialog itself: its caption
  IdSample = 1001,
  IdText = 1002,
  IdFile = 1003,
  IdFolder = 1004,
  IdPrev = 1005,
  IdLevelEdit = 1006,
  IdGo = 1007,
  IdNext = 1008,
  IdSolve = 1009,
  IdTop = 1010,
  IdBack = 1011,
  IdPlay = 1012,
  IdForward = 1013,
  IdOption = 1014,
  IdCanvasFrame = 1015,
  IdSetLine = 1016,
  IdSizeLine = 1017,
  IdStatusText = 1018,
  IdElapsed = 1019,
  IdCounter = 1020,
  IdHiddenNotice = 1021,
  IdLoaderGroup = 1022,
  IdSelectorGroup = 1023,
  IdSolverGroup = 1024,
  IdViewerGroup = 1025,
  IdBatchGroup = 1026,
  IdCellBar = 1027,
  IdQueueBar = 1028,
  IdCellLabel = 1030,
  IdQueueLabel = 1031,
};

// Characters of the level number box that Go reads; the box holds no more.
constexpr int32_t GoDigits = 5;

// The controls 1001 to 1014 whose enabled state the enable rules set.
constexpr int32_t FirstCommandId = IdSample;
constexpr int32_t LastCommandId = IdOption;
constexpr int32_t EnableCount = LastCommandId - FirstCommandId + 1;

enum ControlKind : int32_t {
  GroupBox,
  PushButton,
  DefaultButton,  // Enter presses it
  NumberEdit,     // digits only, right-aligned, with a border
  StaticLeft,
  StaticRight,
  StaticCentre,
  BlackFrame,
  ProgressBar,
  CheckBox,       // an automatic check box
  RadioFirst,     // an automatic radio button that starts its group
  RadioButton,    // an automatic radio button of the group before it
  ReadOnlyEdit,   // one line, scrolls, shown as the system shows a read-only edit
};

constexpr int32_t DefaultColour = -1;
constexpr int32_t NoControlId = -1;  // a label nobody addresses

// One control of a dialog: the main dialog's in client pixels, the Options
// dialog's in dialog units of its font.
struct ControlSpec {
  int32_t id;
  int32_t kind;
  const char* caption;
  int32_t x, y, width, height;
  int32_t colour;               // text colour 0xRRGGBB, or DefaultColour
};

// Every control of the main dialog, in lay-out order.
constexpr int32_t ControlCount = 30;
extern const ControlSpec MainControls[ControlCount];
const ControlSpec* find_control(int32_t id);

// The fit rule of every text of the three dialogs, for both shells: a text
// is drawn at its dialog's point size when it fits its control there, else
// at the largest smaller size at which it fits, never below
// SmallestTextPoints (smaller is no longer readable). room(context, points)
// measures, in the shell's own font, the pixels the control has to spare
// at a size: negative when the text would be clipped.
constexpr int32_t SmallestTextPoints = 6;
// The point sizes the dialogs were laid out for: the main dialog's, and
// the text dialog's fixed-pitch one (the Options dialog's is
// OptionsFontPoints).
constexpr int32_t MainDialogPoints = 10;
constexpr int32_t TextDialogPoints = 11;
int32_t fit_points(int32_t points, int32_t (*room)(void* context, int32_t points), void* context);

// The progress bars: ranges, and colours 0xRRGGBB.
constexpr int32_t CellBarRange = 14000;
constexpr int32_t QueueBarRange = 8000;
constexpr uint32_t CellBarColour = 0x008C00;
constexpr uint32_t QueueBarColour = 0xC80000;
constexpr uint32_t BarBackground = 0xFFFFF0;

// The canvas in the client area.
constexpr int32_t CanvasLeft = 12;
constexpr int32_t CanvasTop = 88;

// Window placement in the screen's work area. frameWidth and frameHeight
// are the whole differences between the window's and the client area's
// sizes; the result is the window's top-left corner and the client size.
struct WindowPlacement {
  int32_t x, y;
  int32_t clientWidth, clientHeight;
};
WindowPlacement place_main_window(int32_t frameWidth, int32_t frameHeight, int32_t workRight,
                                  int32_t workBottom);

// ---------------------------------------------------------------- state

enum JobKind : int32_t { NoJob = 0, JobFile = 1, JobFolder = 2, JobSolve = 3, JobBatch = 4 };

constexpr char DialogCaption[] = "Vantori Kelmora";

// The dialog's state, one value, which set_state alone changes; the enable
// table, the three buttons' captions, the close rule, the drop rule and
// Ctrl+V are computed from it:
//
//   StateIdle       the idle rules: loaders, level selection, Solve for a
//                   level with status LevelOk, the viewer buttons where a
//                   step can be made, Option. Drops and Ctrl+V load.
//   StateLoading    nothing is enabled: an intake cannot be cancelled.
//   StateSolving    Solve ("Cancel") alone is enabled.
//   StateBatch      Option ("Cancel") alone is enabled.
//   StateReplaying  Play ("Pause") alone is enabled.
//   StateHandBack   a finished job's worker waits while its results are
//                   shown (message boxes, the solution): the idle table,
//                   but nothing starts a job until the worker is gone.
//   StateClosing    the window is closing: nothing is enabled, and the
//                   job still running shows nothing.
//
// Transitions, each naming the function behind it:
//
//   Idle      -> Loading    File, Folder, a drop or a path named at start:
//                           show_loading, then the worker's intake (Sample
//                           and Text load at once on the GUI thread)
//   Idle      -> Solving    Solve: begin_solve_display, then the worker
//   Idle      -> Batch      "BATCH  START" in Options: on_option starts the
//                           worker's run_batch
//   Idle      -> Replaying  Play: viewer_command_play
//   Replaying -> Idle       Pause, or the last visible move: viewer_command_pause
//   Loading, Solving, Batch -> HandBack
//                           job_done, on the worker's hand-back
//   HandBack  -> Idle       job_done, when show_loaded_set, finish_solve and
//                           the solution dialog, or finish_batch, are done
//   any       -> Closing    dialog_close (the close box)
enum DialogState : int32_t {
  StateIdle = 0,
  StateLoading = 1,
  StateSolving = 2,
  StateBatch = 3,
  StateReplaying = 4,
  StateHandBack = 5,
  StateClosing = 6,
};

struct App {
  Platform platform;
  LevelStore store;
  Level level;
  Solver solver;  // its cancel flag is the application's
  TraceViewer viewer;
  BoardView view;
  Settings settings;
  int64_t tableMemory;  // bytes of the search tables the solver uses

  // Pasted text or the sample text during an intake, else the move trace.
  char text[TextBufferSize];
  char pasted[TextBufferSize];  // what the text dialog hands over
  char filePath[PathCapacity + 1];
  char folderPath[PathCapacity + 1];

  int32_t jobKind;
  int32_t jobResult;   // written by the worker, read after the hand-back
  int32_t currentLevel;
  int32_t currentStatus;

  int32_t state;  // DialogState, on the GUI thread only
  const char* startPath;  // a level file or folder named at start (argv's), or nullptr

  Batch run;  // the batch: its report file, counts and times
  int32_t replayMore;  // a batch replay's last step left a move to replay

  int32_t dialogMode;  // TextDialogMode of the text dialog
  int32_t enabled[EnableCount];  // controls 1001 to 1014
  TextDialog textDialog;
};

// Sets the state to its start values around the given platform, with
// tables of the default size; workDir nullptr takes the default work
// folder. 0 when the work folder cannot be set. The search tables are
// reserved by the first solve unless app_reserve_tables reserved them.
int32_t app_init(App& app, const Platform& platform, const char* workDir);

// ---------------------------------------------------------------- command line

// What the desktop program's command line asks for. Both shells read it
// with read_desktop_options; the Qt shell once more after the toolkit has
// taken its own options (-platform, -style, ...) out of argv.
enum DesktopRequest : int32_t { RunWindow = 0, ShowHelp = 1, ShowVersion = 2, BadOption = 3 };
constexpr int32_t RefusalCapacity = 80;
constexpr int32_t UsageCapacity = 2048;
constexpr int32_t DesktopUsageStatus = 2;  // the exit status of a usage error

struct DesktopOptions {
  int64_t memory;      // --memory SIZE, DefaultMemory without it
  int32_t guided;      // --guided
  const char* path;    // the level file or folder named, nullptr for none
  char refusal[RefusalCapacity];  // what is wrong, for BadOption
};

// Reads argv into options. strict 0 (before the toolkit has seen argv)
// answers only --help, -h, --version and a bad --memory and leaves every
// other argument alone; strict 1 also refuses an unknown option and more
// than one path.
int32_t read_desktop_options(int argc, char* const* argv, DesktopOptions& options, int32_t strict);

// The desktop program's usage text, for a terminal (lines of at most 79
// characters) or a message box (which wraps by itself: one line per
// paragraph and option). storePlace names the level store's folder as the
// system's user knows it; toolkitNote, when not null, ends the text.
enum UsageLayout : int32_t { UsageForTerminal = 0, UsageForBox = 1 };
void desktop_usage(int32_t layout, const char* storePlace, const char* toolkitNote, char* out,
                   int32_t capacity);

// Reserves the search tables of memory bytes for the dialog's solves, now,
// so that tables the machine cannot give are refused at start rather than
// by a kill later; the bars are then full at their limits. 0 when they
// cannot be had, with the message box's text in refusal (RefusalCapacity
// bytes); the program then ends.
int32_t app_reserve_tables(App& app, int64_t memory, char* refusal);

// The guided search and the path named at start, from the options.
void app_take_options(App& app, const DesktopOptions& options);

// ---------------------------------------------------------------- the dialog

// Dialog set-up after the controls exist: caption, texts, progress bars,
// start-up screen, enable state.
void dialog_setup(App& app);

// A button press or edit notification. 1 when the id is one of 1001 to
// 1014, else 0.
int32_t dialog_command(App& app, int32_t id);

// Sets the dialog's state and refreshes what follows from it: the enable
// table and the captions of Solve, Play and Option.
void set_state(App& app, int32_t state);

// The close box: the program ends at once (Platform end_program). A
// running solve is cancelled first; a running batch is cancelled and the
// program ends when its worker hands back, once the report has its footer.
void dialog_close(App& app);

// Keys the main dialog sees before its controls act on them. KeyEnter: 1
// when it is to do nothing (no control holds the focus, so the default
// button Go would read the level again and throw a solution away), 0 when
// the windowing system goes on as usual. KeyPaste: Ctrl+V as
// paste_shortcut; 0 when the level number box holds the focus, which then
// pastes by itself.
enum DialogKey : int32_t { KeyEnter = 1, KeyPaste = 2 };
int32_t dialog_key(App& app, int32_t key);

// The level file or folder named on the command line, loaded as a drop
// would be once the window shows. Nothing without one.
void open_start_path(App& app);

// A level file or folder dropped onto the window. What it would load:
// JobFolder for a folder, JobFile for a regular file (a symbolic link
// counts as what it names), NoJob for anything else, a missing path, or one
// longer than PathCapacity.
int32_t drop_kind(const char* path);
// 1 when a drop would be taken now: the dialog is idle and File and
// Folder are enabled.
int32_t drop_allowed(const App& app);
// Loads the path as Folder (isFolder 1) or File (isFolder 0) does once its
// picker has returned that path. 0 when the drop is refused: not allowed
// now, or an empty or too long path.
int32_t drop_path(App& app, const char* path, int32_t isFolder);

// A tick of timer ProgressTimer or PlayTimer.
void timer_tick(App& app, int32_t timer);

// Ctrl+V on the main dialog: loads the clipboard's text exactly as Text
// followed by Close would, when the dialog is idle, the level number
// box does not hold the focus (there Ctrl+V pastes a number) and the text
// holds at least one level line. Otherwise it does nothing, so a stray
// Ctrl+V never empties the loaded set. 1 when it loaded.
int32_t paste_shortcut(App& app);
// ---------------------------------------------------------------- options

enum OptionsControlId : int32_t {
  OptionsDialogId = 105,
  OptBrowse = 1001,
  OptStart = 1002,
  OptOk = 1003,
  OptPath = 1006,
  OptTitle = 1016,
  OptSetLine = 1017,
  OptLimits = 1018,
  OptLocation = 1019,
  OptPlay = 1033,
  OptReport = 1034,
  OptSlow = 1035,
  OptNomal = 1036,
  OptFast = 1037,
  OptBeginWithEnd = 1038,
  OptGuided = 1039,
};

// The Options dialog in dialog units of its font, and its controls in
// template order (the tab order): both shells build it from this table.
constexpr char OptionsCaption[] = "Options";
constexpr int32_t OptionsWidthUnits = 236;
constexpr int32_t OptionsHeightUnits = 176;
constexpr int32_t OptionsFontPoints = 11;
constexpr int32_t OptionsControlCount = 22;
extern const ControlSpec OptionsControls[OptionsControlCount];
const ControlSpec* find_options_control(int32_t id);

constexpr char SaveDialogTitle[] = "save as";
// The report filter: description "*.txt", pattern "*.txt", and the end.
constexpr char ReportFilter[] = "*.txt\0*.txt\0";
constexpr char CannotOpenReport[] = " Can't open output file.";
constexpr int32_t OptionsLineCapacity = 128;
constexpr char LocationPrefix[] = "Loaded Levels are stored in ";
constexpr int32_t LocationCapacity = StorePathCapacity + 40;

// The Options dialog on screen: the ticks as the user leaves them, which
// controls are enabled, and the texts. options_open fills it in; the shell
// shows it and hands the user's changes to options_command.
struct OptionsDialog {
  int32_t play;          // 1033 ticked
  int32_t report;        // 1034 ticked
  int32_t speed;         // the ticked radio button's speed, -1 for none
  int32_t beginWithEnd;  // 1038 ticked
  int32_t guided;        // 1039 ticked
  int32_t playOn, reportOn, pathOn, browseOn, startOn;  // enabled: 1033 1034 1006 1001 1002
  int32_t done;          // 1 once the dialog is to close
  int32_t startBatch;    // 1 once "BATCH  START" has set up a batch
  char title[OptionsLineCapacity];    // 1016
  char setLine[OptionsLineCapacity];  // 1017
  char limits[OptionsLineCapacity];   // 1018
  char location[LocationCapacity];    // 1019, its path shortened to fit
  char locationTip[StorePathCapacity];  // 1019's tooltip: the whole work folder path
  char path[StorePathCapacity];       // 1006, the report path (read-only)
};

// A button press or a tick change by id. Returns 1 when the dialog is to
// close (dialog.done is then set too); the close box just ends it.
int32_t options_command(App& app, OptionsDialog& dialog, int32_t id);

// ---------------------------------------------------------------- the worker

// The worker thread's whole life: runs the job, hands back, returns.
void worker_main(App& app);
// The job-done message, on the GUI thread.
void job_done(App& app);

}  // namespace vk
