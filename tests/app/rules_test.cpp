// The rules both desktop shells only carry out, through the fake platform:
// the dialog's state and its transitions, closing in each state, Enter and
// Ctrl+V, the command line (unknown options, paths, --guided, the usage
// text in both layouts), a path named at start, and the guided search's
// check box in Options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dialog_fixture.h"

namespace vk {

namespace {

struct Rules : DialogFixture {
  using DialogFixture::load_file;
  void load_file(const std::string& text) { load_file("set.txt", text); }
};

// Every state the dialog can be in, entered as the user would, with what
// follows from it: the enable string, the captions, and whether a drop or
// Ctrl+V would load.
TEST_F(Rules, EachStateComputesTablesCaptionsAndTheDropRule) {
  load_file(std::string(Corridor) + "\n" + Corridor);
  fake.clipboard = Corridor;
  // The captions the controls are made with.
  for (int32_t id : {IdSolve, IdPlay, IdOption}) fake.texts[id] = find_control(id)->caption;
  struct Expect {
    const char* name;
    int32_t state;
    const char* enabled;
    const char* solve;
    const char* play;
    const char* option;
    int32_t drops;
  };
  auto check = [&](const Expect& e) {
    EXPECT_EQ(app.state, e.state) << e.name;
    EXPECT_EQ(fake.enable_string(), e.enabled) << e.name;
    EXPECT_EQ(fake.text(IdSolve), e.solve) << e.name;
    EXPECT_EQ(fake.text(IdPlay), e.play) << e.name;
    EXPECT_EQ(fake.text(IdOption), e.option) << e.name;
    EXPECT_EQ(drop_allowed(app), e.drops) << e.name;
  };
  check({"idle", StateIdle, "11110111100001", "Solve", "Play", "Option", 1});

  fake.filePick = sources / "set.txt";
  f.press(IdFile);
  check({"loading", StateLoading, "00000000000000", "Solve", "Play", "Option", 0});
  EXPECT_EQ(dialog_key(app, KeyPaste), 1);  // taken, and nothing loaded
  EXPECT_EQ(app.state, StateLoading);
  fake.run_worker();

  f.press(IdSolve);
  check({"solving", StateSolving, "00000000100000", "Cancel", "Play", "Option", 0});
  fake.workerPending = 0;
  std::strcpy(app.text, "rrrrrrRrrrrrrrrrrrrrrrrrr");
  app.solver.solutionLength = 25;
  app.jobResult = SolveSolved;
  // The solution dialog opens during the hand-back: the idle table, but
  // no drop and no Ctrl+V.
  static int32_t seen[3];
  Platform saved = app.platform;
  app.platform.run_text_dialog = [](void* c, const TextDialog&, char*, int32_t) {
    App& a = *static_cast<FakePlatform*>(c)->app;
    seen[0] = a.state;
    seen[1] = drop_allowed(a);
    seen[2] = paste_shortcut(a);
    return 0;
  };
  job_done(app);
  app.platform = saved;
  EXPECT_EQ(seen[0], StateHandBack);
  EXPECT_EQ(seen[1], 0);
  EXPECT_EQ(seen[2], 0);
  check({"idle with a trace", StateIdle, "11110111100111", "Solve", "Play", "Option", 1});

  f.press(IdPlay);
  check({"replaying", StateReplaying, "00000000000100", "Solve", "Pause", "Option", 0});
  f.press(IdPlay);
  check({"paused", StateIdle, "11110111100111", "Solve", "Play", "Option", 1});

  fake.optionsScript = [](FakePlatform& p, OptionsDialog& d) { p.press_option(d, OptStart); };
  f.press(IdOption);
  check({"batch", StateBatch, "00000000000001", "Solve", "Play", "Cancel", 0});
  fake.run_worker();
  check({"after the batch, its last level replayed", StateIdle, "11111110111001", "Solve", "Play", "Option", 1});
}

// The close box: at once in every state but a batch, whose report first
// gets its footer; a worker that may never end is left behind.
TEST_F(Rules, CloseInEachState) {
  struct Case {
    const char* name;
    int32_t state;
    int32_t endsAtOnce;
    int32_t abandons;
  };
  const Case cases[] = {
      {"idle", StateIdle, 1, 0},       {"loading", StateLoading, 1, 1},
      {"solving", StateSolving, 1, 0}, {"replaying", StateReplaying, 1, 0},
      {"hand-back", StateHandBack, 1, 1}, {"batch", StateBatch, 0, 0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    FakeApp g{dir.path};
    g.app.state = c.state;
    g.fake.timers[ProgressTimer] = 200;
    g.fake.timers[PlayTimer] = 200;
    dialog_close(g.app);
    EXPECT_EQ(g.app.state, StateClosing) << c.name;
    EXPECT_TRUE(g.fake.timers.empty()) << c.name;
    EXPECT_EQ(g.app.solver.cancel.load(), 1) << c.name;
    EXPECT_EQ(g.fake.enable_string(), "00000000000000") << c.name;
    EXPECT_EQ(g.fake.ended, c.endsAtOnce) << c.name;
    EXPECT_EQ(g.fake.abandoned, c.abandons) << c.name;
    dialog_close(g.app);  // a second close box changes nothing
    EXPECT_EQ(g.fake.ended, c.endsAtOnce) << c.name;
  }
}

// A batch closed, here even before its worker has begun: the worker
// finishes the report with the cancelled footer, hands back, and only then
// does the program end, with no message.
TEST_F(Rules, ClosingDuringABatchEndsAtItsHandBack) {
  load_file(std::string(Corridor) + "\n" + Corridor);
  TempDir out;
  std::string report = out / "report.txt";
  std::snprintf(app.settings.reportPath, StorePathCapacity, "%s", report.c_str());
  fake.optionsScript = [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptReport, 1);
    p.press_option(d, OptStart);
  };
  f.press(IdOption);
  ASSERT_EQ(app.state, StateBatch);
  dialog_close(app);
  EXPECT_EQ(fake.ended, 0);
  size_t messages = fake.messages.size();
  fake.run_worker();
  EXPECT_EQ(fake.ended, 1);
  EXPECT_EQ(fake.abandoned, 0);
  EXPECT_EQ(fake.messages.size(), messages);  // no finish box
  std::string text = read_file(report);
  EXPECT_NE(text.find(" Cancel]\n# Solved:"), std::string::npos) << text;
}

// Enter does nothing while no control holds the focus (Go would read the
// level again); Ctrl+V loads unless the level number box takes it.
TEST_F(Rules, EnterAndCtrlV) {
  fake.focus = 0;
  EXPECT_EQ(dialog_key(app, KeyEnter), 1);
  fake.focus = IdLevelEdit;
  EXPECT_EQ(dialog_key(app, KeyEnter), 0);
  fake.focus = IdNext;
  EXPECT_EQ(dialog_key(app, KeyEnter), 0);

  fake.clipboard = Corridor;
  fake.focus = IdLevelEdit;
  EXPECT_EQ(dialog_key(app, KeyPaste), 0);  // the box pastes itself
  EXPECT_EQ(app.store.levelCount, 0);
  fake.focus = 0;
  EXPECT_EQ(dialog_key(app, KeyPaste), 1);
  EXPECT_EQ(app.store.levelCount, 1);
  EXPECT_EQ(fake.text(IdSetLine), "Text");
}

// ---------------------------------------------------------------- command line

std::vector<char*> args(std::vector<const char*> list) {
  std::vector<char*> argv;
  for (const char* a : list) argv.push_back(const_cast<char*>(a));
  return argv;
}

TEST(DesktopOptions, BothPassesOfTheParser) {
  struct Case {
    std::vector<const char*> argv;
    int32_t lenient;  // before the toolkit has taken its options
    int32_t strict;   // on what the toolkit left
    int64_t memory;
    int32_t guided;
    const char* path;
  };
  const Case cases[] = {
      {{"p"}, RunWindow, RunWindow, DefaultMemory, 0, nullptr},
      {{"p", "-platform", "offscreen"}, RunWindow, BadOption, DefaultMemory, 0, nullptr},
      {{"p", "--memory", "1216M"}, RunWindow, RunWindow, 1216000000, 0, nullptr},
      {{"p", "--memory", "4g", "--guided"}, RunWindow, RunWindow, 4000000000, 1, nullptr},
      {{"p", "--memory"}, BadOption, BadOption, DefaultMemory, 0, nullptr},
      {{"p", "--memory", "15M"}, BadOption, BadOption, DefaultMemory, 0, nullptr},
      {{"p", "--memory", "608MB"}, BadOption, BadOption, DefaultMemory, 0, nullptr},
      {{"p", "--version", "--memory", "x"}, ShowVersion, ShowVersion, DefaultMemory, 0, nullptr},
      {{"p", "-h"}, ShowHelp, ShowHelp, DefaultMemory, 0, nullptr},
      {{"p", "--bogus"}, RunWindow, BadOption, DefaultMemory, 0, nullptr},
      {{"p", "levels.txt"}, RunWindow, RunWindow, DefaultMemory, 0, "levels.txt"},
      {{"p", "--guided", "-"}, RunWindow, RunWindow, DefaultMemory, 1, "-"},
      {{"p", "a.txt", "b.txt"}, RunWindow, BadOption, DefaultMemory, 0, "a.txt"},
  };
  for (const Case& c : cases) {
    std::vector<char*> argv = args(c.argv);
    std::string name = c.argv.back();
    DesktopOptions options;
    EXPECT_EQ(read_desktop_options(int(argv.size()), argv.data(), options, 0), c.lenient) << name;
    int32_t request = read_desktop_options(int(argv.size()), argv.data(), options, 1);
    EXPECT_EQ(request, c.strict) << name;
    if (request == BadOption) {
      EXPECT_NE(options.refusal[0], '\0') << name;
      continue;
    }
    if (request != RunWindow) continue;
    EXPECT_EQ(options.memory, c.memory) << name;
    EXPECT_EQ(options.guided, c.guided) << name;
    EXPECT_STREQ(options.path == nullptr ? "" : options.path, c.path == nullptr ? "" : c.path);
  }
  DesktopOptions options;
  std::vector<char*> bogus = args({"p", "--bogus"});
  read_desktop_options(2, bogus.data(), options, 1);
  EXPECT_STREQ(options.refusal, "unknown option --bogus");
}

// On a terminal the text is wrapped at 79 columns; in a message box every
// paragraph and option is one line, which the box wraps itself. Both name
// the system's store place and the guided search.
TEST(DesktopOptions, UsageForATerminalAndForABox) {
  char terminal[UsageCapacity];
  char box[UsageCapacity];
  desktop_usage(UsageForTerminal, "$XDG_CACHE_HOME", "Toolkit note.", terminal, UsageCapacity);
  desktop_usage(UsageForBox, "%LOCALAPPDATA%", nullptr, box, UsageCapacity);
  for (const char* text : {terminal, box}) {
    std::string t = text;
    EXPECT_EQ(t.rfind("Usage: vantori-kelmora", 0), 0u) << t;
    EXPECT_NE(t.find("--guided"), std::string::npos) << t;
    EXPECT_NE(t.find("--memory SIZE"), std::string::npos) << t;
    EXPECT_NE(t.find("Ctrl+V"), std::string::npos) << t;
    EXPECT_EQ(t.back(), '\n');
  }
  std::string t = terminal;
  EXPECT_NE(t.find("temp_vantori in $XDG_CACHE_HOME"), std::string::npos) << t;
  EXPECT_NE(t.find("\nToolkit note.\n"), std::string::npos) << t;
  size_t longest = 0;
  for (size_t at = 0, next; at < t.size(); at = next + 1) {
    next = t.find('\n', at);
    longest = std::max(longest, next - at);
  }
  EXPECT_LE(longest, 79u) << t;
  std::string b = box;
  EXPECT_NE(b.find("temp_vantori in %LOCALAPPDATA%; every load empties it.\n"), std::string::npos)
      << b;
  EXPECT_NE(b.find("  --guided: order the search"), std::string::npos) << b;
  EXPECT_EQ(b.find("Toolkit"), std::string::npos);
  EXPECT_EQ(b.find("   "), std::string::npos) << b;  // nothing laid out in columns
}

// A level file named at start loads as a drop would; a path that names
// nothing loadable says so and loads nothing.
TEST_F(Rules, PathNamedAtStart) {
  write_file(sources / "set.txt", std::string(Corridor) + "\n" + Corridor);
  std::string path = sources / "set.txt";
  DesktopOptions options;
  std::vector<char*> argv = args({"p", "--guided", path.c_str()});
  ASSERT_EQ(read_desktop_options(3, argv.data(), options, 1), RunWindow);
  app_take_options(app, options);
  EXPECT_EQ(app.settings.guided, 1);
  EXPECT_EQ(app.solver.guided, 1);
  open_start_path(app);
  EXPECT_EQ(app.state, StateLoading);
  fake.run_worker();
  EXPECT_EQ(fake.text(IdSetLine), "set (2 levles)");
  open_start_path(app);  // once only
  EXPECT_EQ(fake.workersStarted, 1);

  std::string missing = sources / "missing.txt";
  app.startPath = missing.c_str();
  open_start_path(app);
  EXPECT_EQ(fake.workersStarted, 1);
  ASSERT_FALSE(fake.messages.empty());
  EXPECT_NE(fake.messages.back().text.find(missing), std::string::npos);
  EXPECT_EQ(fake.messages.back().icon, IconError);
}

// ---------------------------------------------------------------- guided search

// The check box is stored by OK and by "BATCH  START", never by the close
// box; its limit shows in the Options header and on the start-up screen.
TEST_F(Rules, GuidedCheckBoxStoredByOkAndBatchStartOnly) {
  auto open = [&](std::function<void(FakePlatform&, OptionsDialog&)> script) {
    fake.optionsScript = std::move(script);
    f.press(IdOption);
    return fake.optionsShown.back();
  };
  EXPECT_EQ(open(nullptr).guided, 0);
  open([](FakePlatform& p, OptionsDialog& d) { p.tick_option(d, OptGuided, 1); });
  EXPECT_EQ(app.settings.guided, 0);  // the close box stores nothing
  EXPECT_EQ(app.solver.guided, 0);

  size_t texts = fake.canvasTexts.size();
  open([](FakePlatform& p, OptionsDialog& d) {
    EXPECT_EQ(p.tick_option(d, OptGuided, 1), 0);
    p.tick_option(d, OptBeginWithEnd, 0);
    EXPECT_EQ(p.press_option(d, OptOk), 1);
  });
  EXPECT_EQ(app.settings.guided, 1);
  EXPECT_EQ(app.solver.guided, 1);
  EXPECT_EQ(app.settings.beginWithEnd, 0);
  // No set: the start-up screen is drawn again with the guided limit, and
  // the begin-with-end setting stays as OK left it.
  ASSERT_GT(fake.canvasTexts.size(), texts);
  char line[80];
  std::snprintf(line, sizeof line, "But, the quantity of boxes are limited to %d boxes.",
                box_limit(1));
  std::vector<std::string> drawn(fake.canvasTexts.begin() + long(texts), fake.canvasTexts.end());
  EXPECT_NE(std::find(drawn.begin(), drawn.end(), line), drawn.end());
  EXPECT_EQ(open(nullptr).guided, 1);

  load_file(std::string(Corridor) + "\n" + Corridor);
  char limits[80];
  std::snprintf(limits, sizeof limits, "MaxArea:2000 (= Width * Height) MaxBoxes:%3d",
                box_limit(1));
  EXPECT_STREQ(open(nullptr).limits, limits);

  open([](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptGuided, 0);
    p.press_option(d, OptStart);
  });
  EXPECT_EQ(app.settings.guided, 0);
  EXPECT_EQ(app.solver.guided, 0);
  EXPECT_EQ(app.state, StateBatch);
  fake.run_worker();
  std::snprintf(limits, sizeof limits, "MaxArea:2000 (= Width * Height) MaxBoxes:%3d",
                box_limit(0));
  EXPECT_STREQ(open(nullptr).limits, limits);
}

// A change reads the level on display again under the new limit, and
// throws its solution away; confirming an unchanged choice reads nothing.
TEST_F(Rules, GuidedChangeReadsTheLevelAgain) {
  load_file(std::string(NineBoxes) + "\n" + Corridor);
  EXPECT_EQ(app.currentStatus, box_limit(0) >= 9 ? LevelOk : LevelBoxesOver);
  auto confirm = [&](int32_t guided) {
    fake.optionsScript = [guided](FakePlatform& p, OptionsDialog& d) {
      p.tick_option(d, OptGuided, guided);
      p.press_option(d, OptOk);
    };
    fake.history.clear();
    f.press(IdOption);
  };
  confirm(0);
  EXPECT_TRUE(fake.history[IdSizeLine].empty());  // nothing changed, nothing read
  confirm(1);
  EXPECT_FALSE(fake.history[IdSizeLine].empty());
  EXPECT_EQ(app.currentLevel, 1);
  EXPECT_EQ(app.currentStatus, box_limit(1) >= 9 ? LevelOk : LevelBoxesOver);
  EXPECT_EQ(fake.text(IdStatusText), box_limit(1) >= 9 ? "" : "Boxes Over");

  f.press(IdNext);
  std::strcpy(app.text, "rrrrrR");
  app.solver.solutionLength = 6;
  app.viewer.length = 6;
  confirm(0);
  EXPECT_EQ(app.currentLevel, 2);
  EXPECT_EQ(app.text[0], '\0');  // read again: the solution is gone
}

}  // namespace

}  // namespace vk
