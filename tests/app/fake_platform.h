// A platform layer that records what the dialog logic asks of it: control
// texts and enabled states, message boxes, timers, the tiles on the
// canvas, and the text dialog's contents. Pickers and the text dialog
// answer from scripted replies; the worker runs only when the test says.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_internal.h"

namespace vk {

// Levels the dialog tests load. A corridor whose solution is 5 steps right
// and one push:
inline constexpr char Corridor[] =
    "##########\n"
    "#@     $.#\n"
    "##########\n";
// Nine live boxes: "Boxes Over" under the plain search's limit of 8.
inline constexpr char NineBoxes[] =
    "#############\n"
    "#           #\n"
    "# $$$$$$$$$ #\n"
    "# ......... #\n"
    "#@          #\n"
    "#############\n";

struct FakePlatform {
  struct Message {
    std::string caption;
    std::string text;
    int32_t icon;
  };
  struct TextReply {
    int32_t closed;     // 1: left with Close
    std::string text;   // the edit box's text then
  };

  std::map<int32_t, std::string> texts;
  std::map<int32_t, std::vector<std::string>> history;
  std::map<int32_t, int32_t> enabled;
  std::map<int32_t, int32_t> progress;
  std::map<int32_t, int32_t> checks;
  std::vector<Message> messages;
  std::map<int32_t, int32_t> timers;  // running timers and their intervals
  std::vector<int32_t> sleeps;
  TileRef tiles[ViewportRows][ViewportColumns] = {};
  int32_t tileCopies = 0;
  int32_t repaints = 0;
  int32_t splashes = 0;
  std::vector<std::string> canvasTexts;

  std::string filePick;    // "" cancels the picker
  std::string folderPick;
  std::deque<TextReply> textReplies;  // empty: closed by the close box
  std::vector<TextDialog> dialogsShown;

  // The Options dialog: the user's actions while it is open. Without a
  // script it is closed by its close box at once.
  std::function<void(FakePlatform&, OptionsDialog&)> optionsScript;
  std::vector<OptionsDialog> optionsShown;  // each as it opened
  std::string savePick;                      // "" cancels the save dialog
  std::string saveTitle;
  std::string saveFilter;                    // the pairs, joined with '|'

  // Presses of Cancel during a batch, as the user would make them: when
  // the progress timer starts (during a solve), or at the given sleep
  // (during a replay), counted from 1; 0 for never.
  int32_t cancelOnProgress = 0;
  int32_t cancelOnSleep = 0;

  // The keyboard focus: the control id holding it, 0 for none. Disabling
  // the focused control moves it on to the next enabled one in id order,
  // as the windowing systems do.
  int32_t focus = 0;
  std::string clipboard;  // "" holds no text
  // The Options dialog's location line is this many characters wide;
  // elide_path records the controls it was asked about.
  int32_t lineChars = 60;
  std::vector<std::pair<int32_t, int32_t>> elided;

  // end_program: how often it was called, and whether the worker was
  // left behind the last time.
  int32_t ended = 0;
  int32_t abandoned = 0;

  int32_t workerPending = 0;
  int32_t workersStarted = 0;
  int32_t handBacks = 0;
  App* app = nullptr;

  Platform platform();

  std::string text(int32_t id) const {
    auto found = texts.find(id);
    return found == texts.end() ? "" : found->second;
  }
  int32_t on(int32_t id) const {
    auto found = enabled.find(id);
    return found == enabled.end() ? -1 : found->second;
  }
  TileRef tile(int32_t column, int32_t row) const { return tiles[row][column]; }
  // The enabled state of controls 1001 to 1014 as a string of 0 and 1.
  std::string enable_string() const {
    std::string s;
    for (int32_t id = FirstCommandId; id <= LastCommandId; ++id) s += on(id) == 1 ? '1' : '0';
    return s;
  }
  // In the Options dialog: a press, or a tick set as the user would. 1
  // when the dialog is to close.
  int32_t press_option(OptionsDialog& dialog, int32_t id) {
    return options_command(*app, dialog, id);
  }
  int32_t tick_option(OptionsDialog& dialog, int32_t id, int32_t checked);

  // Runs the pending worker job and its hand-back, as the worker thread would.
  void run_worker();
};

// A fresh App over a fake platform and a work folder of its own.
struct FakeApp {
  FakePlatform fake;
  std::unique_ptr<App> owned = std::make_unique<App>();
  App& app = *owned;
  explicit FakeApp(const std::string& workDir);
  int32_t press(int32_t id) { return dialog_command(app, id); }
};

}  // namespace vk
