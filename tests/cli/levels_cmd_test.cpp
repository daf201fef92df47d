// vantori levels: the set line and one line per level number, from files,
// folders, standard input and the sample set; failed intakes and usage errors.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/support.h"

namespace vk {

namespace {

const std::string Small = "#####\n#@$.#\n#####\n";

struct LevelsRun {
  TempDir temp;
  std::string work = temp.path + "work";
  CommandResult run(const std::string& source, const std::string& input = "") {
    return run_vantori("levels " + source + " --work-dir " + shell_quoted(work), input);
  }
};

}  // namespace

TEST(LevelsCommand, FileOfLevelsWithEveryStatus) {
  LevelsRun levels;
  std::string nineBoxes =
      "#############\n#@          #\n# $$$$$$$$$ #\n# ......... #\n#           #\n#############\n";
  std::string wide;  // 30 rows of 70 columns: 2100 cells
  for (int row = 0; row < 30; ++row) wide += std::string(70, '#') + "\n";
  wide[75] = '$';
  std::string text = "Title\n" + Small + "\n" + nineBoxes + "\n#####\n#@$ #\n#####\n\n" + wide;
  write_file(levels.temp / "my.set.txt", text);
  CommandResult result = levels.run(shell_quoted(levels.temp / "my.set.txt"));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "set my.set count 4 highest 4\n"
            "1 5 3 1 1 ok\n"
            "2 13 6 9 9 Boxes Over\n"
            "3 5 3 1 0 Irregular\n"
            "4 70 30 1 0 Size Over\n");
  EXPECT_EQ(result.err, "");
}

TEST(LevelsCommand, FolderWithAGapReportsTheMissingNumber) {
  LevelsRun levels;
  std::string folder = levels.temp.path + "pack";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  write_file(folder + "/lv_2.txt", Small);
  CommandResult result = levels.run(shell_quoted(folder + "/"));
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out,
            "set pack count 1 highest 2\n"
            "1 0 0 0 0 Irregular\n"
            "2 5 3 1 1 ok\n");
}

TEST(LevelsCommand, StandardInputIsReadLikeAFile) {
  LevelsRun levels;
  std::string input = Small + "\r\n" + std::string(4500, '#') + "\r\n" + Small;
  CommandResult result = levels.run("-", input);
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "set Text count 2 highest 2\n1 5 3 1 1 ok\n2 5 3 1 1 ok\n");
}

TEST(LevelsCommand, SampleSetIsAllSolvableShapes) {
  LevelsRun levels;
  CommandResult result = levels.run("--sample");
  EXPECT_EQ(result.status, 0) << result.err;
  ASSERT_EQ(result.out.rfind("set Sample count 6 highest 6\n", 0), 0u) << result.out;
  size_t okLines = 0;
  for (size_t at = 0; (at = result.out.find(" ok\n", at)) != std::string::npos; ++at) ++okLines;
  EXPECT_EQ(okLines, 6u);
  EXPECT_TRUE(file_exists(levels.work + "/0006.txt"));
}

TEST(LevelsCommand, FailedIntakeSaysLoadError) {
  LevelsRun levels;
  CommandResult missing = levels.run(shell_quoted(levels.temp / "missing.txt"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err.rfind("Load Error!!\n", 0), 0u) << missing.err;

  write_file(levels.temp / "empty.txt", "no levels here\n");
  CommandResult empty = levels.run(shell_quoted(levels.temp / "empty.txt"));
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err.rfind("Load Error!!\n", 0), 0u) << empty.err;

  std::string outside = levels.temp.path + "outside";
  ASSERT_EQ(mkdir(outside.c_str(), 0700), 0);
  write_file(outside + "/keep.txt", "precious");
  std::string link = levels.temp.path + "link";
  ASSERT_EQ(symlink(outside.c_str(), link.c_str()), 0);
  CommandResult linked = run_vantori("levels --sample --work-dir " + shell_quoted(link));
  EXPECT_EQ(linked.status, 1);
  EXPECT_EQ(linked.err, "Load Error!!\nwork folder " + link + "/ is a symbolic link\n");
  EXPECT_EQ(read_file(outside + "/keep.txt"), "precious");
}

TEST(LevelsCommand, UsageErrorsExitWithTwo) {
  for (const char* arguments :
       {"levels", "levels --sample --work-dir", "levels --sample a.txt", "levels a.txt b.txt",
        "levels --sample --bogus"}) {
    CommandResult result = run_vantori(arguments);
    EXPECT_EQ(result.status, 2) << arguments;
    EXPECT_NE(result.err.find("vantori levels SOURCE|--sample [--work-dir DIR]"), std::string::npos)
        << arguments;
    EXPECT_EQ(result.out, "") << arguments;
  }
  CommandResult help = run_vantori("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("vantori levels"), std::string::npos);
}

}  // namespace vk
