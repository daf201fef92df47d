// The progress line of vantori batch: on a pseudo-terminal it follows a long
// solve in place and is gone when the batch ends, also between the report's
// lines when the report goes to the same terminal; on a pipe nothing appears.
// Each run solves a level that takes many seconds and is ended by Ctrl-C once
// enough has been seen, so the tests stay quick.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "support/support.h"

namespace vk {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto Patience = std::chrono::seconds(120);  // for slow sanitizer builds
constexpr int PollMs = 50;

// A quick level, then one that runs for many seconds: "level 2 of 2".
struct SlowSet {
  TempDir dir;
  std::string set = dir / "slow.txt";
  std::string work = dir / "work";
  std::string report = dir / "report.txt";
  SlowSet() { write_file(set, "#####\n#@$.#\n#####\n\n" + public_levels().at(92)); }
  std::vector<std::string> args(bool toFile) const {
    std::vector<std::string> a = {"batch", set, "--work-dir", work};
    if (toFile) a.insert(a.end(), {"--report", report});
    return a;
  }
};

[[noreturn]] void exec_vantori(const std::vector<std::string>& args) {
  std::vector<char*> argv = {const_cast<char*>(VK_VANTORI)};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execv(VK_VANTORI, argv.data());
  _exit(127);
}

int exit_status(pid_t child) {
  int raw = 0;
  if (waitpid(child, &raw, 0) != child) return -1;
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

const std::regex ProgressText(R"(\rlevel ([12]) of 2: (\d+) sec, (\d+) nodes)");

size_t count_updates(const std::string& raw) {
  return size_t(std::distance(std::sregex_iterator(raw.begin(), raw.end(), ProgressText),
                              std::sregex_iterator()));
}

struct TerminalRun {
  std::string raw;  // every byte the program wrote to the terminal
  int status = -1;
};

// Runs vantori on a pseudo-terminal (standard input, output and error),
// reads until `updates` progress lines have come, then sends Ctrl-C's
// signal and reads to the end.
TerminalRun run_on_terminal(const std::vector<std::string>& args, size_t updates) {
  TerminalRun run;
  int master = -1;
  pid_t child = forkpty(&master, nullptr, nullptr, nullptr);
  if (child == 0) exec_vantori(args);
  if (child < 0) return run;
  bool interrupted = false;
  auto deadline = Clock::now() + Patience;
  for (;;) {
    if (!interrupted && (count_updates(run.raw) >= updates || Clock::now() > deadline)) {
      kill(child, SIGINT);
      interrupted = true;
    }
    pollfd ready = {master, POLLIN, 0};
    if (poll(&ready, 1, PollMs) <= 0) continue;
    char chunk[4096];
    ssize_t got = read(master, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // EIO once the program has ended and all is read
    run.raw.append(chunk, size_t(got));
  }
  close(master);
  run.status = exit_status(child);
  return run;
}

// What a terminal shows after these bytes: '\r' returns to the line's
// start, '\n' goes down a line, everything else overwrites. Trailing
// blanks and blank last lines are dropped.
std::vector<std::string> screen(const std::string& raw) {
  std::vector<std::string> rows(1);
  size_t column = 0;
  for (char c : raw) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      rows.emplace_back();
    } else {
      std::string& row = rows.back();
      if (row.size() <= column) row.resize(column + 1, ' ');
      row[column++] = c;
    }
  }
  for (std::string& row : rows) row.erase(row.find_last_not_of(' ') + 1);
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows;
}

// Two updates at least, for the slow level, with node counts that only grow.
void expect_progress_updates(const std::string& raw) {
  std::vector<long> nodes;
  for (auto m = std::sregex_iterator(raw.begin(), raw.end(), ProgressText);
       m != std::sregex_iterator(); ++m)
    if ((*m)[1] == "2") nodes.push_back(std::stol((*m)[3]));
  ASSERT_GE(nodes.size(), 2u) << raw;
  for (size_t i = 1; i < nodes.size(); ++i) EXPECT_LE(nodes[i - 1], nodes[i]) << raw;
  EXPECT_GT(nodes.back(), 0) << raw;
}

}  // namespace

TEST(BatchCommand, ProgressLineFollowsTheSolveOnATerminalAndIsClearedAtTheEnd) {
  SlowSet slow;
  TerminalRun run = run_on_terminal(slow.args(true), 2);
  EXPECT_EQ(run.status, 130);
  expect_progress_updates(run.raw);
  // Cleared: nothing is left on the screen, and the cursor is back at the
  // start of the line for whatever the shell writes next.
  EXPECT_TRUE(screen(run.raw).empty()) << run.raw;
  ASSERT_FALSE(run.raw.empty());
  EXPECT_EQ(run.raw.back(), '\r');
  EXPECT_NE(read_file(slow.report).find("Canceled\n"), std::string::npos);
}

TEST(BatchCommand, ProgressLineMakesWayForAReportOnTheSameTerminal) {
  SlowSet slow;
  TerminalRun run = run_on_terminal(slow.args(false), 2);
  EXPECT_EQ(run.status, 130);
  expect_progress_updates(run.raw);
  // The screen shows the report alone, every line whole.
  std::vector<std::string> rows = screen(run.raw);
  ASSERT_EQ(rows.size(), 10u) << run.raw;
  EXPECT_EQ(rows[0].rfind("# Vantori Kelmora", 0), 0u);
  EXPECT_EQ(rows[5], "   1[ 5* 3( 1)]    0sec        0       1     1moves");
  EXPECT_TRUE(std::regex_match(rows[6], std::regex(R"(   2\[11\*11\( 8\)\] +\d+sec +\d+ +\d+ Canceled)")))
      << rows[6];
  EXPECT_EQ(rows[7], std::string(54, '-'));
  EXPECT_TRUE(std::regex_match(rows[8], std::regex(R"(# TryCnt:   2 levels        \[.*Cancel\])")))
      << rows[8];
  EXPECT_EQ(rows[9], "# Solved:   1 levels");
}

TEST(BatchCommand, NoProgressLineWhenStandardErrorIsAPipe) {
  SlowSet slow;
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(pipeEnds[1], 2);
    close(pipeEnds[0]);
    exec_vantori(slow.args(true));
  }
  close(pipeEnds[1]);
  // Level 1's line is written when the slow solve begins; give the slow
  // solve time for several updates before Ctrl-C.
  auto deadline = Clock::now() + Patience;
  while (read_file(slow.report).find("\n   1[") == std::string::npos && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(PollMs));
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(child, SIGINT);
  std::string err;
  char chunk[4096];
  for (ssize_t got; (got = read(pipeEnds[0], chunk, sizeof chunk)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    err.append(chunk, size_t(got));
  }
  close(pipeEnds[0]);
  EXPECT_EQ(exit_status(child), 130);
  EXPECT_EQ(err, "");
  std::regex ranLong(R"(\n   2\[11\*11\( 8\)\] +[1-9]\d*sec +[1-9]\d* +\d+ Canceled\n)");
  EXPECT_TRUE(std::regex_search(read_file(slow.report), ranLong)) << read_file(slow.report);
}

}  // namespace vk
