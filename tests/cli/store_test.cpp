// The level store through vantori, as a user or a script meets it: files
// the program did not write survive any --work-dir, one run at a time uses
// a folder while runs with the default store never meet, no intake failure
// passes silently, a report never overwrites a source or a level, devices
// are refused, and resource limits end in a message, never in a crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "support/support.h"

namespace vk {

namespace {

const std::string Small = "#####\n#@$.#\n#####\n";

// A level solved in n + 1 moves: the box pushed along a corridor.
std::string corridor(int n) {
  std::string wall(size_t(n + 5), '#');
  return wall + "\n#@$" + std::string(size_t(n), ' ') + ".#\n" + wall + "\n";
}

// levels copies of the corridor of length n, one empty line between them.
std::string corridor_set(int n, int levels) {
  std::string text;
  for (int k = 0; k < levels; ++k) text += corridor(n) + "\n";
  return text;
}

// A temporary folder that the unprivileged user may use too.
struct Scratch {
  TempDir temp;
  Scratch() { chmod(temp.path.c_str(), 0777); }
  std::string operator/(const std::string& name) const { return temp / name; }
};

std::string q(const std::string& path) { return shell_quoted(path); }

int count_lines(const std::string& text, const std::string& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

}  // namespace

// ---------------------------------------------------------------- deletion

TEST(Store, NothingTheProgramDidNotWriteIsDeleted) {
  Scratch t;
  std::string home = t / "home";
  ASSERT_EQ(mkdir(home.c_str(), 0755), 0);
  write_file(home + "/mylevels.txt", Small);
  write_file(home + "/notes.md", "mine");
  // The source in the work folder: refused before anything goes.
  CommandResult here = run_shell("cd " + q(home) + " && " + VK_VANTORI +
                                 " levels mylevels.txt --work-dir .");
  EXPECT_EQ(here.status, 1);
  EXPECT_EQ(here.err, "Load Error!!\nsource mylevels.txt lies in the work folder ./, which "
                      "every load empties\n");
  CommandResult folder = run_vantori("levels " + q(home) + " --work-dir " + q(home));
  EXPECT_EQ(folder.status, 1);
  EXPECT_EQ(read_file(home + "/mylevels.txt"), Small);
  EXPECT_EQ(read_file(home + "/notes.md"), "mine");

  // A work folder reached through a link higher up its path: only level
  // files go there. (One whose path ends in a link is refused: Guard.)
  ASSERT_EQ(symlink(t.temp.path.c_str(), (t / "up").c_str()), 0);
  write_file(home + "/0009.txt", "an old level");
  write_file(t / "set.txt", Small + "\n" + Small);
  CommandResult linked = run_vantori("levels " + q(t / "set.txt") + " --work-dir " + q(t / "up/home"));
  EXPECT_EQ(linked.status, 0) << linked.err;
  EXPECT_EQ(read_file(home + "/mylevels.txt"), Small);
  EXPECT_EQ(read_file(home + "/notes.md"), "mine");
  EXPECT_FALSE(file_exists(home + "/0009.txt"));
  EXPECT_EQ(read_file(home + "/0002.txt"), Small);
  // The same source file through the link is still the store's own.
  CommandResult through = run_vantori("levels " + q(t / "up/home/0001.txt") + " --work-dir " + q(home));
  EXPECT_EQ(through.status, 1);
  EXPECT_NE(through.err.find("lies in the work folder " + home + "/"), std::string::npos);
}

// ---------------------------------------------------------------- one user

// A batch whose source is a pipe holds the folder while it waits for its
// levels; a second run on that folder is refused at once, and the batch
// then reports its own levels only.
TEST(Store, ASecondRunOnAFolderInUseIsRefused) {
  Scratch t;
  std::string fifo = t / "medium";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  write_file(t / "easy.txt", corridor_set(1, 5));
  CommandResult first;
  std::thread batch([&] {
    first = run_vantori("batch " + q(fifo) + " --work-dir " + q(t / "w") + " --report " +
                        q(t / "medium.rep"));
  });
  int writer = open(fifo.c_str(), O_WRONLY);  // returns once the batch reads
  ASSERT_GE(writer, 0);
  CommandResult second = run_vantori("levels " + q(t / "easy.txt") + " --work-dir " + q(t / "w"));
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "Load Error!!\nwork folder " + t / "w" +
                            "/ is in use by another process\n");
  std::string medium = corridor_set(3, 4);
  ASSERT_EQ(write(writer, medium.data(), medium.size()), ssize_t(medium.size()));
  close(writer);
  batch.join();
  EXPECT_EQ(first.status, 0) << first.err;
  std::string report = read_file(t / "medium.rep");
  EXPECT_NE(report.find("# LevelSetName: medium (4 levels)"), std::string::npos) << report;
  EXPECT_EQ(count_lines(report, "    4moves"), 4) << report;
  // Once the batch has ended the folder is free again.
  EXPECT_EQ(run_vantori("levels " + q(t / "easy.txt") + " --work-dir " + q(t / "w")).status, 0);
}

TEST(Store, ParallelRunsWithTheDefaultStoreEachReportTheirOwnSet) {
  Scratch t;
  std::string tmp = t / "tmp";
  ASSERT_EQ(mkdir(tmp.c_str(), 0700), 0);
  constexpr int Runs = 4;
  std::string command = "export TMPDIR=" + q(tmp) + "; ";
  for (int i = 1; i <= Runs; ++i) {
    write_file(t / ("set" + std::to_string(i) + ".txt"), corridor_set(i, 6));
    command += std::string(VK_VANTORI) + " batch " + q(t / ("set" + std::to_string(i) + ".txt")) +
               " --report " + q(t / ("r" + std::to_string(i))) + " & ";
  }
  command += "wait";
  CommandResult all = run_shell(command);
  EXPECT_EQ(all.err, "");
  for (int i = 1; i <= Runs; ++i) {
    std::string report = read_file(t / ("r" + std::to_string(i)));
    SCOPED_TRACE(report);
    EXPECT_NE(report.find("# LevelSetName: set" + std::to_string(i) + " (6 levels)"),
              std::string::npos);
    char moves[32];
    std::snprintf(moves, sizeof moves, "%5dmoves", i + 1);
    EXPECT_EQ(count_lines(report, moves), 6);
  }
  EXPECT_EQ(run_shell("ls -A " + q(tmp)).out, "");  // every private store removed
}

// ---------------------------------------------------------------- failures

TEST(Store, IntakeFailuresAreNeverSilent) {
  Scratch t;
  write_file(t / "set.txt", Small);
  // Old level files that cannot be deleted fail the intake, naming the file.
  std::string locked = t / "locked";
  ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
  write_file(locked + "/0001.txt", "an old level");
  CommandResult readOnly = run_vantori_unprivileged("levels " + q(t / "set.txt") + " --work-dir " +
                                                    q(locked));
  if (readOnly.status != -1) {
    EXPECT_EQ(readOnly.status, 1);
    EXPECT_EQ(readOnly.err, "Load Error!!\ncannot delete the old level file " + locked +
                                "/0001.txt: Permission denied\n");
    EXPECT_EQ(read_file(locked + "/0001.txt"), "an old level");
  }

  // Too few descriptors: the real cause, wherever it strikes, never "no level".
  std::string pack = t / "pack";
  ASSERT_EQ(mkdir(pack.c_str(), 0755), 0);
  write_file(pack + "/1.txt", Small);
  for (int limit : {4, 5}) {
    // In a subshell, so that the shell's own redirections come first, and
    // without descriptors the test runner may have left open.
    CommandResult few = run_shell("(exec 3>&- 4>&- 5>&- 6>&- 7>&- 8>&- 9>&-; ulimit -n " +
                                  std::to_string(limit) + "; exec " + VK_VANTORI +
                                  " levels " + q(pack) + " --work-dir " + q(t / "w") + ")");
    EXPECT_EQ(few.status, 1) << limit;
    EXPECT_NE(few.err.find("Too many open files"), std::string::npos) << few.err;
    EXPECT_EQ(few.err.find("no level"), std::string::npos) << few.err;
  }
}

// ---------------------------------------------------------------- reports

TEST(Store, AReportNeverOverwritesTheSourceOrALevel) {
  Scratch t;
  write_file(t / "set.txt", Small);
  ASSERT_EQ(symlink((t / "set.txt").c_str(), (t / "set-link").c_str()), 0);
  std::string pack = t / "pack";
  ASSERT_EQ(mkdir(pack.c_str(), 0755), 0);
  write_file(pack + "/1.txt", Small);
  std::string w = t / "w";
  struct Case {
    std::string source, report, message;
  } cases[] = {
      {t / "set.txt", w + "/0001.txt", "report " + w + "/0001.txt lies in the work folder " + w + "/"},
      {t / "set.txt", w, "report " + w + " lies in the work folder " + w + "/"},
      {t / "set.txt", t / "set.txt", "report " + t / "set.txt" + " would overwrite the source " + t / "set.txt"},
      {t / "set.txt", t / "set-link", "report " + t / "set-link" + " would overwrite the source " + t / "set.txt"},
      {pack, pack + "/r.txt", "report " + pack + "/r.txt would overwrite the source " + pack},
  };
  for (const Case& c : cases) {
    CommandResult result = run_vantori("batch " + q(c.source) + " --work-dir " + q(w) +
                                       " --report " + q(c.report));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "vantori batch: " + c.message + "\n");
  }
  EXPECT_EQ(read_file(t / "set.txt"), Small);
  EXPECT_EQ(read_file(w + "/0001.txt"), Small);
  EXPECT_FALSE(file_exists(pack + "/r.txt"));
}

