// The Options dialog through the fake platform: its opening state, the
// enable rules of the batch controls, "BATCH  START", OK, the close box,
// the hidden switch and the report file picker.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_platform.h"
#include "support/support.h"

namespace vk {

namespace {

// Opens Options through the main dialog's button and runs script in it.
void open_options(FakeApp& f, std::function<void(FakePlatform&, OptionsDialog&)> script) {
  f.fake.optionsScript = std::move(script);
  f.press(IdOption);
}

OptionsDialog shown(const FakeApp& f) { return f.fake.optionsShown.back(); }

TEST(Options, OpeningWithoutASet) {
  TempDir work;
  FakeApp f{work.path};
  open_options(f, nullptr);
  OptionsDialog d = shown(f);
  EXPECT_STREQ(d.title, "");
  EXPECT_STREQ(d.setLine, "              Levels is not loaded.");
  EXPECT_STREQ(d.limits, "");
  // Whole where the temporary folder's path is short enough for the line.
  std::string whole = "Loaded Levels are stored in " + std::string(f.app.store.workDir);
  if (int32_t(whole.size()) <= f.fake.lineChars) {
    EXPECT_EQ(std::string(d.location), whole);
  }
  EXPECT_STREQ(d.locationTip, f.app.store.workDir);
  EXPECT_EQ(d.playOn + d.reportOn + d.pathOn + d.browseOn + d.startOn, 0);
  EXPECT_EQ(d.play, 1);
  EXPECT_EQ(d.report, 0);
  EXPECT_EQ(d.speed, SpeedNomal);
  EXPECT_EQ(d.beginWithEnd, 1);

  // The viewer settings still work.
  open_options(f, [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptFast, 1);
    EXPECT_EQ(p.press_option(d, OptOk), 1);
  });
  EXPECT_EQ(f.app.settings.traceSpeed, SpeedFast);
  EXPECT_EQ(f.app.state, StateIdle);
  EXPECT_EQ(f.fake.workersStarted, 0);
}

// Every load empties the work folder: its line shows both ends of the
// path even when the whole does not fit, and the tooltip the whole path.
TEST(Options, WorkFolderLineKeepsBothEndsOfALongPath) {
  TempDir work;
  FakeApp f{work.path};
  std::string path = f.app.store.workDir;
  f.fake.lineChars = int32_t(std::strlen(LocationPrefix) + path.size());
  open_options(f, nullptr);
  EXPECT_EQ(std::string(shown(f).location), LocationPrefix + path);  // it just fits
  EXPECT_EQ(std::string(shown(f).locationTip), path);
  ASSERT_EQ(f.fake.elided.size(), 1u);
  EXPECT_EQ(f.fake.elided[0], std::make_pair(int32_t(OptionsDialogId), int32_t(OptLocation)));

  f.fake.lineChars -= 1;
  open_options(f, nullptr);
  std::string line = shown(f).location;
  EXPECT_EQ(line.size(), std::strlen(LocationPrefix) + path.size() - 1);
  EXPECT_EQ(line.rfind(LocationPrefix + path.substr(0, 4), 0), 0u) << line;
  EXPECT_NE(line.find("..."), std::string::npos) << line;
  EXPECT_EQ(line.substr(line.size() - 8), path.substr(path.size() - 8)) << line;
  EXPECT_EQ(std::string(shown(f).locationTip), path);
}

TEST(Options, OpeningWithASetAndTheEnableRules) {
  TempDir work;
  FakeApp f{work.path};
  f.press(IdSample);
  open_options(f, [](FakePlatform& p, OptionsDialog& d) {
    EXPECT_EQ(d.pathOn, 0);
    EXPECT_EQ(d.browseOn, 0);
    EXPECT_EQ(d.startOn, 1);
    p.tick_option(d, OptPlay, 0);  // neither ticked: nothing to start
    EXPECT_EQ(d.startOn, 0);
    p.tick_option(d, OptReport, 1);
    EXPECT_EQ(d.pathOn + d.browseOn + d.startOn, 3);
    p.tick_option(d, OptReport, 0);
    EXPECT_EQ(d.pathOn + d.browseOn + d.startOn, 0);
    p.tick_option(d, OptPlay, 1);
    EXPECT_EQ(d.startOn, 1);
    EXPECT_EQ(d.pathOn, 0);
  });
  OptionsDialog d = shown(f);
  EXPECT_EQ(std::string(d.title), TitleText);
  EXPECT_STREQ(d.setLine, "LevelSetName: Sample (6 levels)");
  EXPECT_STREQ(d.limits, "MaxArea:2000 (= Width * Height) MaxBoxes:  8");
  EXPECT_EQ(d.playOn + d.reportOn, 2);
}

TEST(Options, CloseBoxStoresNothing) {
  TempDir work;
  FakeApp f{work.path};
  f.press(IdSample);
  open_options(f, [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptSlow, 1);
    p.tick_option(d, OptBeginWithEnd, 0);
    p.tick_option(d, OptPlay, 0);
    p.press_option(d, 2);  // Esc does nothing
    p.press_option(d, 1);  // nor does the OK id
  });
  Settings defaults;
  EXPECT_EQ(f.app.settings.traceSpeed, defaults.traceSpeed);
  EXPECT_EQ(f.app.settings.beginWithEnd, 1);
  EXPECT_EQ(f.app.settings.playAfterSolved, 1);
  EXPECT_EQ(f.app.settings.hideLastMoves, 1);
  EXPECT_EQ(f.app.state, StateIdle);
}

