// --guided on the command line: a guided report says so in its title line
// and shows the guided box limit, with the plain search's moves; several
// jobs write the report of one; levels and solve read levels with the
// guided box limit; bench --guided solves the bench levels in the same
// moves. Node counts are the guided search's own and never pinned here.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "program/program.h"
#include "support/oracle.h"
#include "support/support.h"

namespace vk {

namespace {

const char SmallSet[] =
    "#####\n#@$.#\n#####\n\n"
    "#######\n#.$@$.#\n#######\n";

// A row of n boxes above their goals, the keeper above the row.
std::string row_of_boxes(int32_t n) {
  std::string rows[5];
  for (int32_t c = 0; c < n + 4; c++) {
    bool side = c == 0 || c == n + 3, inner = c >= 2 && c <= n + 1;
    rows[0] += '#';
    rows[1] += side ? '#' : c == 1 ? '@' : ' ';
    rows[2] += side ? '#' : inner ? '$' : ' ';
    rows[3] += side ? '#' : inner ? '.' : ' ';
    rows[4] += '#';
  }
  std::string text;
  for (const std::string& row : rows) text += row + "\n";
  return text;
}

struct SetRun {
  TempDir dir;
  std::string set = dir / "set.txt";
  explicit SetRun(const std::string& levels) { write_file(set, levels); }
  CommandResult run(const std::string& command, const std::string& more = "") const {
    return run_vantori(command + " " + shell_quoted(set) + " --work-dir " +
                       shell_quoted(dir / "work") + (more.empty() ? "" : " " + more));
  }
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The report with its dates and the seconds column masked.
std::string without_times(const std::string& report) {
  static const std::regex time(R"(\d{4}/\d\d/\d\d \d\d:\d\d)");
  static const std::regex seconds(R"(\)\] +\d+sec)");
  return std::regex_replace(std::regex_replace(report, time, "YYYY/MM/DD hh:mm"), seconds,
                            ")] Ssec");
}

// Level number to result column of a report.
std::map<int, std::string> results_of(const std::string& report) {
  static const std::regex line(R"(^ *(\d+)\[.*sec +\d+ +\d+ (.*)$)");
  std::map<int, std::string> results;
  for (const std::string& text : lines_of(report)) {
    std::smatch m;
    if (std::regex_match(text, m, line)) results[std::stoi(m[1])] = m[2];
  }
  return results;
}

std::string first_forty_public_levels() {
  std::string text;
  std::vector<std::string> levels = public_levels();
  for (size_t k = 0; k < levels.size() && k < 40; k++) text += levels[k] + "\n";
  return text;
}

// The value after "NAME: " in solve's output.
std::string field(const std::string& out, const std::string& name) {
  size_t at = out.find(name + ": ");
  if (at == std::string::npos) return "";
  at += name.size() + 2;
  return out.substr(at, out.find('\n', at) - at);
}

}  // namespace

TEST(GuidedCommand, TheReportSaysGuidedInItsTitleAndShowsTheGuidedBoxLimit) {
  SetRun small(SmallSet);
  CommandResult plain = small.run("batch");
  CommandResult guided = small.run("batch", "--guided");
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(guided.status, 0) << guided.err;
  std::vector<std::string> p = lines_of(without_times(plain.out));
  std::vector<std::string> g = lines_of(without_times(guided.out));
  ASSERT_EQ(g.size(), p.size());
  EXPECT_EQ(p[0], std::string("# ") + TitleText);
  EXPECT_EQ(g[0], std::string("# ") + TitleText + " [Guided search]");
  EXPECT_EQ(p[2], "# MaxArea:2000 MaxBoxes: 8  [YYYY/MM/DD hh:mm Start]");
  char limits[128];
  std::snprintf(limits, sizeof limits, "# MaxArea:2000 MaxBoxes:%2d  [YYYY/MM/DD hh:mm Start]",
                box_limit(1));
  EXPECT_EQ(g[2], limits);
  // The rest keeps its form; the moves are the plain search's.
  for (size_t k : {1u, 3u, 4u, 7u, 8u, 9u}) EXPECT_EQ(g[k], p[k]) << k;
  EXPECT_EQ(results_of(guided.out), results_of(plain.out));
}

TEST(GuidedCommand, TwoJobsWriteTheReportOfOneWithThePlainMoves) {
  SetRun forty(first_forty_public_levels());
  CommandResult one = forty.run("batch", "--guided --memory 304M");
  CommandResult two = forty.run("batch", "--guided --jobs 2 --memory 304M");
  CommandResult plain = forty.run("batch", "--jobs 2");
  ASSERT_EQ(one.status, 0) << one.err;
  ASSERT_EQ(two.status, 0) << two.err;
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(without_times(two.out), without_times(one.out));
  std::map<int, std::string> results = results_of(one.out);
  EXPECT_EQ(results.size(), 40u);
  EXPECT_EQ(results, results_of(plain.out));
}

TEST(GuidedCommand, LevelsAndSolveReadLevelsWithTheGuidedBoxLimit) {
  const int32_t counts[] = {9, 12, GuidedMaxBoxes + 1};
  std::string text = "#####\n#@$.#\n#####\n";
  for (int32_t n : counts) {
    text += '\n';
    text += row_of_boxes(n);
  }
  SetRun set(text);
  CommandResult plain = set.run("levels");
  CommandResult guided = set.run("levels", "--guided");
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(guided.status, 0) << guided.err;
  std::vector<std::string> p = lines_of(plain.out), g = lines_of(guided.out);
  ASSERT_EQ(g.size(), 5u) << guided.out;
  EXPECT_EQ(g[0], p[0]);
  EXPECT_EQ(g[1], p[1]);
  for (int32_t k = 0; k < 3; k++) {
    int32_t n = counts[k];
    std::string prefix = std::to_string(k + 2) + " " + std::to_string(n + 4) + " 5 " +
                         std::to_string(n) + " " + std::to_string(n) + " ";
    EXPECT_EQ(p[size_t(k + 2)], prefix + "Boxes Over");
    EXPECT_EQ(g[size_t(k + 2)], prefix + (n <= box_limit(1) ? "ok" : "Boxes Over"));
  }
  // The first push of the row takes a step and the push, every other one
  // a step back up, one along and the push.
  for (int32_t k = 0; k < 2; k++) {
    int32_t n = counts[k];
    std::string level = "--level " + std::to_string(k + 2);
    CommandResult solved = set.run("solve", level + " --guided --all-moves");
    EXPECT_EQ(solved.status, 0) << solved.err;
    if (n > box_limit(1)) {
      EXPECT_EQ(field(solved.out, "result"), "Boxes Over");
      continue;
    }
    EXPECT_EQ(field(solved.out, "result"), "Solved");
    EXPECT_EQ(field(solved.out, "moves"), std::to_string(2 + 3 * (n - 1)));
  }
  int32_t status = 0;
  std::unique_ptr<Level> nine = parsed(row_of_boxes(9), &status);
  EXPECT_EQ(oracle_min_moves(*nine, 1, OracleRaw), 2 + 3 * 8);
}

TEST(GuidedCommand, SolveAndBenchFindThePlainMoves) {
  for (int32_t n = 1; n <= SampleLevels; n++) {
    std::string args = "solve --sample --level " + std::to_string(n);
    CommandResult plain = run_vantori(args);
    CommandResult guided = run_vantori(args + " --guided --memory 64M");
    EXPECT_EQ(guided.status, 0) << guided.err;
    EXPECT_EQ(field(guided.out, "result"), "Solved") << n;
    EXPECT_EQ(field(guided.out, "moves"), field(plain.out, "moves")) << n;
  }
  // bench --quick: one "N moves M nodes X queue Q ms T" line per level.
  static const std::regex line(R"(^(\d+ moves \d+) nodes \d+ queue \d+ ms \d+$)");
  CommandResult plain = run_vantori("bench --quick");
  CommandResult guided = run_vantori("bench --quick --guided");
  ASSERT_EQ(guided.status, 0) << guided.err;
  std::vector<std::string> p = lines_of(plain.out), g = lines_of(guided.out);
  ASSERT_EQ(g.size(), p.size());
  int32_t levels = 0;
  for (size_t k = 0; k < p.size(); k++) {
    std::smatch a, b;
    if (!std::regex_match(p[k], a, line)) continue;
    ASSERT_TRUE(std::regex_match(g[k], b, line)) << g[k];
    EXPECT_EQ(b[1], a[1]);
    levels++;
  }
  EXPECT_GE(levels, 10);
  ASSERT_GE(g.size(), 3u);
  EXPECT_EQ(g[g.size() - 3].rfind("Nodes searched: ", 0), 0u);
  EXPECT_EQ(g[g.size() - 2].rfind("Nodes/second: ", 0), 0u);
  EXPECT_EQ(g[g.size() - 1].rfind("Total time (ms): ", 0), 0u);
}

}  // namespace vk
