// Every way a run of vantori can end, as a script or a user at the terminal
// ends it: SIGINT, SIGTERM and SIGHUP in every command and at any moment
// leave a whole result (a report with its footer, a whole line, no totals
// of a partial bench) and no private folder; write errors of every command
// are named in one line; a store that goes during a batch is an error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/support.h"

namespace vk {

namespace {

const std::string Small = "#####\n#@$.#\n#####\n";

// Public level n (from 1), with its LF line ends.
std::string public_level(int n) { return public_levels()[size_t(n - 1)] + "\n"; }

// Level 93 runs for many seconds before it fails; level 150 is solved in
// a few hundred milliseconds; the guided search fills its table on level
// 153 only after half a minute or more.
const int SlowLevel = 93;
const int SlowerGuided = 153;
const int MediumLevel = 150;

std::string q(const std::string& path) { return shell_quoted(path); }

// A run of vantori as its own process, with standard output and standard
// error in files and a private temporary folder of its own, so that what
// a run leaves behind shows there.
struct Child {
  TempDir temp;
  std::string tmp = temp / "tmp";
  pid_t pid = -1;
  int input = -1;  // the write end of standard input, when it is a pipe
  Child() { mkdir(tmp.c_str(), 0700); }
  ~Child() {
    if (input >= 0) close(input);
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }

  // Starts vantori with args; inputPath "" is a pipe the test writes,
  // ignoreInterrupt starts it with SIGINT ignored, as a script's
  // background job is.
  void start(const std::vector<std::string>& args, const std::string& inputPath = "/dev/null",
             bool ignoreInterrupt = false) {
    int fds[2] = {-1, -1};
    if (inputPath.empty()) {
      ASSERT_EQ(pipe(fds), 0);
    }
    std::string out = temp / "out", err = temp / "err";
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      int in = inputPath.empty() ? fds[0] : open(inputPath.c_str(), O_RDONLY);
      dup2(in, 0);
      dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
      dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
      if (fds[1] >= 0) close(fds[1]);
      signal(SIGINT, ignoreInterrupt ? SIG_IGN : SIG_DFL);
      setenv("TMPDIR", tmp.c_str(), 1);
      std::vector<char*> argv{const_cast<char*>(VK_VANTORI)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(VK_VANTORI, argv.data());
      _exit(127);
    }
    if (fds[0] >= 0) close(fds[0]);
    input = fds[1];
  }