TEST(Options, BatchStartWithAnUnopenableReportStays) {
  TempDir work;
  FakeApp f{work.path};
  f.press(IdSample);
  auto attempt = [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptReport, 1);
    p.tick_option(d, OptFast, 1);
    EXPECT_EQ(p.press_option(d, OptStart), 0);
    EXPECT_EQ(d.done, 0);
  };
  open_options(f, attempt);  // empty report path
  f.app.settings.reportPath[0] = '\0';
  std::snprintf(f.app.settings.reportPath, StorePathCapacity, "%s", (work.path + "no/such/dir/r.txt").c_str());
  open_options(f, attempt);
  ASSERT_EQ(f.fake.messages.size(), 2u);
  for (const auto& m : f.fake.messages) {
    EXPECT_EQ(m.caption, "Vantori Kelmora");
    EXPECT_EQ(m.text, " Can't open output file.");
    EXPECT_EQ(m.icon, IconError);
  }
  EXPECT_EQ(f.app.state, StateIdle);
  EXPECT_EQ(f.app.settings.reportFlag, 0);
  EXPECT_EQ(f.app.settings.traceSpeed, SpeedNomal);
  EXPECT_EQ(f.fake.workersStarted, 0);
}

// A report over the set's source or into the work folder is refused
// before it is opened, naming both paths; the dialog stays open.
TEST(Options, BatchStartRefusesAReportOverTheSourceOrALevel) {
  TempDir work;
  TempDir sources;
  FakeApp f{work.path};
  const std::string set = "#####\n#@$.#\n#####\n";
  write_file(sources / "set.txt", set);
  f.fake.filePick = sources / "set.txt";
  f.press(IdFile);
  f.fake.run_worker();
  ASSERT_EQ(f.app.store.levelCount, 1);
  auto attempt = [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptReport, 1);
    EXPECT_EQ(p.press_option(d, OptStart), 0);
    EXPECT_EQ(d.done, 0);
  };
  const std::string reports[] = {sources / "set.txt", work / "0001.txt"};
  for (const std::string& report : reports) {
    std::snprintf(f.app.settings.reportPath, StorePathCapacity, "%s", report.c_str());
    open_options(f, attempt);
  }
  ASSERT_EQ(f.fake.messages.size(), 2u);
  EXPECT_EQ(f.fake.messages[0].text, "report " + sources / "set.txt" +
                                         " would overwrite the source " + sources / "set.txt");
  EXPECT_EQ(f.fake.messages[1].text, "report " + work / "0001.txt" + " lies in the work folder " +
                                         work.path);
  EXPECT_EQ(f.fake.messages[1].caption, "Vantori Kelmora");
  EXPECT_EQ(read_file(sources / "set.txt"), set);
  EXPECT_EQ(read_file(work / "0001.txt"), set);
  EXPECT_EQ(f.app.state, StateIdle);
  EXPECT_EQ(f.fake.workersStarted, 1);  // the intake's only
}

