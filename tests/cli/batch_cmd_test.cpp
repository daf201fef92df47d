// vantori batch: the report on standard output or in a file, the exit
// statuses, write errors, and Ctrl-C during a long solve.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/support.h"

namespace vk {

namespace {

const char SmallSet[] =
    "#####\n#@$.#\n#####\n\n"
    "#######\n#.$@$.#\n#######\n";

const char SmallReport[] =
    "# MaxArea:2000 MaxBoxes: 8  [YYYY/MM/DD hh:mm Start]\n"
    " No.  W  H  B     Time     Cells   Queue     Result\n"
    "------------------------------------------------------\n"
    "   1[ 5* 3( 1)]    0sec        0       1     1moves\n"
    "   2[ 7* 3( 2)]    0sec        1       2     3moves\n"
    "------------------------------------------------------\n"
    "# TryCnt:   2 levels        [YYYY/MM/DD hh:mm Finish]\n"
    "# Solved:   2 levels\n";

std::string mask_times(const std::string& report) {
  static const std::regex time(R"(\d{4}/\d\d/\d\d \d\d:\d\d)");
  return std::regex_replace(report, time, "YYYY/MM/DD hh:mm");
}

// The report without its title line, whose credit is the program's own.
std::string after_title(const std::string& report, const std::string& set, int count) {
  std::string title = report.substr(0, report.find('\n') + 1);
  EXPECT_EQ(title.rfind("# Vantori Kelmora1.2", 0), 0u) << title;
  std::string second = "# LevelSetName: " + set + " (" + std::to_string(count) + " levels)\n";
  EXPECT_EQ(report.substr(title.size(), second.size()), second);
  return mask_times(report.substr(title.size() + second.size()));
}

struct SetFixture {
  TempDir dir;
  std::string set;
  std::string work;
  explicit SetFixture(const std::string& levels, const std::string& name = "small.txt") {
    set = dir / name;
    work = dir / "work";
    write_file(set, levels);
  }
  std::string args(const std::string& more = "") const {
    return "batch '" + set + "' --work-dir '" + work + "'" + (more.empty() ? "" : " " + more);
  }
};

int count_lines(const std::string& text) {
  int lines = 0;
  for (char c : text) lines += c == '\n';
  return lines;
}

}  // namespace

TEST(BatchCommand, WritesTheReportToStandardOutput) {
  SetFixture fixture(SmallSet);
  CommandResult result = run_vantori(fixture.args());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(after_title(result.out, "small", 2), SmallReport);
}

TEST(BatchCommand, WritesTheReportToAFile) {
  SetFixture fixture(SmallSet);
  std::string report = fixture.dir / "report.txt";
  CommandResult result = run_vantori(fixture.args("--report '" + report + "'"));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(after_title(read_file(report), "small", 2), SmallReport);
}

TEST(BatchCommand, BeginWithEndDecidesASolvedStart) {
  SetFixture fixture("#####\n#@ *#\n#####\n");
  CommandResult off = run_vantori(fixture.args("--begin-with-end 0"));
  EXPECT_EQ(off.status, 0);
  EXPECT_NE(off.out.find("    0sec        0       0     0moves\n"), std::string::npos) << off.out;
  CommandResult on = run_vantori(fixture.args());
  EXPECT_NE(on.out.find(" Impossible\n"), std::string::npos) << on.out;
}

TEST(BatchCommand, UnopenableReportRunsNoBatch) {
  SetFixture fixture(SmallSet);
  std::string report = fixture.dir / "missing/report.txt";
  CommandResult result = run_vantori(fixture.args("--report '" + report + "'"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, " Can't open output file.\n");
  EXPECT_EQ(result.out, "");
}

TEST(BatchCommand, FullDiskNamesTheWriteErrorOnce) {
  SetFixture fixture(SmallSet);
  CommandResult result = run_vantori(fixture.args("--report /dev/full"));
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(count_lines(result.err), 1) << result.err;
  EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;

  // The same for a report on standard output.
  std::string command = std::string(VK_VANTORI) + " " + fixture.args() + " >/dev/full 2>'" +
                        (fixture.dir / "err") + "'";
  int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_EQ(count_lines(read_file(fixture.dir / "err")), 1);
}

TEST(BatchCommand, FailedIntakeAndBadArguments) {
  SetFixture fixture(SmallSet);
  EXPECT_EQ(run_vantori("batch '" + (fixture.dir / "none.txt") + "' --work-dir '" +
                        fixture.work + "'").status,
            1);
  EXPECT_EQ(run_vantori("batch").status, 2);
  EXPECT_EQ(run_vantori(fixture.args("--begin-with-end 2")).status, 2);
  EXPECT_EQ(run_vantori(fixture.args("--report")).status, 2);
  EXPECT_EQ(run_vantori(fixture.args("--play")).status, 2);
  EXPECT_EQ(run_vantori(fixture.args("--sample")).status, 2);  // a second source
}

TEST(BatchCommand, InterruptCancelsTheSolveAndCompletesTheReport) {
  // Level 93 of the public set runs for many seconds before it fails.
  std::string levels = read_file(test_data("public-small.txt"));
  size_t at = 0;
  for (int i = 1; i < 93; ++i) at = levels.find("\n\n", at) + 2;
  std::string slow = levels.substr(at, levels.find("\n\n", at) - at + 1);
  SetFixture fixture(std::string("#####\n#@$.#\n#####\n\n") + slow + "\n" + SmallSet, "slow.txt");
  std::string report = fixture.dir / "report.txt";

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) _exit(126);
    execl(VK_VANTORI, VK_VANTORI, "batch", fixture.set.c_str(), "--work-dir",
          fixture.work.c_str(), "--report", report.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  // Level 1's line is written once the slow level's solve has begun.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (read_file(report).find("\n   1[") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(child, SIGINT);
  int raw = 0;
  ASSERT_EQ(waitpid(child, &raw, 0), child);
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 130);

  std::string text = mask_times(read_file(report));
  std::regex canceled(R"(\n   2\[11\*11\( 8\)\] +\d+sec +\d+ +\d+ Canceled\n)");
  EXPECT_TRUE(std::regex_search(text, canceled)) << text;
  std::string end =
      "------------------------------------------------------\n"
      "# TryCnt:   2 levels        [YYYY/MM/DD hh:mm Cancel]\n"
      "# Solved:   1 levels\n";
  ASSERT_GE(text.size(), end.size());
  EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

// The report without its seconds column, which depends on the machine.
std::string without_seconds(const std::string& report) {
  static const std::regex seconds(R"(\)\] +\d+sec)");
  return std::regex_replace(mask_times(report), seconds, ")] Ssec");
}

// The first forty public levels: quick to solve, none of them failing.
std::string forty_levels() {
  std::string text;
  std::vector<std::string> levels = public_levels();
  for (size_t k = 0; k < levels.size() && k < 40; k++) text += levels[k] + "\n";
  return text;
}

TEST(BatchCommand, TwoJobsWriteTheReportOfOne) {
  SetFixture fixture(forty_levels());
  CommandResult one = run_vantori(fixture.args());
  CommandResult two = run_vantori(fixture.args("--jobs 2"));
  EXPECT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(two.status, 0) << two.err;
  EXPECT_GT(count_lines(one.out), 20);
  EXPECT_EQ(without_seconds(two.out), without_seconds(one.out));
}

TEST(BatchCommand, DoubleMemoryWritesTheSameFiguresAsTheDefault) {
  SetFixture fixture(forty_levels());
  CommandResult normal = run_vantori(fixture.args());
  CommandResult large = run_vantori(fixture.args("--memory 1216M --jobs 2"));
  EXPECT_EQ(large.status, 0) << large.err;
  EXPECT_EQ(without_seconds(large.out), without_seconds(normal.out));
}

// The level lines of a report by level number.
std::map<int, std::string> level_lines(const std::string& report) {
  static const std::regex line(R"(^ *(\d+)\[.*$)");
  std::map<int, std::string> lines;
  std::istringstream in(report);
  for (std::string text; std::getline(in, text);) {
    std::smatch m;
    if (std::regex_match(text, m, line)) lines[std::stoi(m[1])] = text;
  }
  return lines;
}

// Every public level the default solves, or proves impossible, has the same
// line with doubled tables; a level whose fullest bucket was full at the
// default may show a higher Queue figure, since a larger bucket never needs
// the packing that lowers it. Levels that fail at the default are left out.
TEST(BatchCommand, DoubleMemoryKeepsEveryFigureOfThePublicSet) {
  constexpr int FullBucket = 800000;
  static const std::regex columns(R"(^(.*\]) +\d+sec +(\d+) +(\d+) +(.*)$)");
  const std::string args = "batch '" + test_data("public-small.txt") + "' --jobs 2";
  CommandResult normal = run_vantori(args);
  CommandResult large = run_vantori(args + " --memory 1216M");
  ASSERT_EQ(normal.status, 0) << normal.err;
  ASSERT_EQ(large.status, 0) << large.err;
  std::map<int, std::string> before = level_lines(normal.out), after = level_lines(large.out);
  int compared = 0;
  for (const auto& [number, line] : before) {
    std::smatch a, b;
    ASSERT_TRUE(std::regex_match(line, a, columns)) << line;
    if (a[4].str().rfind("Failed", 0) == 0) continue;
    ASSERT_TRUE(std::regex_match(after[number], b, columns)) << number;
    EXPECT_EQ(b[1], a[1]) << number;
    EXPECT_EQ(b[2], a[2]) << number;  // records
    EXPECT_EQ(b[4], a[4]) << number;  // the result
    if (std::stoi(a[3]) < FullBucket) {
      EXPECT_EQ(b[3], a[3]) << number;  // the queue figure
    }
    compared++;
  }
  EXPECT_GT(compared, 140);
}

TEST(BatchCommand, BadJobsAndMemoryAreUsageErrorsAndTooMuchMemoryFails) {
  SetFixture fixture(SmallSet);
  for (const char* bad : {"--jobs 0", "--jobs 65", "--jobs x", "--memory 15M", "--memory 17G",
                          "--memory", "--memory 4GB"}) {
    CommandResult result = run_vantori(fixture.args(bad));
    EXPECT_EQ(result.status, 2) << bad;
    EXPECT_EQ(result.out, "") << bad;
  }
  CommandResult huge = run_vantori(fixture.args("--memory 16G --jobs 64"));
  EXPECT_EQ(huge.status, 1);
  EXPECT_NE(huge.err.find("do not fit this machine's memory"), std::string::npos) << huge.err;
  EXPECT_EQ(huge.out, "");
}

}  // namespace vk
