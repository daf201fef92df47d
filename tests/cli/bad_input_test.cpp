// Bad input through vantori: binary and huge files, odd lines, sizes at the
// limit, big folders, unreadable sources and work folders. Each ends with a
// clear outcome and touches nothing outside the work folder.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <regex>
#include <string>

#include "support/support.h"

namespace vk {

namespace {

const std::string Small = "#####\n#@$.#\n#####\n";

// A temporary folder that the unprivileged user may use too.
struct OpenTemp {
  TempDir temp;
  std::string work = temp.path + "work";
  std::string nobodyWork = temp.path + "work-nobody";  // the unprivileged runs' own
  OpenTemp() { chmod(temp.path.c_str(), 0777); }
  std::string operator/(const std::string& name) const { return temp / name; }
  CommandResult levels(const std::string& source) {
    return run_vantori("levels " + shell_quoted(source) + " --work-dir " + shell_quoted(work));
  }
  CommandResult levels_unprivileged(const std::string& source) {
    return run_vantori_unprivileged("levels " + shell_quoted(source) + " --work-dir " +
                                    shell_quoted(nobodyWork));
  }
};

// A room of the given size, walls all round, with one box, goal and keeper.
std::string room(int width, int height) {
  std::string text;
  for (int row = 0; row < height; ++row) {
    std::string line(width, row == 0 || row == height - 1 ? '#' : ' ');
    line.front() = line.back() = '#';
    if (row == 1) line.replace(1, 3, "@$.");
    text += line + "\n";
  }
  return text;
}

// Every entry of a folder is a level file named by four or more digits.
bool only_level_files(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return false;
  bool plain = true;
  std::regex name("[0-9]{4,}\\.txt");
  while (dirent* entry = readdir(dir)) {
    std::string n = entry->d_name;
    if (n != "." && n != ".." && !std::regex_match(n, name)) plain = false;
  }
  closedir(dir);
  return plain;
}

// The outcome of an intake of bytes that are not meant as levels: either a
// well-formed level list or "Load Error!!", never a crash.
void expect_clear_outcome(const CommandResult& result) {
  if (result.status == 1) {
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err.rfind("Load Error!!\n", 0), 0u) << result.err;
    return;
  }
  ASSERT_EQ(result.status, 0) << result.err;
  std::regex line("set .* count [0-9]+ highest [0-9]+|[0-9]+ [0-9]+ [0-9]+ [0-9]+ [0-9]+ "
                  "(ok|Irregular|Size Over|Boxes Over|Impossible)");
  size_t start = 0;
  for (size_t end; (end = result.out.find('\n', start)) != std::string::npos; start = end + 1)
    EXPECT_TRUE(std::regex_match(result.out.substr(start, end - start), line))
        << result.out.substr(start, end - start);
  EXPECT_EQ(start, result.out.size());
}

}  // namespace

TEST(BadInput, BinaryFilesGiveAClearOutcomeAndStayUntouched) {
  OpenTemp t;
  std::mt19937 random(20261208);
  std::string noise(1 << 20, 0);
  for (char& byte : noise) byte = static_cast<char>(random());
  // A picture: a PNG signature and header followed by pixel bytes, and the
  // same with a netpbm header.
  std::string png = std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) + noise.substr(0, 4096);
  std::string pnm = "P6\n64 64\n255\n" + noise.substr(4096, 64 * 64 * 3);
  std::string program = read_file(VK_VANTORI);
  ASSERT_GT(program.size(), 10000u);
  for (const std::string* bytes : {&noise, &png, &pnm, &program}) {
    write_file(t / "binary", *bytes);
    CommandResult result = t.levels(t / "binary");
    expect_clear_outcome(result);
    EXPECT_EQ(read_file(t / "binary"), *bytes);
    EXPECT_TRUE(only_level_files(t.work));
  }
}