// ---------------------------------------------------------------- hangs

TEST(Store, ADeviceIsRefusedAndAPipeRead) {
  CommandResult device = run_vantori("levels /dev/zero");
  EXPECT_EQ(device.status, 1);
  EXPECT_EQ(device.err, "Load Error!!\nsource /dev/zero is a device, not a file of levels\n");
  Scratch t;
  write_file(t / "set.txt", Small);
  CommandResult pipe = run_shell("bash -c " + q(std::string(VK_VANTORI) + " levels <(cat " +
                                                  t / "set.txt" + ")"));
  EXPECT_EQ(pipe.status, 0) << pipe.err;
  EXPECT_NE(pipe.out.find("1 5 3 1 1 ok"), std::string::npos);
}

// ---------------------------------------------------------------- resources

// On a terminal the progress line needs a thread; a process limit of one
// (run as the user nobody, for whom it counts) refuses it. The batch runs
// without the line and its report is whole. With several jobs none of
// their threads can start either, and the batch solves the levels itself.
void batch_without_threads(const std::string& jobs) {
  Scratch t;
  write_file(t / "set.txt", corridor_set(2, 3));
  std::string inner = "ulimit -u 1 && exec " + std::string(VK_VANTORI) + " batch " +
                      q(t / "set.txt") + " --work-dir " + q(t / "w") + " --report " + q(t / "r") + jobs;
  std::string line = geteuid() == 0
                         ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups bash -c " + q(inner)
                         : inner;
  if (geteuid() == 0 && access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no setpriv";
  int master = -1;
  pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl("/bin/bash", "bash", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string terminal;
  char buffer[4096];
  for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) terminal.append(buffer, size_t(n));
  close(master);
  int raw = 0;
  ASSERT_EQ(waitpid(child, &raw, 0), child);
  ASSERT_TRUE(WIFEXITED(raw)) << terminal;
  EXPECT_EQ(WEXITSTATUS(raw), 0) << terminal;
  std::string report = read_file(t / "r");
  EXPECT_EQ(count_lines(report, "    3moves"), 3) << report;
  EXPECT_NE(report.find("# Solved:   3 levels"), std::string::npos) << report;
}

TEST(Store, ABatchWithoutAThreadForItsProgressLine) {
  for (const char* jobs : {"", " --jobs 2"}) {
    SCOPED_TRACE(jobs);
    batch_without_threads(jobs);
  }
}

// A file-size limit is a write error like a full disk: one line, status 1,
// what was written kept.
TEST(Store, AFileSizeLimitEndsTheReportWithAMessage) {
  Scratch t;
  write_file(t / "set.txt", corridor_set(2, 20));
  CommandResult limited = run_shell("ulimit -f 1; exec " + std::string(VK_VANTORI) + " batch " +
                                    q(t / "set.txt") + " --work-dir " + q(t / "w") +
                                    " --report " + q(t / "r"));
  EXPECT_EQ(limited.status, 1);
  EXPECT_EQ(limited.err,
            "vantori batch: the report could not be written completely: File too large\n");
  std::string report = read_file(t / "r");
  EXPECT_EQ(report.size(), 512u);
  EXPECT_EQ(report.rfind("# Vantori Kelmora", 0), 0u);
  EXPECT_EQ(count_lines(report, "    3moves"), 5);
}

}  // namespace vk
