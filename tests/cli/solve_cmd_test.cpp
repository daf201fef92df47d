// vantori solve and vantori bench: the exact output, masking, the level
// number's clamping, the statuses of levels and solves, the exit statuses,
// and the bench's node count as the search's signature.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "support/support.h"

namespace vk {

namespace {

struct SolveFixture {
  TempDir dir;
  std::string set;
  explicit SolveFixture(const std::string& levels) {
    set = dir / "set.txt";
    write_file(set, levels);
  }
  CommandResult solve(const std::string& more = "") const {
    return run_vantori("solve '" + set + "' --work-dir '" + dir.path + "work' " + more);
  }
};

// The time line varies from run to run.
std::string without_time(const std::string& out) {
  static const std::regex time("time: [0-9]+ ms\n");
  return std::regex_replace(out, time, "time: T ms\n");
}

const char WayOutAndBackLevels[] =
    "########\n#    # #\n#    # #\n# *    #\n#. $   #\n# @ # ##\n########\n"
    "\n"
    "#######\n#     #\n# @ #*#\n#   # #\n#     #\n#######\n";

TEST(SolveCommand, PrintsTheFiguresAndTheMaskedTrace) {
  SolveFixture f(WayOutAndBackLevels);
  CommandResult r = f.solve();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(without_time(r.out),
            "level: 1\nresult: Solved\nmoves: 9\nnodes: 122\nqueue: 25\ntime: T ms\n"
            "traceover: 0\ntrace: uR???????\n");
  r = f.solve("--all-moves");
  EXPECT_NE(r.out.find("\ntrace: uRurrdLLL\n"), std::string::npos) << r.out;
}

TEST(SolveCommand, BeginWithEndChoosesBetweenTheSolvedStartAndASearch) {
  SolveFixture f(WayOutAndBackLevels);
  CommandResult on = f.solve("--level 2 --all-moves");
  EXPECT_NE(on.out.find("result: Solved\nmoves: 14\n"), std::string::npos) << on.out;
  CommandResult off = f.solve("--level 2 --begin-with-end 0");
  EXPECT_EQ(without_time(off.out),
            "level: 2\nresult: Solved\nmoves: 0\nnodes: 0\nqueue: 0\ntime: T ms\n"
            "traceover: 0\ntrace: \n");
}

TEST(SolveCommand, TheLevelNumberIsClampedAsTheGoButtonDoes) {
  SolveFixture f(WayOutAndBackLevels);
  EXPECT_EQ(f.solve("--level 0").out.rfind("level: 1\n", 0), 0u);
  EXPECT_EQ(f.solve("--level x").out.rfind("level: 1\n", 0), 0u);
  EXPECT_EQ(f.solve("--level 99").out.rfind("level: 2\n", 0), 0u);
}

TEST(SolveCommand, LevelAndSolveStatusesAreWords) {
  SolveFixture f(
      "#####\n#@$ #\n#####\n\n"  // a goal missing
      "######\n#@*  #\n######\n");  // solved, but no way out and back
  CommandResult bad = f.solve();
  EXPECT_EQ(bad.status, 0);
  EXPECT_EQ(without_time(bad.out),
            "level: 1\nresult: Irregular\nmoves: 0\nnodes: 0\nqueue: 0\ntime: T ms\n"
            "traceover: 0\ntrace: \n");
  CommandResult impossible = f.solve("--level 2");
  EXPECT_EQ(impossible.status, 0);
  EXPECT_NE(impossible.out.find("result: Impossible\nmoves: 0\n"), std::string::npos);
}

TEST(SolveCommand, TheSampleSetSolves) {
  CommandResult r;
  TempDir dir;
  r = run_vantori("solve --sample --level 1 --all-moves --work-dir '" + dir.path + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(r.out, m, std::regex("moves: ([0-9]+)\n[^]*trace: ([udlrUDLR]*)\n")));
  EXPECT_EQ(std::stoi(m[1]), int(m[2].length()));
}

TEST(SolveCommand, UsageAndIntakeErrors) {
  SolveFixture f(WayOutAndBackLevels);
  EXPECT_EQ(run_vantori("solve").status, 2);
  EXPECT_EQ(f.solve("--begin-with-end 2").status, 2);
  EXPECT_EQ(f.solve("--level").status, 2);
  EXPECT_EQ(f.solve("--frobnicate").status, 2);
  CommandResult missing = run_vantori("solve '" + f.dir.path + "none.txt' --work-dir '" +
                                      f.dir.path + "work'");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("Load Error!!"), std::string::npos);
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
TEST(SolveCommand, SaysSoWhenTheTablesCannotBeReserved) {
  SolveFixture f(WayOutAndBackLevels);
  std::string command = "ulimit -v 400000; " + std::string(VK_VANTORI) + " solve '" + f.set +
                        "' --work-dir '" + f.dir.path + "work' >'" + f.dir.path + "out' 2>'" +
                        f.dir.path + "err'";
  int raw = std::system(("sh -c \"" + command + "\"").c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_NE(read_file(f.dir / "err").find("not enough memory"), std::string::npos);
}
#endif

TEST(BenchCommand, TheQuickPartKeepsTheSearchsSignature) {
  CommandResult r = run_vantori("bench --quick");
  ASSERT_EQ(r.status, 0) << r.err;
  static const std::regex line("[0-9]+ moves [0-9]+ nodes [0-9]+ queue [0-9]+ ms [0-9]+");
  std::string out = r.out;
  size_t lines = 0;
  for (size_t at = 0; at < out.size() && out.compare(at, 5, "Nodes") != 0; lines++) {
    size_t end = out.find('\n', at);
    EXPECT_TRUE(std::regex_match(out.substr(at, end - at), line)) << out.substr(at, end - at);
    at = end + 1;
  }
  EXPECT_EQ(lines, 10u);
  EXPECT_NE(out.find("Nodes searched: 440754\nNodes/second: "), std::string::npos) << out;
  EXPECT_NE(out.find("\nTotal time (ms): "), std::string::npos);
  EXPECT_EQ(run_vantori("bench --slow").status, 2);
}

}  // namespace

}  // namespace vk
