// What the dialog logic's sources share beyond app.h: the steps behind the
// commands, the displays they refresh, the enable rules and the worker's
// side of a job. The shells never call these; the tests may.
#pragma once

#include <cstdint>

#include "app/app.h"

namespace vk {

constexpr char FolderPickerTitle[] = "Select Folder Type";
constexpr char HiddenNoticeText[] = "Last 20 moves are hidden.";
constexpr int32_t LineCapacity = 128;   // one information line
constexpr int32_t FinishSolveWaitMs = 200;
// The solve timer refreshes the seconds and the bars this often.
constexpr int32_t SolveTimerIntervalMs = 200;

// ---------------------------------------------------------------- platform

inline void set_text(App& app, int32_t id, const char* text) {
  app.platform.set_text(app.platform.context, id, text);
}
inline void message(App& app, const char* text, int32_t icon) {
  app.platform.message_box(app.platform.context, DialogCaption, text, icon);
}
// Sets the job kind and starts the worker thread on it.
void start_worker(App& app, int32_t kind);
// The trace viewer's "%4d/%4d" counter.
void set_counter_text(App& app);

// ---------------------------------------------------------------- the dialog

// The welcome screen on the canvas, naming the box limit of the search
// chosen; also sets the hidden-moves notice. Set-up and the hidden switch
// turn the begin-with-end setting on with it; a change of search does not,
// for the same OK may have just set it.
void show_startup_screen(App& app);

// Sets the enabled state of controls 1001 to 1014 by the enable rules and
// keeps the keyboard focus safe (focus_after_disable).
void refresh_enable_state(App& app);
void compute_enable_table(const App& app, int32_t* enabled);
// Where the focus goes when the enable table `enabled` has just been
// applied and control `focused` (0 for none) held it: KeepFocus while that
// control is still enabled or is none of 1001 to 1014; else the first
// enabled trace viewer button of Play, "->", "<-" and Top; else 0, no
// control. Never a loader and never the level number box, so a stray Space
// or Enter can neither reload a set nor read the level again (which would
// throw the solution away).
constexpr int32_t KeepFocus = -1;
int32_t focus_after_disable(const int32_t* enabled, int32_t focused);

void refresh_progress(App& app);
void refresh_progress_bars(App& app);

void show_loading(App& app);
void show_loaded_set(App& app);
void show_level(App& app);
// Shows the level already read, with its status in currentStatus.
void display_level(App& app);
void begin_solve_display(App& app);
void finish_solve(App& app);

// The text dialog in the current dialogMode: fills textDialog, runs it, and
// in PasteMode hands a non-empty text over into the text buffer. 1 when
// something was pasted.
int32_t run_text_dialog(App& app);
void prepare_text_dialog(App& app);

// ---------------------------------------------------------------- options

// The dialog's opening state; clears the batch flag.
void options_open(App& app, OptionsDialog& dialog);
// The save dialog for the report path, with the default extension of the
// filter's first pattern added when the chosen name has none.
int32_t pick_report_file(App& app, char* path, int32_t capacity, const char* filter);
// Adds the first pattern's extension to path when its file name has no "."
// and the pattern's "." is not followed by "*"; filter as in pick_save_file.
void add_default_extension(char* path, int32_t capacity, const char* filter);

// ---------------------------------------------------------------- viewer

void viewer_command_top(App& app);
void viewer_command_forward(App& app);
void viewer_command_back(App& app);
void viewer_command_play(App& app);
void viewer_command_pause(App& app);

// ---------------------------------------------------------------- the worker

// The job of jobKind; stores jobResult.
void run_job(App& app);
// The batch's closing step on the GUI thread: flags, the Option button's
// caption, the current level, and the finished or canceled message box.
void finish_batch(App& app);

}  // namespace vk
