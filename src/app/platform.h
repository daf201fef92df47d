// The platform layer: everything the dialog logic asks of the windowing
// system, as a table of plain calls with a context. The desktop shell fills
// it in with its widgets; the tests fill it in with a fake that records.
//
// Every call is made on the GUI thread, except those the worker thread
// makes: hand_back at the end of its job, and during a batch call_on_gui
// (which brings every display call of the batch to the GUI thread) and
// sleep between replay steps.
#pragma once

#include <cstdint>

#include "view/view.h"

namespace vk {

enum MessageIcon : int32_t { IconError = 1, IconWarning = 2, IconInformation = 3 };

enum TimerId : int32_t { ProgressTimer = 1, PlayTimer = 2 };

struct OptionsDialog;

enum TextDialogMode : int32_t { PasteMode = 0, SolutionMode = 1 };

constexpr int32_t HeadlineCapacity = 64;
constexpr int32_t NoticeCapacity = 32;

// What the text dialog shows when it opens.
struct TextDialog {
  int32_t mode;                    // PasteMode or SolutionMode
  char headline[HeadlineCapacity];  // control 1016
  char notice[NoticeCapacity];      // control 1017, red
  char body[SolutionTextSize];      // the edit box: empty to paste, or the solution text
};

struct Platform {
  void* context;

  // Controls by id; the main dialog's caption is id MainDialogId.
  void (*set_text)(void* context, int32_t id, const char* text);
  // At most capacity - 1 characters of the control's text, terminated.
  void (*get_text)(void* context, int32_t id, char* out, int32_t capacity);
  void (*enable)(void* context, int32_t id, int32_t enabled);
  void (*set_check)(void* context, int32_t id, int32_t checked);
  int32_t (*get_check)(void* context, int32_t id);
  void (*set_progress)(void* context, int32_t id, int32_t position);

  // A modal message box; returns when the user has closed it.
  void (*message_box)(void* context, const char* caption, const char* text, int32_t icon);

  // Timer ticks arrive as timer_tick on the GUI thread.
  void (*start_timer)(void* context, int32_t timer, int32_t milliseconds);
  void (*stop_timer)(void* context, int32_t timer);
  // Blocks the calling thread.
  void (*sleep)(void* context, int32_t milliseconds);

  // The board area.
  Canvas canvas;

  // The pickers: 1 when something was chosen and its path stands in path.
  int32_t (*pick_level_file)(void* context, char* path, int32_t capacity, const char* filter);
  int32_t (*pick_level_folder)(void* context, char* path, int32_t capacity, const char* title);

  // Runs the text dialog modally. Returns 1 when it was left with its Close
  // button, and then pasted holds the edit box's text (at most capacity - 1
  // characters, terminated); 0 when it was closed by its close box.
  int32_t (*run_text_dialog)(void* context, const TextDialog& dialog, char* pasted,
                             int32_t capacity);

  // Runs the Options dialog modally on the state options_open filled in:
  // the shell shows it, keeps its ticks up to date as the user clicks, and
  // passes every button and tick change to options_command; it ends when
  // options_command says so or by the close box, which stores nothing.
  // May be null while there is no such dialog.
  void (*run_options_dialog)(void* context, OptionsDialog& dialog);
  // The save dialog: title, the filter as description and pattern pairs
  // ending with an empty string, path as the initial and the chosen name.
  // 1 when a name was chosen. May be null: nothing can be chosen.
  int32_t (*pick_save_file)(void* context, char* path, int32_t capacity, const char* filter,
                            const char* title);

  // Ends the program now: the window goes and the process ends. With
  // abandonWorker 1 a worker still running (an intake that may never end)
  // is left behind and ends with the process; with 0 any worker has been
  // cancelled or has handed back, and the shell may let it finish.
  void (*end_program)(void* context, int32_t abandonWorker);

  // Starts the worker thread, which runs worker_main and then ends.
  void (*start_worker)(void* context);
  // Called by the worker thread during a batch: runs fn(arg) on the GUI
  // thread and returns when it has finished. Null: fn runs right away.
  void (*call_on_gui)(void* context, void (*fn)(void* arg), void* arg);
  // Called by the worker thread: runs job_done on the GUI thread and
  // returns only when it has finished.
  void (*hand_back)(void* context);

  // The keyboard focus of the main dialog. focused: the id of the control
  // that holds it (the one that has it when the dialog is active again, if
  // another window is active now), 0 when no control does. set_focus gives
  // it to control id, or with id 0 to the dialog itself, so that no control
  // holds it and Space and Enter press nothing. When a focused control is
  // disabled the windowing system moves the focus on by itself; the dialog
  // logic asks before and sets it after. Both may be null: no focus to keep.
  int32_t (*focused)(void* context);
  void (*set_focus)(void* context, int32_t id);

  // The clipboard's text, at most capacity - 1 bytes of it, terminated.
  // 0 when it holds no text. May be null: there is no clipboard.
  int32_t (*clipboard_text)(void* context, char* out, int32_t capacity);

  // What a one-line static of a dialog shows for prefix followed by path:
  // the whole of both when they fit the control's width in the font it is
  // drawn with, else prefix and path with characters taken from the middle
  // of path and replaced by "...", as few as make it fit. dialog is the
  // dialog's resource id, id the control's. The result goes to out, at
  // most capacity - 1 bytes, terminated. May be null: the whole text.
  void (*elide_path)(void* context, int32_t dialog, int32_t id, const char* prefix,
                     const char* path, char* out, int32_t capacity);
};

}  // namespace vk
