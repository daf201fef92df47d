// The main dialog's logic through the fake platform: enable rules, the
// information line, level selection, solving and its outcomes, the trace
// viewer's buttons, and files and folders dropped onto the window.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialog_fixture.h"

namespace vk {

namespace {

// Enable strings list controls 1001 to 1014:
// Sample Text File Folder | Prev Edit Go Next | Solve | Top <- Play -> | Option
constexpr char StartUp[] = "11110000000001";
constexpr char AllOff[] = "00000000000000";
constexpr char SolvingOnly[] = "00000000100000";

// One level of each LevelStatus, and a frozen box on a goal.
std::string status_set() {
  std::string bigRow = "#" + std::string(48, ' ') + "#\n";
  std::string big = std::string(50, '#') + "\n";
  big += "#@$" + std::string(45, ' ') + ".#\n";
  for (int i = 0; i < 39; ++i) big += bigRow;
  big += std::string(50, '#') + "\n";  // 50 x 42 = 2100 cells
  std::string nine = NineBoxes;
  std::string open =
      "#####\n"
      "#@$.\n"
      "#####\n";
  std::string corner =
      "######\n"
      "#$   #\n"
      "#  @.#\n"
      "######\n";
  std::string frozen =
      "#######\n"
      "#*    #\n"
      "#@$  .#\n"
      "#######\n";
  return std::string(Corridor) + "\n" + big + "\n" + nine + "\n" + open + "\n" + corner + "\n" +
         frozen;
}

struct Dialog : DialogFixture {
  void go(const std::string& number) {
    fake.texts[IdLevelEdit] = number;
    f.press(IdGo);
  }
  // Ends a solve that the test pretends ran, with the given outcome.
  void finish_pretended_solve(int32_t status, const char* trace, int32_t length) {
    start_pretended_solve();
    if (HasFatalFailure()) return;
    std::strcpy(app.text, trace);
    app.solver.solutionLength = length;
    app.jobResult = status;
    job_done(app);
  }
};

TEST_F(Dialog, StartUpState) {
  EXPECT_EQ(fake.text(MainDialogId), TitleText);
  EXPECT_EQ(fake.text(IdSetLine), "Levels is not loaded.");
  EXPECT_EQ(fake.text(IdElapsed), "0 sec");
  EXPECT_EQ(fake.text(IdHiddenNotice), "Last 20 moves are hidden.");
  EXPECT_EQ(fake.text(IdLevelEdit), "");
  EXPECT_EQ(fake.enable_string(), StartUp);
  EXPECT_EQ(fake.progress[IdCellBar], 0);
  EXPECT_EQ(fake.progress[IdQueueBar], 0);
  // The start-up screen: grey backdrop, texts and the splash picture.
  EXPECT_EQ(fake.tile(0, 0).column, TileGrey);
  EXPECT_EQ(fake.splashes, 1);
  EXPECT_EQ(fake.canvasTexts.size(), 10u);
  EXPECT_EQ(app.settings.beginWithEnd, 1);
  // Ids outside 1001 to 1014 are not commands.
  EXPECT_EQ(f.press(1000), 0);
  EXPECT_EQ(f.press(1015), 0);
  EXPECT_EQ(f.press(IdLevelEdit), 1);
}

TEST_F(Dialog, SampleSetLine) {
  f.press(IdSample);
  const auto& lines = fake.history[IdSetLine];
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[lines.size() - 2], "Sample (6 levles)");
  EXPECT_EQ(lines.back(), std::string("Sample (6levels)   ") + sample_level_name(1));
  EXPECT_EQ(fake.text(IdLevelEdit), "1");
  EXPECT_EQ(fake.text(IdElapsed), "0 sec");
  EXPECT_EQ(fake.text(IdCounter), "");
  char size[64];
  std::snprintf(size, sizeof size, "   [%3d *%3d (%2d) ]", app.level.width, app.level.height,
                app.level.totalBoxes);
  EXPECT_EQ(fake.text(IdSizeLine), size);
  // Level 1 of 6: Prev off, the rest of the selector and Solve on.
  EXPECT_EQ(fake.enable_string(), "11110111100001");
  f.press(IdNext);
  EXPECT_EQ(fake.text(IdSetLine), std::string("Sample (6levels)   ") + sample_level_name(2));
  EXPECT_EQ(fake.text(IdLevelEdit), "2");
  EXPECT_EQ(fake.enable_string(), "11111111100001");
  go("6");
  EXPECT_EQ(fake.enable_string(), "11111110100001");
  f.press(IdNext);  // disabled, and does nothing
  EXPECT_EQ(app.currentLevel, 6);
}

TEST_F(Dialog, GoClampsTheNumber) {
  f.press(IdSample);
  go("0");
  EXPECT_EQ(app.currentLevel, 1);
  EXPECT_EQ(fake.text(IdLevelEdit), "1");
  go("abc");
  EXPECT_EQ(app.currentLevel, 1);
  go("4");
  EXPECT_EQ(app.currentLevel, 4);
  go("99");
  EXPECT_EQ(app.currentLevel, 6);
  EXPECT_EQ(fake.text(IdLevelEdit), "6");
  go("000003");  // only five characters are read: "00000"
  EXPECT_EQ(app.currentLevel, 1);
  f.press(IdPrev);  // on level 1: nothing
  EXPECT_EQ(app.currentLevel, 1);
}

TEST_F(Dialog, FileIntakeRunsOnTheWorker) {
  write_file(sources / "pair.txt", std::string(Corridor) + "\n" + Corridor);
  fake.filePick = "";
  f.press(IdFile);  // picker cancelled: nothing happens
  EXPECT_EQ(fake.workersStarted, 0);
  fake.filePick = sources / "pair.txt";
  f.press(IdFile);
  EXPECT_EQ(fake.workerPending, 1);
  EXPECT_EQ(app.jobKind, JobFile);
  EXPECT_EQ(fake.enable_string(), AllOff);
  EXPECT_EQ(fake.text(IdSetLine), "Now loadding...");
  EXPECT_EQ(fake.tile(7, 7).column, TileBox);  // the WAIT picture
  EXPECT_EQ(fake.tile(8, 7).column, TileSpeckled);
  fake.run_worker();
  EXPECT_EQ(fake.handBacks, 1);
  EXPECT_EQ(fake.text(IdSetLine), "pair (2 levles)");
  EXPECT_EQ(fake.enable_string(), "11110111100001");
}

TEST_F(Dialog, FailedIntakeShowsTheQuestionMark) {
  f.press(IdSample);
  fake.folderPick = sources / "missing";
  f.press(IdFolder);
  EXPECT_EQ(app.jobKind, JobFolder);
  EXPECT_EQ(fake.enable_string(), AllOff);
  fake.run_worker();
  EXPECT_EQ(fake.text(IdSetLine), "Load Error!!");
  EXPECT_EQ(fake.text(IdSizeLine), "");
  EXPECT_EQ(fake.text(IdLevelEdit), "");
  EXPECT_EQ(app.store.levelCount, 0);
  EXPECT_EQ(app.store.highest, 0);
  EXPECT_EQ(fake.tile(14, 6).column, TileBox);  // top of the question mark
  EXPECT_EQ(fake.tile(13, 6).column, TileSpeckled);
  EXPECT_EQ(fake.enable_string(), StartUp);
}

// Failures "Load Error!!" alone would leave unexplained come with a
// message box that names the paths and the reason.
TEST_F(Dialog, LoadErrorsSayWhyInAMessageBox) {
  auto expect_box = [&](const std::string& text) {
    EXPECT_EQ(fake.text(IdSetLine), "Load Error!!");
    ASSERT_FALSE(fake.messages.empty());
    EXPECT_EQ(fake.messages.back().caption, "Vantori Kelmora");
    EXPECT_EQ(fake.messages.back().text, text);
    EXPECT_EQ(fake.messages.back().icon, IconError);
    fake.messages.clear();
  };
  // Another process, here another store, uses the work folder.
  auto other = std::make_unique<LevelStore>();
  ASSERT_EQ(init_level_store(*other, work.path.c_str()), 1);
  std::string text = std::string(Corridor) + "\n";
  text.resize(text.size() + 2, '\0');
  ASSERT_EQ(load_level_set(*other, SourceText, text.data()), 1);
  f.press(IdSample);
  expect_box("work folder " + work.path + " is in use by another process");
  release_level_store(*other);

  f.press(IdSample);
  ASSERT_TRUE(fake.messages.empty());
  fake.filePick = work / "0001.txt";
  f.press(IdFile);
  fake.run_worker();
  expect_box("source " + work / "0001.txt" + " lies in the work folder " + work.path +
             ", which every load empties");
  EXPECT_TRUE(file_exists(work / "0002.txt"));  // refused before the clearing

  ASSERT_EQ(drop_path(app, "/dev/null", 0), 1);
  fake.run_worker();
  expect_box("source /dev/null is a device, not a file of levels");

  fake.filePick = sources / "missing.txt";  // as before: "Load Error!!" alone
  f.press(IdFile);
  fake.run_worker();
  EXPECT_EQ(fake.text(IdSetLine), "Load Error!!");
  EXPECT_TRUE(fake.messages.empty());
}

TEST_F(Dialog, OneLevelSetShowsTheBareName) {
  load_file("single.txt", Corridor);
  EXPECT_EQ(fake.text(IdSetLine), "single");
  EXPECT_EQ(fake.enable_string(), "11110000100001");
}

TEST_F(Dialog, PastedTextOffersItsFirstLevelOnly) {
  fake.textReplies.push_back({1, std::string(Corridor) + "\n" + Corridor});
  f.press(IdText);
  ASSERT_EQ(fake.dialogsShown.size(), 1u);
  EXPECT_EQ(fake.dialogsShown[0].mode, PasteMode);
  EXPECT_STREQ(fake.dialogsShown[0].headline, "Paste the level in text format.");
  EXPECT_STREQ(fake.dialogsShown[0].notice, "");
  EXPECT_EQ(app.store.levelCount, 1);
  EXPECT_EQ(app.store.highest, 1);
  EXPECT_EQ(fake.text(IdSetLine), "Text");
  EXPECT_EQ(fake.enable_string(), "11110000100001");
}

TEST_F(Dialog, NothingPastedChangesNothing) {
  load_file("pair.txt", std::string(Corridor) + "\n" + Corridor);
  fake.history.clear();
  std::strcpy(app.text, "rrr");
  fake.textReplies.push_back({1, ""});  // Close on an empty edit box
  f.press(IdText);
  fake.textReplies.push_back({0, "#####"});  // the close box
  f.press(IdText);
  EXPECT_EQ(fake.dialogsShown.size(), 2u);
  EXPECT_TRUE(fake.history.empty());
  EXPECT_STREQ(app.text, "rrr");
  EXPECT_EQ(app.store.levelCount, 2);
}

TEST_F(Dialog, ShowLevelTextsPerStatus) {
  load_file("status.txt", status_set());
  struct Case {
    const char* number;
    const char* statusText;
    int32_t backdrop;
    const char* enable;
  };
  const Case cases[] = {
      {"1", "", TileSpeckled, "11110111100001"},
      {"2", "Size Over", TileSpeckled, "11111111000001"},
      {"3", "Boxes Over", TileGrey, "11111111000001"},
      {"4", "Irregular", TileFloor, "11111111000001"},
      {"5", "Impossible", TileSpeckled, "11111111000001"},
      {"6", "Boxes = 1", TileSpeckled, "11111110100001"},
  };
  for (const Case& c : cases) {
    go(c.number);
    EXPECT_EQ(fake.text(IdStatusText), c.statusText) << c.number;
    EXPECT_EQ(fake.tile(0, 0).column, c.backdrop) << c.number;
    EXPECT_EQ(fake.enable_string(), c.enable) << c.number;
    EXPECT_EQ(fake.text(IdElapsed), "") << c.number;
  }
  go("2");
  EXPECT_EQ(fake.text(IdSizeLine), "   [ 50 * 42 ( 1) ]");
  EXPECT_EQ(fake.tile(3, 4).column, TileBox);  // the size-over picture at (48, 96)
  go("6");
  EXPECT_EQ(fake.text(IdSizeLine), "   [  7 *  4 ( 2) ]");
}

TEST_F(Dialog, SolvingStateAndProgress) {
  load_file("corridor.txt", Corridor);
  int32_t started = fake.workersStarted;
  f.press(IdSolve);
  EXPECT_EQ(app.jobKind, JobSolve);
  EXPECT_EQ(fake.enable_string(), SolvingOnly);
  EXPECT_EQ(fake.text(IdSolve), "Cancel");
  EXPECT_EQ(fake.timers[ProgressTimer], 200);
  app.solver.progress.seconds.store(3);
  app.solver.progress.nodes.store(2500000);
  app.solver.progress.queue.store(70000);
  timer_tick(app, ProgressTimer);
  EXPECT_EQ(fake.text(IdElapsed), "   3 sec");
  EXPECT_EQ(fake.progress[IdCellBar], 2500);
  EXPECT_EQ(fake.progress[IdQueueBar], 700);
  f.press(IdSolve);  // Cancel
  EXPECT_EQ(app.solver.cancel.load(), 1);
  EXPECT_EQ(fake.workersStarted, started + 1);
}

TEST_F(Dialog, FinishSolveForEachFailure) {
  load_file("corridor.txt", Corridor);
  struct Case {
    int32_t status;
    const char* text;
    int32_t icon;
  };
  const Case cases[] = {
      {SolveImpossible, " Impossible.", IconError},
      {SolveTableFull, " Failed(C).", IconWarning},
      {SolveQueueFull, " Failed(Q).", IconWarning},
      {SolveCanceled, " Canceled.", IconWarning},
  };
  for (const Case& c : cases) {
    fake.messages.clear();
    finish_pretended_solve(c.status, "rrrrrR", 6);
    app.solver.solutionLength = 0;  // a failed solve leaves no solution
    ASSERT_EQ(fake.messages.size(), 1u) << c.status;
    EXPECT_EQ(fake.messages[0].caption, "Vantori Kelmora");
    EXPECT_EQ(fake.messages[0].text, c.text);
    EXPECT_EQ(fake.messages[0].icon, c.icon);
    EXPECT_EQ(app.text[0], '\0');
    EXPECT_EQ(app.solver.cancel.load(), 0);
    EXPECT_EQ(fake.text(IdSolve), "Solve");
    EXPECT_EQ(fake.timers.count(ProgressTimer), 0u);
    EXPECT_EQ(fake.sleeps.back(), 200);
    EXPECT_EQ(fake.enable_string(), "11110000100001");
    EXPECT_TRUE(fake.dialogsShown.empty());
  }
}

TEST_F(Dialog, ZeroMoveSolutionOpensTheDialogAndSolvesAgain) {
  load_file("corridor.txt", Corridor);
  int32_t started = fake.workersStarted;
  finish_pretended_solve(SolveSolved, "", 0);
  EXPECT_EQ(fake.text(IdCounter), "   0/   0");
  ASSERT_EQ(fake.dialogsShown.size(), 1u);
  EXPECT_STREQ(fake.dialogsShown[0].headline, "Solved. Mimimum moves are 0 moves.");
  EXPECT_EQ(fake.enable_string(), "11110000100001");
  EXPECT_TRUE(fake.messages.empty());
  f.press(IdSolve);
  EXPECT_EQ(fake.workersStarted, started + 2);
}

TEST_F(Dialog, SolveTwiceOpensTheSolution) {
  load_file("corridor.txt", std::string(Corridor) + "\n" + Corridor);
  int32_t started = fake.workersStarted;
  f.press(IdSolve);
  fake.run_worker();  // the real search
  ASSERT_EQ(app.jobResult, SolveSolved);
  EXPECT_EQ(app.solver.solutionLength, 6);
  ASSERT_EQ(fake.dialogsShown.size(), 1u);
  const TextDialog& shown = fake.dialogsShown[0];
  EXPECT_EQ(shown.mode, SolutionMode);
  EXPECT_STREQ(shown.headline, "Solved. Mimimum moves are 6 moves.");
  EXPECT_STREQ(shown.notice, "Last 20 moves are hidden.");
  EXPECT_STREQ(shown.body, "rr????\r\n");  // 6 moves: only the first 2 stay visible
  EXPECT_EQ(fake.text(IdCounter), "   0/   6");
  EXPECT_TRUE(fake.messages.empty());
  f.press(IdSolve);
  EXPECT_EQ(fake.workersStarted, started + 1);
  ASSERT_EQ(fake.dialogsShown.size(), 2u);
  EXPECT_EQ(fake.dialogsShown[1].mode, SolutionMode);
  // Showing the level afresh discards the solution: Solve solves again.
  f.press(IdNext);
  f.press(IdPrev);
  EXPECT_EQ(app.text[0], '\0');
  f.press(IdSolve);
  EXPECT_EQ(fake.workersStarted, started + 2);
}

TEST_F(Dialog, MaskingAndTheCounter) {
  load_file("corridor.txt", Corridor);
  // A 25-move solution keeps its first 5 moves.
  finish_pretended_solve(SolveSolved, "rrrrrrRrrrrrrrrrrrrrrrrrr", 25);
  EXPECT_STREQ(app.text, "rrrrr????????????????????");
  EXPECT_EQ(fake.text(IdCounter), "   0/  25");
  EXPECT_EQ(fake.enable_string(), "11110000100111");
  for (int32_t k = 1; k <= 5; ++k) {
    f.press(IdForward);
    char counter[16];
    std::snprintf(counter, sizeof counter, "%4d/%4d", k, 25);
    EXPECT_EQ(fake.text(IdCounter), counter);
  }
  // At the first masked move "->" and Play are off, "<-" and Top on.
  EXPECT_EQ(fake.enable_string(), "11110000111001");
  f.press(IdForward);
  EXPECT_EQ(app.viewer.position, 5);
  f.press(IdBack);
  EXPECT_EQ(fake.text(IdCounter), "   4/  25");
  f.press(IdTop);
  EXPECT_EQ(fake.text(IdCounter), "   0/  25");
  EXPECT_EQ(fake.enable_string(), "11110000100111");
}

TEST_F(Dialog, PlayStopsAtTheFirstMaskedMove) {
  load_file("corridor.txt", Corridor);
  finish_pretended_solve(SolveSolved, "rrrrrrRrrrrrrrrrrrrrrrrrr", 25);
  f.press(IdPlay);
  EXPECT_EQ(fake.text(IdPlay), "Pause");
  EXPECT_EQ(fake.timers[PlayTimer], 200);
  EXPECT_EQ(fake.enable_string(), "00000000000100");
  for (int32_t k = 0; k < 5; ++k) timer_tick(app, PlayTimer);
  EXPECT_EQ(app.viewer.position, 5);
  EXPECT_EQ(app.state, StateReplaying);
  timer_tick(app, PlayTimer);
  EXPECT_EQ(app.state, StateIdle);
  EXPECT_EQ(fake.text(IdPlay), "Play");
  EXPECT_EQ(fake.timers.count(PlayTimer), 0u);
  EXPECT_EQ(fake.enable_string(), "11110000111001");
}

TEST_F(Dialog, PlayWithoutMaskingRunsToTheEnd) {
  app.settings.hideLastMoves = 0;
  app.settings.traceSpeed = SpeedFast;
  load_file("corridor.txt", Corridor);
  finish_pretended_solve(SolveSolved, "rrrrrR", 6);
  EXPECT_STREQ(app.text, "rrrrrR");
  f.press(IdPlay);
  EXPECT_EQ(fake.timers[PlayTimer], 60);
  for (int32_t k = 0; k < 8; ++k) timer_tick(app, PlayTimer);
  EXPECT_EQ(app.state, StateIdle);
  EXPECT_EQ(fake.text(IdCounter), "   6/   6");
  // The box stands on the goal, the keeper behind it facing right.
  int32_t goal = 1 * app.level.width + 8;  // the goal's cell, column 8
  EXPECT_EQ(app.viewer.cells[goal], CellGoal | CellBox);
  TileRef keeper = fake.tile(app.view.columnOffset + 7, app.view.rowOffset + 1);
  EXPECT_EQ(keeper.row, 1);
  EXPECT_EQ(keeper.column, 2 * DirRight);
  EXPECT_EQ(fake.tile(app.view.columnOffset + 8, app.view.rowOffset + 1).column, TileBoxOnGoal);
  // Step back over the push: the box returns in front of the keeper.
  f.press(IdBack);
  EXPECT_EQ(app.viewer.cells[goal - 1], CellBox);
  EXPECT_EQ(app.viewer.cells[goal - 2], CellKeeper);
  f.press(IdForward);
  EXPECT_EQ(app.viewer.cells[goal], CellGoal | CellBox);
}

TEST_F(Dialog, StepBackToTheStartShowsTheFrontView) {
  load_file("corridor.txt", Corridor);
  finish_pretended_solve(SolveSolved, "rrrrrrRrrrrrrrrrrrrrrrrrr", 25);
  f.press(IdForward);
  TileRef after = fake.tile(app.view.columnOffset + 2, app.view.rowOffset + 1);
  EXPECT_EQ(after.row, 1);
  f.press(IdBack);
  TileRef start = fake.tile(app.view.columnOffset + 1, app.view.rowOffset + 1);
  EXPECT_EQ(start.row, 0);
  EXPECT_EQ(start.column, TileKeeperFront);
}

// ---------------------------------------------------------------- drops

TEST_F(Dialog, DroppedFileLoadsAsTheFileButtonDoes) {
  const std::string set = std::string(Corridor) + "\n" + Corridor;
  write_file(sources / "pair.txt", set);
  ASSERT_EQ(drop_kind((sources / "pair.txt").c_str()), JobFile);
  ASSERT_EQ(drop_path(app, (sources / "pair.txt").c_str(), 0), 1);
  EXPECT_EQ(app.jobKind, JobFile);
  EXPECT_EQ(fake.workerPending, 1);
  EXPECT_EQ(fake.enable_string(), AllOff);
  EXPECT_EQ(fake.text(IdSetLine), "Now loadding...");
  EXPECT_EQ(fake.tile(7, 7).column, TileBox);  // the WAIT picture
  fake.run_worker();
  EXPECT_EQ(app.filePath, sources / "pair.txt");  // the next pick starts there

  // The same file through the button and its picker, in a second dialog:
  // every text, enabled state and tile comes out the same.
  TempDir otherWork;
  FakeApp button(otherWork.path);
  button.fake.filePick = sources / "pair.txt";
  button.press(IdFile);
  button.fake.run_worker();
  EXPECT_EQ(fake.history, button.fake.history);
  EXPECT_EQ(fake.enabled, button.fake.enabled);
  EXPECT_EQ(std::memcmp(fake.tiles, button.fake.tiles, sizeof fake.tiles), 0);
  EXPECT_EQ(fake.text(IdSetLine), "pair (2 levles)");
  EXPECT_EQ(fake.enable_string(), "11110111100001");
}

TEST_F(Dialog, DroppedFolderLoadsAsTheFolderButtonDoes) {
  TempDir folder;
  write_file(folder / "2.txt", Corridor);
  write_file(folder / "5.txt", Corridor);
  std::string path = folder.path;  // with its trailing '/', as drops often come
  ASSERT_EQ(drop_kind(path.c_str()), JobFolder);
  ASSERT_EQ(drop_path(app, path.c_str(), 1), 1);
  EXPECT_EQ(app.jobKind, JobFolder);
  EXPECT_STREQ(app.folderPath, path.c_str());
  fake.run_worker();
  std::string name = path.substr(0, path.size() - 1);
  name = name.substr(name.find_last_of("/\\") + 1);
  EXPECT_EQ(fake.text(IdSetLine), name + " (2 levles)");
  EXPECT_EQ(app.store.highest, 5);
}

#ifndef _WIN32  // links, named pipes and devices as POSIX has them
TEST_F(Dialog, DropKindOfEachPath) {
  write_file(sources / "level.txt", Corridor);
  ASSERT_EQ(symlink((sources / "level.txt").c_str(), (sources / "file-link").c_str()), 0);
  ASSERT_EQ(symlink(sources.path.c_str(), (sources / "folder-link").c_str()), 0);
  ASSERT_EQ(symlink((sources / "gone").c_str(), (sources / "dangling").c_str()), 0);
  ASSERT_EQ(mkfifo((sources / "fifo").c_str(), 0600), 0);
  EXPECT_EQ(drop_kind((sources / "level.txt").c_str()), JobFile);
  EXPECT_EQ(drop_kind((sources / "file-link").c_str()), JobFile);
  EXPECT_EQ(drop_kind((sources / "folder-link").c_str()), JobFolder);
  EXPECT_EQ(drop_kind(sources.path.c_str()), JobFolder);
  EXPECT_EQ(drop_kind((sources / "dangling").c_str()), NoJob);
  EXPECT_EQ(drop_kind((sources / "fifo").c_str()), NoJob);  // reading it could hang
  EXPECT_EQ(drop_kind("/dev/null"), JobFile);  // refused by the intake, with its reason
  EXPECT_EQ(drop_kind((sources / "missing.txt").c_str()), NoJob);
  EXPECT_EQ(drop_kind(""), NoJob);
  EXPECT_EQ(drop_kind(nullptr), NoJob);
  // A path the intake's buffers cannot hold, though it names a folder.
  std::string deep = sources.path;
  while (deep.size() <= size_t(PathCapacity)) deep += "./";
  EXPECT_EQ(drop_kind(deep.c_str()), NoJob);
  EXPECT_EQ(drop_path(app, deep.c_str(), 1), 0);
  EXPECT_EQ(drop_path(app, "", 0), 0);
  EXPECT_EQ(drop_path(app, nullptr, 0), 0);
  EXPECT_EQ(fake.workersStarted, 0);
  EXPECT_EQ(fake.text(IdSetLine), "Levels is not loaded.");
}
#endif

// A drop is refused whenever File and Folder are off: nothing starts and
// the pickers' paths stay.
TEST_F(Dialog, DropRefusedWhileBusy) {
  write_file(sources / "level.txt", Corridor);
  const std::string file = sources / "level.txt";
  auto refused = [&](const char* state) {
    int32_t started = fake.workersStarted;
    std::string before = app.filePath;
    EXPECT_EQ(drop_allowed(app), 0) << state;
    EXPECT_EQ(drop_path(app, file.c_str(), 0), 0) << state;
    EXPECT_EQ(drop_path(app, sources.path.c_str(), 1), 0) << state;
    EXPECT_EQ(fake.workersStarted, started) << state;
    EXPECT_EQ(app.filePath, before) << state;
  };
  EXPECT_EQ(drop_allowed(app), 1);  // at start-up, as File is enabled

  ASSERT_EQ(drop_path(app, file.c_str(), 0), 1);
  refused("loading");
  fake.run_worker();
  EXPECT_EQ(drop_allowed(app), 1);

  f.press(IdSolve);
  refused("solving");
  fake.workerPending = 0;
  std::strcpy(app.text, "rrrrrrRrrrrrrrrrrrrrrrrrr");
  app.solver.solutionLength = 25;
  app.jobResult = SolveSolved;
  job_done(app);
  EXPECT_EQ(drop_allowed(app), 1);  // idle with a trace

  f.press(IdPlay);
  refused("playing");
  f.press(IdPlay);

  set_state(app, StateBatch);
  refused("batch");
  set_state(app, StateHandBack);
  refused("a job's results on show");
}

// ---------------------------------------------------------------- focus

// A fresh dialog with two corridors loaded from a file, and, if asked, a
// 25-move solution of level 1 whose first 5 moves are visible.
struct FocusRun {
  TempDir work;
  TempDir sources;
  FakeApp f{work.path};
  FocusRun(int32_t withTrace) {
    write_file(sources / "pair.txt", std::string(Corridor) + "\n" + Corridor);
    f.fake.filePick = sources / "pair.txt";
    f.press(IdFile);
    f.fake.run_worker();
    if (!withTrace) return;
    f.press(IdSolve);
    f.fake.workerPending = 0;
    std::strcpy(f.app.text, "rrrrrrRrrrrrrrrrrrrrrrrrr");
    f.app.solver.solutionLength = 25;
    f.app.jobResult = SolveSolved;
    job_done(f.app);
  }
};

void start_batch_from_options(FakeApp& f) {
  f.fake.optionsScript = [](FakePlatform& p, OptionsDialog& d) { p.press_option(d, OptStart); };
  f.press(IdOption);
  f.fake.run_worker();
}

// Whenever the focused button is disabled, the focus moves to an enabled
// trace viewer button, else to no control: never to a loader or the level
// number box, where a stray Space or Enter would replace the set or read
// the level again and throw the solution away.
TEST(Focus, DisabledFocusedButtonNeverHandsTheFocusToALoader) {
  struct Case {
    const char* state;
    int32_t withTrace;
    int32_t before;
    void (*act)(FakeApp& f);
    int32_t after;
  };
  const Case cases[] = {
      {"end of play at the first hidden move", 1, IdPlay,
       [](FakeApp& f) {
         f.press(IdPlay);
         for (int32_t k = 0; k < 6; ++k) timer_tick(f.app, PlayTimer);
       },
       IdBack},
      {"last visible move by ->", 1, IdForward,
       [](FakeApp& f) {
         for (int32_t k = 0; k < 5; ++k) f.press(IdForward);
       },
       IdBack},
      {"play started with the focus on Top", 1, IdTop,
       [](FakeApp& f) {
         f.press(IdForward);
         f.press(IdPlay);
       },
       IdPlay},
      {"Top back at the start", 1, IdTop, [](FakeApp& f) {
         f.press(IdForward);
         f.press(IdTop);
       },
       IdPlay},
      {"start of a solve, focus on a loader", 0, IdSample,
       [](FakeApp& f) { f.press(IdSolve); }, 0},
      {"start of a solve, focus in the level box", 0, IdLevelEdit,
       [](FakeApp& f) { f.press(IdSolve); }, 0},
      {"start of a solve, focus on Solve", 0, IdSolve,
       [](FakeApp& f) { f.press(IdSolve); }, IdSolve},
      {"end of a solve", 0, IdSolve,
       [](FakeApp& f) {
         f.press(IdSolve);
         f.fake.run_worker();  // the real search, then the solution dialog
       },
       IdSolve},
      {"end of a canceled solve", 0, IdSolve,
       [](FakeApp& f) {
         f.press(IdSolve);
         f.press(IdSolve);  // Cancel
         f.fake.run_worker();
       },
       IdSolve},
      {"batch, focus on Option", 1, IdOption, start_batch_from_options, IdOption},
      {"batch, focus on a viewer button", 1, IdBack, start_batch_from_options, 0},
      {"Next to the last level", 0, IdNext, [](FakeApp& f) { f.press(IdNext); }, 0},
      {"a dropped file loading", 1, IdTop,
       [](FakeApp& f) { drop_path(f.app, f.app.filePath, 0); }, 0},
  };
  for (const Case& c : cases) {
    FocusRun run(c.withTrace);
    FakeApp& f = run.f;
    f.fake.focus = c.before;
    c.act(f);
    EXPECT_EQ(f.fake.focus, c.after) << c.state;
    if (f.fake.focus != 0) {
      EXPECT_EQ(f.fake.on(f.fake.focus), 1) << c.state;
    }
  }
}

TEST(Focus, RuleOverEnableTables) {
  int32_t on[EnableCount] = {};
  EXPECT_EQ(focus_after_disable(on, 0), KeepFocus);         // no control has it
  EXPECT_EQ(focus_after_disable(on, IdCellBar), KeepFocus);  // not a command control
  EXPECT_EQ(focus_after_disable(on, IdSample), 0);
  on[IdSample - FirstCommandId] = 1;
  on[IdOption - FirstCommandId] = 1;
  EXPECT_EQ(focus_after_disable(on, IdSample), KeepFocus);
  EXPECT_EQ(focus_after_disable(on, IdNext), 0);  // loaders and Option are no refuge
  on[IdTop - FirstCommandId] = 1;
  EXPECT_EQ(focus_after_disable(on, IdNext), IdTop);
  on[IdForward - FirstCommandId] = 1;
  EXPECT_EQ(focus_after_disable(on, IdNext), IdForward);
}

// ---------------------------------------------------------------- Ctrl+V

constexpr char CellBox[] = "#####\r\n#@$.#\r\n#####";  // no line end at the end

TEST_F(Dialog, CtrlVLoadsTheClipboardAsTextAndClose) {
  load_file("pair.txt", std::string(Corridor) + "\n" + Corridor);
  std::strcpy(app.text, "rrr");
  fake.clipboard = std::string("Title\n") + CellBox;
  ASSERT_EQ(paste_shortcut(app), 1);
  EXPECT_TRUE(fake.dialogsShown.empty());  // no dialog in between
  EXPECT_EQ(fake.text(IdSetLine), "Text");
  EXPECT_EQ(fake.text(IdSizeLine), "   [  5 *  3 ( 1) ]");
  EXPECT_EQ(app.store.levelCount, 1);
  EXPECT_EQ(app.text[0], '\0');

  // The same text through Text and Close, in a second dialog: the same
  // texts, enabled states and board.
  TempDir otherWork;
  FakeApp button(otherWork.path);
  button.fake.textReplies.push_back({1, std::string("Title\n") + CellBox});
  button.press(IdText);
  EXPECT_EQ(fake.text(IdSetLine), button.fake.text(IdSetLine));
  EXPECT_EQ(fake.enable_string(), button.fake.enable_string());
  EXPECT_EQ(std::memcmp(fake.tiles, button.fake.tiles, sizeof fake.tiles), 0);
}

TEST_F(Dialog, CtrlVDoesNothingWhenItShouldNot) {
  load_file("pair.txt", std::string(Corridor) + "\n" + Corridor);
  auto unchanged = [&](const char* why) {
    fake.history.clear();
    EXPECT_EQ(paste_shortcut(app), 0) << why;
    EXPECT_TRUE(fake.history.empty()) << why;
    EXPECT_EQ(app.store.levelCount, 2) << why;
  };
  fake.clipboard = "";
  unchanged("no text on the clipboard");
  fake.clipboard = "a note\n\n   \nTitle: #1\n";
  unchanged("no level line");
  fake.clipboard = std::string(PasteCapacity, 'x') + "\n#####\n";
  unchanged("the level line lies beyond what a paste takes");
  fake.clipboard = CellBox;
  fake.focus = IdLevelEdit;
  unchanged("the level number box pastes a number itself");
  fake.focus = 0;
  f.press(IdSolve);
  unchanged("a solve runs");
  fake.workerPending = 0;
  app.jobResult = SolveCanceled;
  job_done(app);
  EXPECT_EQ(paste_shortcut(app), 1);
}

TEST(Controls, TableAndPlacement) {
  int32_t buttons = 0;
  for (int32_t k = 0; k < ControlCount; ++k) {
    const ControlSpec& spec = MainControls[k];
    EXPECT_EQ(find_control(spec.id), &spec);
    EXPECT_LE(spec.x + spec.width, 793) << spec.id;
    EXPECT_LE(spec.y + spec.height, 641) << spec.id;
    if (spec.kind == PushButton || spec.kind == DefaultButton) buttons += 1;
  }
  EXPECT_EQ(buttons, 13);
  EXPECT_EQ(find_control(IdGo)->kind, DefaultButton);
  EXPECT_EQ(find_control(IdSetLine)->colour, 0x0000FF);
  EXPECT_EQ(find_control(IdHiddenNotice)->colour, 0xFF0000);
  EXPECT_EQ(find_control(IdCanvasFrame)->width, 769);

  WindowPlacement none = place_main_window(0, 0, 1024, 768);
  EXPECT_EQ(none.x, 115);
  EXPECT_EQ(none.y, 93);
  EXPECT_EQ(none.clientWidth, 793);
  EXPECT_EQ(none.clientHeight, 641);
  // A frame of 8 pixels at the sides and 31 above plus 8 below.
  WindowPlacement framed = place_main_window(16, 39, 1920, 1040);
  EXPECT_EQ(framed.x, (1920 - 809) / 2);
  EXPECT_EQ(framed.y, (1040 - 600) / 2);
  EXPECT_EQ(framed.clientWidth, 793);
  EXPECT_EQ(framed.clientHeight, 660 - 39);
}

}  // namespace

}  // namespace vk

namespace vk {

// The size given is what the tables get and what the bars are scaled by.
TEST(DesktopOptions, ReservedTablesScaleTheBars) {
  TempDir work;
  FakeApp f{work.path};
  char refusal[RefusalCapacity] = "";
  ASSERT_TRUE(app_reserve_tables(f.app, 2 * DefaultMemory, refusal)) << refusal;
  EXPECT_EQ(search_tables()->bytes, 2 * DefaultMemory);
  f.app.solver.progress.nodes.store(28000000);
  refresh_progress_bars(f.app);
  EXPECT_EQ(f.fake.progress[IdCellBar], CellBarRange);
  ASSERT_TRUE(reserve_search_tables(DefaultMemory));
}

}  // namespace vk