TEST(BadInput, HundredMegabyteFileWithOneLevelAtItsEnd) {
  OpenTemp t;
  std::string line = std::string(99, 'x') + "\n";
  std::string text;
  text.reserve(100 * 1000 * 1000 + Small.size());
  for (int i = 0; i < 1000 * 1000; ++i) text += line;
  write_file(t / "big.txt", text + Small);
  text = std::string();
  CommandResult result = t.levels(t / "big.txt");
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "set big count 1 highest 1\n1 5 3 1 1 ok\n");
}

TEST(BadInput, LineEndsMissingLongLinesAndNulBytes) {
  OpenTemp t;
  struct Case {
    std::string bytes;
    std::string out;  // "" for a failed intake
  } cases[] = {
      // the last row of a level without a line end is kept
      {Small.substr(0, Small.size() - 1), "set f count 1 highest 1\n1 5 3 1 1 ok\n"},
      // a file that is one line of 3000 wall characters without an end
      {std::string(3000, '#'), ""},
      {"", ""},
      // lines longer than 2000 bytes between levels are dropped
      {Small + std::string(2001, '#') + "\n" + Small + std::string(5000, 'x') + "\r\n" + Small,
       "set f count 3 highest 3\n1 5 3 1 1 ok\n2 5 3 1 1 ok\n3 5 3 1 1 ok\n"},
      // a line of NUL bytes separates two levels; one inside a row ends it
      {Small + std::string(3, '\0') + "\n" + Small, "set f count 2 highest 2\n1 5 3 1 1 ok\n2 5 3 1 1 ok\n"},
      {"#####\n#@$.#\n##" + std::string(1, '\0') + "##\n#####\n",
       "set f count 2 highest 2\n1 5 2 1 0 Irregular\n2 5 1 0 0 Irregular\n"},
  };
  for (const Case& c : cases) {
    write_file(t / "f.txt", c.bytes);
    CommandResult result = t.levels(t / "f.txt");
    SCOPED_TRACE(c.out);
    EXPECT_EQ(result.out, c.out);
    EXPECT_EQ(result.status, c.out.empty() ? 1 : 0) << result.err;
    if (c.out.empty()) {
      EXPECT_EQ(result.err, "Load Error!!\nno level in " + t / "f.txt" + "\n");
    }
  }
}

TEST(BadInput, TwoThousandCellsAreReadAndOneMoreIsSizeOver) {
  OpenTemp t;
  write_file(t / "sizes.txt", room(50, 40) + "\n" + room(87, 23) + "\n" + room(2001, 1));
  CommandResult result = t.levels(t / "sizes.txt");
  EXPECT_EQ(result.status, 0) << result.err;
  // A row of 2001 bytes is longer than a line may be, so the set has two.
  EXPECT_EQ(result.out, "set sizes count 2 highest 2\n1 50 40 1 1 ok\n2 87 23 1 0 Size Over\n");
}

TEST(BadInput, FolderOfTenThousandFiles) {
  OpenTemp t;
  std::string folder = t / "pack";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  constexpr int Files = 10000;
  for (int n = 1; n <= Files; ++n) write_file(folder + "/level" + std::to_string(n) + ".txt", Small);
  CommandResult result = t.levels(folder);
  EXPECT_EQ(result.status, 0) << result.err;
  std::string expected = "set pack count 10000 highest 10000\n";
  for (int n = 1; n <= Files; ++n) expected += std::to_string(n) + " 5 3 1 1 ok\n";
  EXPECT_EQ(result.out, expected);
  EXPECT_TRUE(file_exists(t.work + "/10000.txt"));
}