  // As finish, for a run that must end within seconds: -1, and the run
  // killed, when it does not.
  int finish_within(int seconds) {
    for (int tenths = 0; tenths < 10 * seconds; tenths++) {
      int raw = 0;
      if (waitpid(pid, &raw, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return -1;
  }

  // The exit status, or 1000 + the signal that killed it.
  int finish() {
    int raw = 0;
    EXPECT_EQ(waitpid(pid, &raw, 0), pid);
    pid = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000 + WTERMSIG(raw);
  }
  std::string out() const { return read_file(temp / "out"); }
  std::string err() const { return read_file(temp / "err"); }
  std::string left() const { return run_shell("ls -A " + q(tmp)).out; }
};

// Waits until the file holds part (a minute at most).
void wait_for(const std::string& file, const std::string& part) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (read_file(file).find(part) == std::string::npos && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

const char Footer[] = "------------------------------------------------------\n# TryCnt:";

bool ends_with_footer(const std::string& report) {
  return report.rfind(Footer) != std::string::npos &&
         std::regex_search(report, std::regex("# Solved: +\\d+ levels\n$"));
}

}  // namespace

// ---------------------------------------------------------------- signals

// SIGTERM (as timeout sends it) and SIGHUP during a solve end the batch
// like Ctrl-C: the report with its footer, the private store removed, the
// exit status 128 + the signal; with one job and with two.
TEST(RunEnd, StopSignalsCompleteTheReportAndRemoveThePrivateStore) {
  struct Case {
    int signal;
    int status;
    const char* jobs;
  } cases[] = {{SIGTERM, 143, "1"}, {SIGHUP, 129, "1"}, {SIGINT, 130, "2"}, {SIGTERM, 143, "2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signal);
    SCOPED_TRACE(c.jobs);
    Child run;
    write_file(run.temp / "set.txt", Small + "\n" + public_level(SlowLevel) + "\n" + Small);
    std::string report = run.temp / "r.txt";
    run.start({"batch", run.temp / "set.txt", "--report", report, "--jobs", c.jobs});
    wait_for(report, "\n   1[");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(run.pid, c.signal);
    EXPECT_EQ(run.finish(), c.status) << run.err();
    std::string text = read_file(report);
    EXPECT_TRUE(ends_with_footer(text)) << text;
    EXPECT_NE(text.find(" Canceled\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Cancel]\n"), std::string::npos) << text;
    EXPECT_EQ(run.left(), "");
  }
}

// A signal in the first milliseconds, during the intake, the table
// reservation or the report's opening, never takes the default action
// once the program runs: every run ends by its handler (or before main,
// when nothing exists yet), and leaves no private folder and no report
// without its footer.
TEST(RunEnd, EarlySignalsLeaveNothingHalfDone) {
  TempDir data;
  write_file(data / "set.txt", Small + "\n" + Small);
  for (int delay = 0; delay <= 40; delay += 2) {
    SCOPED_TRACE(delay);
    Child run;
    std::string report = run.temp / "r.txt";
    run.start({"batch", data / "set.txt", "--report", report});
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
    kill(run.pid, SIGINT);
    int status = run.finish();
    EXPECT_TRUE(status == 130 || status == 0 || status == 1000 + SIGINT) << status;
    EXPECT_EQ(run.left(), "");
    if (file_exists(report)) {
      EXPECT_TRUE(ends_with_footer(read_file(report))) << read_file(report);
    }
  }
}

// Standard input that has not ended: the intake waits in a read, which
// Ctrl-C ends; so does a device that never ends. Nothing stays behind.
TEST(RunEnd, AnIntakeThatWaitsIsStoppedByCtrlC) {
  Child piped;
  std::string report = piped.temp / "r.txt";
  piped.start({"batch", "-", "--report", report}, "");
  ASSERT_EQ(write(piped.input, Small.data(), Small.size()), ssize_t(Small.size()));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(piped.pid, SIGINT);
  EXPECT_EQ(piped.finish(), 130);
  EXPECT_EQ(piped.err(), "");
  EXPECT_EQ(piped.left(), "");
  EXPECT_FALSE(file_exists(report));

  Child endless;
  endless.start({"levels", "-"}, "/dev/zero");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(endless.pid, SIGINT);
  EXPECT_EQ(endless.finish(), 130);
  EXPECT_EQ(endless.left(), "");
}

// solve prints "result: Canceled", bench no totals; both remove what they
// made and end with 128 + the signal. The solve stops at once, long before
// its search would end by itself.
TEST(RunEnd, SolveAndBenchEndCleanlyOnASignal) {
  Child solve;
  write_file(solve.temp / "set.txt", public_level(SlowerGuided));
  solve.start({"solve", solve.temp / "set.txt", "--guided"});
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(solve.pid, SIGINT);
  EXPECT_EQ(solve.finish_within(15), 130);
  EXPECT_NE(solve.out().find("result: Canceled\n"), std::string::npos) << solve.out();
  EXPECT_EQ(solve.left(), "");

  Child bench;
  bench.start({"bench"});
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  kill(bench.pid, SIGTERM);
  EXPECT_EQ(bench.finish(), 143);
  EXPECT_EQ(bench.out().find("Nodes searched"), std::string::npos) << bench.out();
}

// A script's background job starts with SIGINT ignored: it stays ignored,
// and SIGTERM still ends the run as it should.
TEST(RunEnd, AnIgnoredInterruptStaysIgnored) {
  Child run;
  write_file(run.temp / "set.txt", public_level(SlowLevel));
  std::string report = run.temp / "r.txt";
  run.start({"batch", run.temp / "set.txt", "--report", report}, "/dev/null", true);
  wait_for(report, "-----\n");
  kill(run.pid, SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(run.pid, SIGTERM);
  EXPECT_EQ(run.finish(), 143);
  EXPECT_TRUE(ends_with_footer(read_file(report)));
}

// ---------------------------------------------------------------- stale stores

// A private folder left by a run killed with SIGKILL goes at the next run;
// what is not one stays: a folder without the lock file, another user's
// name pattern behind a link, one whose lock a live process holds.
TEST(RunEnd, StaleStoresAreRemovedAndNothingElse) {
  Child run;
  const std::string& tmp = run.tmp;
  // The real thing: a run killed during its solve.
  write_file(run.temp / "set.txt", public_level(SlowLevel));
  run.start({"levels", run.temp / "set.txt"}, "/dev/null");
  run.finish();
  Child killed;
  killed.tmp = tmp;
  killed.start({"solve", run.temp / "set.txt"});
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  kill(killed.pid, SIGKILL);
  killed.finish();
  ASSERT_NE(run.left(), "");  // left behind

  ASSERT_EQ(mkdir((tmp + "/vantori-mine").c_str(), 0700), 0);
  write_file(tmp + "/vantori-mine/notes.txt", "no lock file: not ours");
  std::string elsewhere = run.temp / "elsewhere";
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
  write_file(elsewhere + "/vantori.lock", "");
  write_file(elsewhere + "/0001.txt", Small);
  ASSERT_EQ(symlink(elsewhere.c_str(), (tmp + "/vantori-link").c_str()), 0);
  std::string held = tmp + "/vantori-held";
  ASSERT_EQ(mkdir(held.c_str(), 0700), 0);
  write_file(held + "/vantori.lock", "");
  int lock = open(held.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);

  Child next;
  next.tmp = tmp;
  next.start({"levels", "--sample"});
  EXPECT_EQ(next.finish(), 0) << next.err();
  close(lock);
  EXPECT_EQ(run.left(), "vantori-held\nvantori-link\nvantori-mine\n");
  EXPECT_EQ(read_file(elsewhere + "/0001.txt"), Small);
  EXPECT_EQ(read_file(tmp + "/vantori-mine/notes.txt"), "no lock file: not ours");
}

TEST(RunEnd, AMissingTemporaryFolderIsNamed) {
  CommandResult missing = run_shell("TMPDIR=/nonexistent/tmp " + std::string(VK_VANTORI) +
                                    " levels --sample");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "Load Error!!\ncannot make a work folder in the temporary folder "
                         "/nonexistent/tmp: No such file or directory\n");
}

// ---------------------------------------------------------------- write errors

// Every command names a write error of standard output in one line, exit
// status 1: a full device and a file-size limit alike.
TEST(RunEnd, EveryWriteErrorIsNamed) {
  TempDir t;
  write_file(t / "set.txt", public_level(1) + "\n" + public_level(2));
  std::string many;
  for (int k = 0; k < 200; ++k) many += Small + "\n";
  write_file(t / "many.txt", many);
  const std::string set = q(t / "set.txt");
  const std::string limited = q(t / "limited");
  struct Case {
    std::string command, redirect, message;
  } cases[] = {
      {"levels " + set, ">/dev/full", "vantori levels: cannot write standard output: No space left on device\n"},
      {"solve " + set, ">/dev/full", "vantori solve: cannot write standard output: No space left on device\n"},
      {"bench --quick", ">/dev/full", "vantori bench: cannot write standard output: No space left on device\n"},
      {"--help", ">/dev/full", "vantori: cannot write standard output: No space left on device\n"},
      {"--version", ">/dev/full", "vantori: cannot write standard output: No space left on device\n"},
      {"levels --help", ">/dev/full", "vantori: cannot write standard output: No space left on device\n"},
      {"levels " + q(t / "many.txt"), ">" + limited,
       "vantori levels: cannot write standard output: File too large\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    CommandResult result =
        run_shell("(ulimit -f 2; exec " + std::string(VK_VANTORI) + " " + c.command + " " + c.redirect + ")");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, c.message);
  }
}

// A reader that goes ends the run as a write error does, silently: more
// lines than a pipe holds stand before a level that would search for many
// seconds, so the batch meets the closed pipe before that level, and its
// private store goes.
TEST(RunEnd, AClosedPipeEndsTheRun) {
  Child run;
  std::string set;
  for (int k = 0; k < 6000; ++k) set += Small + "\n";
  write_file(run.temp / "set.txt", set + public_level(SlowLevel));
  for (const char* command : {"batch", "levels"}) {
    SCOPED_TRACE(command);
    CommandResult result = run_shell("bash -c \"export TMPDIR=" + q(run.tmp) + "; set -o pipefail; " +
                                     VK_VANTORI + " " + command + " " + q(run.temp / "set.txt") +
                                     " | head -c 1\"");
    EXPECT_EQ(result.status, 141);
    EXPECT_EQ(result.out.size(), 1u);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(run.left(), "");
  }
}

// The store removed while a batch runs: the level whose file has gone gets
// an error line, the report its footer, the batch exit status 1.
TEST(RunEnd, AStoreRemovedDuringABatchIsAnError) {
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    Child run;
    std::string set = Small + "\n";
    for (int k = 0; k < 6; ++k) set += public_level(MediumLevel) + "\n";
    write_file(run.temp / "set.txt", set);
    std::string work = run.temp / "w", report = run.temp / "r.txt";
    run.start({"batch", run.temp / "set.txt", "--work-dir", work, "--report", report, "--jobs", jobs});
    wait_for(report, "\n   1[");
    run_shell("rm -rf " + q(work));
    EXPECT_EQ(run.finish(), 1);
    std::string text = read_file(report);
    std::smatch line;
    ASSERT_TRUE(std::regex_search(text, line, std::regex("\n +(\\d+)  Error: cannot read the level "
                                                         "file " + work + "/(\\d+)\\.txt: No such "
                                                         "file or directory\n")))
        << text;
    EXPECT_EQ(std::stoi(line[1].str()), std::stoi(line[2].str()));
    EXPECT_TRUE(ends_with_footer(text)) << text;
    EXPECT_NE(run.err().find("vantori batch: cannot read the level file " + work + "/"),
              std::string::npos)
        << run.err();
  }
}

}  // namespace vk