TEST(Options, HiddenSwitch) {
  TempDir work;
  FakeApp f{work.path};
  auto combination = [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptSlow, 1);
    p.tick_option(d, OptBeginWithEnd, 0);
    p.press_option(d, OptOk);
  };
  // Half of it does nothing.
  open_options(f, [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptSlow, 1);
    p.press_option(d, OptOk);
  });
  EXPECT_EQ(f.app.settings.hideLastMoves, 1);
  EXPECT_EQ(f.app.settings.traceSpeed, SpeedSlow);

  open_options(f, combination);
  EXPECT_EQ(f.app.settings.hideLastMoves, 0);
  EXPECT_EQ(f.app.settings.traceSpeed, SpeedFast);
  EXPECT_EQ(f.app.settings.beginWithEnd, 1);
  EXPECT_EQ(f.fake.text(IdHiddenNotice), "");
  EXPECT_TRUE(f.fake.messages.empty());  // nothing announces it

  // With a set loaded the combination is an ordinary choice.
  TempDir work2;
  FakeApp g{work2.path};
  g.press(IdSample);
  open_options(g, combination);
  EXPECT_EQ(g.app.settings.hideLastMoves, 1);
  EXPECT_EQ(g.app.settings.traceSpeed, SpeedSlow);
  EXPECT_EQ(g.app.settings.beginWithEnd, 0);
}

TEST(Options, BrowseAddsTheDefaultExtension) {
  TempDir work;
  FakeApp f{work.path};
  f.press(IdSample);
  f.fake.savePick = work.path + "result";
  open_options(f, [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptReport, 1);
    p.press_option(d, OptBrowse);
  });
  EXPECT_EQ(f.fake.saveTitle, "save as");
  EXPECT_EQ(f.fake.saveFilter, "*.txt|*.txt");
  EXPECT_EQ(std::string(f.app.settings.reportPath), work.path + "result.txt");
  EXPECT_EQ(f.fake.optionsShown.size(), 1u);

  f.fake.savePick = work.path + "result.log";
  open_options(f, [](FakePlatform& p, OptionsDialog& d) {
    p.press_option(d, OptBrowse);
    EXPECT_EQ(std::string(d.path), p.savePick);
  });
  EXPECT_EQ(std::string(f.app.settings.reportPath), work.path + "result.log");

  f.fake.savePick = "";  // cancelled: the path stays
  open_options(f, [](FakePlatform& p, OptionsDialog& d) { p.press_option(d, OptBrowse); });
  EXPECT_EQ(std::string(f.app.settings.reportPath), work.path + "result.log");

  char path[64] = "C:\\out.d\\result";
  add_default_extension(path, sizeof path, ReportFilter);
  EXPECT_STREQ(path, "C:\\out.d\\result.txt");
  char any[64] = "result";
  add_default_extension(any, sizeof any, "All\0*.*\0");
  EXPECT_STREQ(any, "result");
}

}  // namespace

namespace {

// A solvable corridor (6 moves), a level over the size limit, and a box in
// a corner: tried, skipped, tried.
std::string batch_set() {
  std::string big = std::string(50, '#') + "\n";
  big += "#@$" + std::string(45, ' ') + ".#\n";
  for (int i = 0; i < 39; ++i) big += "#" + std::string(48, ' ') + "#\n";
  big += std::string(50, '#') + "\n";  // 50 x 42 = 2100 cells
  return "##########\n#@     $.#\n##########\n\n" + big + "\n#####\n#@ .#\n#$  #\n#####\n";
}

// Loads the batch set from a file and starts a batch with a report.
// The set's file stands beside the report, outside the work folder.
void start_batch(FakeApp& f, const TempDir& out, const std::string& report) {
  write_file(out.path + "set.txt", batch_set());
  f.fake.filePick = out.path + "set.txt";
  f.press(IdFile);
  f.fake.run_worker();
  std::snprintf(f.app.settings.reportPath, StorePathCapacity, "%s", report.c_str());
  open_options(f, [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptReport, 1);
    EXPECT_EQ(p.press_option(d, OptStart), 1);
  });
  ASSERT_EQ(f.app.state, StateBatch);
  ASSERT_EQ(f.fake.workerPending, 1);
  f.fake.run_worker();
}

std::string stamp(const LocalTime& t) {
  char line[32];
  std::snprintf(line, sizeof line, "%4d/%02d/%02d %02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute);
  return line;
}

}  // namespace