TEST(BadInput, MissingAndUnreadableSources) {
  OpenTemp t;
  CommandResult missing = t.levels(t / "nowhere.txt");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "Load Error!!\ncannot read " + t / "nowhere.txt" + ": No such file or directory\n");

  write_file(t / "locked.txt", Small);
  chmod((t / "locked.txt").c_str(), 0);
  CommandResult file = t.levels_unprivileged(t / "locked.txt");
  if (file.status == -1) GTEST_SKIP() << "running as root without a way to drop privileges";
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(file.err, "Load Error!!\ncannot read " + t / "locked.txt" + ": Permission denied\n");

  std::string folder = t / "closed";
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  write_file(folder + "/1.txt", Small);
  chmod(folder.c_str(), 0);
  CommandResult closed = t.levels_unprivileged(folder);
  EXPECT_EQ(closed.status, 1);
  EXPECT_EQ(closed.err, "Load Error!!\ncannot read " + folder + ": Permission denied\n");

  // An unreadable file among readable ones is named and skipped: its
  // number stays empty.
  chmod(folder.c_str(), 0755);
  write_file(folder + "/2.txt", Small);
  chmod((folder + "/1.txt").c_str(), 0);
  CommandResult partly = t.levels_unprivileged(folder);
  EXPECT_EQ(partly.status, 0) << partly.err;
  EXPECT_EQ(partly.err, "vantori: warning: cannot read " + folder +
                            "/1.txt: Permission denied; its level stays missing\n");
  EXPECT_EQ(partly.out, "set closed count 1 highest 2\n1 0 0 0 0 Irregular\n2 5 3 1 1 ok\n");
}

TEST(BadInput, WorkFolderThatIsALinkAFileOrReadOnlyLosesNothing) {
  OpenTemp t;
  write_file(t / "set.txt", Small);
  // A link to a folder elsewhere: refused, nothing there deleted.
  std::string elsewhere = t / "elsewhere";
  ASSERT_EQ(mkdir(elsewhere.c_str(), 0755), 0);
  write_file(elsewhere + "/0001.txt", "precious");
  ASSERT_EQ(symlink(elsewhere.c_str(), t.work.c_str()), 0);
  CommandResult linked = t.levels(t / "set.txt");
  EXPECT_EQ(linked.status, 1);
  EXPECT_EQ(linked.err, "Load Error!!\nwork folder " + t.work + "/ is a symbolic link\n");
  EXPECT_EQ(read_file(elsewhere + "/0001.txt"), "precious");

  // A plain file where the folder should be: refused, the file kept.
  ASSERT_EQ(unlink(t.work.c_str()), 0);
  write_file(t.work, "precious");
  CommandResult plain = t.levels(t / "set.txt");
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.err, "Load Error!!\nwork folder " + t.work + "/ is not a folder\n");
  EXPECT_EQ(read_file(t.work), "precious");

  // Links inside the work folder are removed, never followed.
  ASSERT_EQ(unlink(t.work.c_str()), 0);
  ASSERT_EQ(mkdir(t.work.c_str(), 0777), 0);
  ASSERT_EQ(symlink((elsewhere + "/0001.txt").c_str(), (t.work + "/0001.txt").c_str()), 0);
  ASSERT_EQ(symlink(elsewhere.c_str(), (t.work + "/folder").c_str()), 0);
  CommandResult inside = t.levels(t / "set.txt");
  EXPECT_EQ(inside.status, 0) << inside.err;
  EXPECT_EQ(read_file(elsewhere + "/0001.txt"), "precious");
  EXPECT_EQ(read_file(t.work + "/0001.txt"), Small);
  EXPECT_TRUE(file_exists(elsewhere + "/0001.txt"));

  // A folder the user may not write to.
  ASSERT_EQ(mkdir(t.nobodyWork.c_str(), 0555), 0);
  CommandResult locked = t.levels_unprivileged(t / "set.txt");
  if (locked.status == -1) GTEST_SKIP() << "running as root without a way to drop privileges";
  EXPECT_EQ(locked.status, 1);
  EXPECT_EQ(locked.err, "Load Error!!\ncannot write a level file in " + t.nobodyWork + "/: Permission denied\n");
}

}  // namespace vk