TEST(DesktopBatch, ReportCountsAndMessage) {
  TempDir work;
  TempDir out;
  FakeApp f{work.path};
  start_batch(f, out, out.path + "report.txt");
  const Batch& run = f.app.run;
  EXPECT_EQ(run.tried, 2);
  EXPECT_EQ(run.solved, 1);
  std::string report = read_file(out.path + "report.txt");
  std::string rule(54, '-');
  std::string expected = "# " + std::string(TitleText) + "\n" +
                         "# LevelSetName: set (3 levels)\n"
                         "# MaxArea:2000 MaxBoxes: 8  [" + stamp(run.start) + " Start]\n" +
                         " No.  W  H  B     Time     Cells   Queue     Result\n" + rule + "\n";
  expected += "   1[10* 3( 1)]    0sec        0       1     6moves\n"
              "   3[ 5* 4( 1)]    0sec        0       0 Impossible\n" +
              rule + "\n# TryCnt:   2 levels        [" + stamp(run.end) +
              " Finish]\n# Solved:   1 levels\n";
  EXPECT_EQ(report, expected);

  ASSERT_FALSE(f.fake.messages.empty());
  const auto& box = f.fake.messages.back();
  EXPECT_EQ(box.caption, "Vantori Kelmora");
  EXPECT_EQ(box.icon, IconInformation);
  EXPECT_EQ(box.text, "  Batch is finished.\r\n\r\n" + stamp(run.start) + " Start\r\n" +
                          stamp(run.end) + " Finish\r\n");
  // The last level tried stays current, and the dialog is idle again.
  EXPECT_EQ(f.app.currentLevel, 3);
  EXPECT_EQ(f.app.state, StateIdle);
  EXPECT_EQ(f.fake.text(IdOption), "Option");
  EXPECT_EQ(f.fake.on(IdPrev), 1);
  EXPECT_EQ(f.fake.on(IdNext), 0);
  EXPECT_EQ(f.fake.timers.count(ProgressTimer), 0u);
}

TEST(DesktopBatch, CancelDuringASolve) {
  TempDir work;
  TempDir out;
  FakeApp f{work.path};
  f.fake.cancelOnProgress = 1;
  start_batch(f, out, out.path + "report.txt");
  std::string report = read_file(out.path + "report.txt");
  EXPECT_NE(report.find("Canceled\n" + std::string(54, '-')), std::string::npos);
  EXPECT_NE(report.find(" Cancel]\n# Solved:   0 levels\n"), std::string::npos);
  EXPECT_EQ(f.app.run.tried, 1);
  EXPECT_EQ(f.fake.messages.back().text.substr(0, 22), "  Batch is canceled.\r\n");
  EXPECT_NE(f.fake.messages.back().text.find(" Cancel\r\n"), std::string::npos);
  EXPECT_EQ(f.app.solver.cancel.load(), 0);
  EXPECT_EQ(f.app.currentLevel, 1);
}

TEST(DesktopBatch, CancelDuringAReplay) {
  TempDir work;
  TempDir out;
  FakeApp f{work.path};
  f.app.settings.hideLastMoves = 0;  // the whole solution is replayed
  f.fake.cancelOnSleep = 2;
  start_batch(f, out, out.path + "report.txt");
  std::string report = read_file(out.path + "report.txt");
  EXPECT_NE(report.find("    6moves\n" + std::string(54, '-')), std::string::npos);
  EXPECT_EQ(report.find("   3["), std::string::npos);
  EXPECT_EQ(f.fake.sleeps.size(), 2u);
  for (int32_t ms : f.fake.sleeps) EXPECT_EQ(ms, 200);
  EXPECT_EQ(f.app.viewer.position, 2);
  EXPECT_EQ(f.app.run.solved, 1);
  EXPECT_NE(f.fake.messages.back().text.find("canceled"), std::string::npos);
}

// A report to a full disk: the batch still runs to its end, and the finish
// box says the report is incomplete.
#ifndef _WIN32  // a full disk is /dev/full, which Windows lacks
TEST(DesktopBatch, FullDiskReportIsNamedIncompleteInTheFinishBox) {
  TempDir work;
  TempDir out;
  FakeApp f{work.path};
  start_batch(f, out, "/dev/full");
  EXPECT_EQ(f.app.run.tried, 2);
  EXPECT_EQ(f.app.run.solved, 1);
  ASSERT_FALSE(f.fake.messages.empty());
  const std::string& text = f.fake.messages.back().text;
  EXPECT_EQ(text.substr(0, 24), "  Batch is finished.\r\n\r\n");
  EXPECT_NE(text.find(" Finish\r\n\r\n  The report file is incomplete: No space left on device.\r\n"),
            std::string::npos)
      << text;
}
#endif

}  // namespace vk
