// The level intake: line rules, chunked reading of files and pipes, folder
// numbering, the work folder's safety rules, set names and the sample set.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "level/level_internal.h"
#include "support/oracle.h"
#include "support/support.h"

namespace vk {

namespace {

const std::string Small = "#####\n#@$.#\n#####\n";

std::string level_path(const std::string& workDir, int32_t n) {
  char name[StorePathCapacity];
  level_file_name(workDir.c_str(), n, name, StorePathCapacity);
  return name;
}

// Every name in a folder, sorted; folders get a trailing '/'.
std::vector<std::string> entries(const std::string& dir) {
  std::vector<std::string> names;
  std::string command = "ls -A1p '" + dir + "'";
  FILE* list = popen(command.c_str(), "r");
  char line[4096];
  while (list && std::fgets(line, sizeof line, list)) {
    names.emplace_back(line, std::strcspn(line, "\n"));
  }
  if (list) pclose(list);
  std::sort(names.begin(), names.end());
  return names;
}

class Intake : public ::testing::Test {
 protected:
  TempDir temp;
  std::string work = temp.path + "work/";
  std::unique_ptr<LevelStore> store = std::make_unique<LevelStore>();

  void SetUp() override { ASSERT_EQ(init_level_store(*store, work.c_str()), 1); }
  void TearDown() override { release_level_store(*store); }

  int32_t load_text(const std::string& text) { return load_text_into(*store, text); }
  static int32_t load_text_into(LevelStore& into, const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.resize(text.size() + 2, 0);
    return load_level_set(into, SourceText, buffer.data());
  }
  int32_t load_path(int32_t source, const std::string& path) {
    std::string copy = path;
    return load_level_set(*store, source, copy.data());
  }
  int32_t load_file_bytes(const std::string& bytes) {
    write_file(temp / "source.txt", bytes);
    return load_path(SourceFile, temp / "source.txt");
  }
  std::string stored(int32_t n) const { return read_file(level_path(work, n)); }

  // Every level file with its number, as one text, to compare whole stores.
  std::string snapshot() const {
    std::string all = std::to_string(store->levelCount) + " " + std::to_string(store->highest) + "\n";
    for (const std::string& name : entries(work)) all += name + ":" + read_file(work + name) + "|";
    return all;
  }
};

}  // namespace

// ---------------------------------------------------------------- lines

TEST_F(Intake, TrailingSpacesGoAndABlankLineEndsALevel) {
  EXPECT_EQ(load_text("  ####  \n  #@$.#\n  ####\n   \n" + Small), 1);
  EXPECT_EQ(store->levelCount, 2);
  EXPECT_EQ(stored(1), "  ####\n  #@$.#\n  ####\n");
  EXPECT_EQ(stored(2), Small);
}

TEST_F(Intake, AnyOtherCharacterMakesANonLevelLine) {
  for (const char* separator : {"#\t#", "Title", "; comment", "-", "_", "1", ""}) {
    EXPECT_EQ(load_text(Small + separator + "\n" + Small), 1) << separator;
    EXPECT_EQ(store->levelCount, 2) << separator;
    EXPECT_EQ(stored(2), Small) << separator;
  }
  // Maps written one under the other are one level.
  EXPECT_EQ(load_text(Small + Small), 1);
  EXPECT_EQ(store->levelCount, 1);
  EXPECT_EQ(stored(1), Small + Small);
}

TEST_F(Intake, LineEndsOfEveryKindAndTheLastLineWithoutOne) {
  EXPECT_EQ(load_text("#####\r\n#@$.#\r#####"), 1);
  EXPECT_EQ(store->levelCount, 1);
  EXPECT_EQ(stored(1), Small);
  // LF CR is two line ends with an empty line between them.
  EXPECT_EQ(load_text("#####\n\r#####\n"), 1);
  EXPECT_EQ(store->levelCount, 2);
  EXPECT_EQ(stored(1), "#####\n");
}

TEST_F(Intake, TextOfThreeLevelsFillsThreeFiles) {
  EXPECT_EQ(load_text("Level 1\n" + Small + "\nLevel 2\n" + Small + "\n" + Small), 1);
  EXPECT_EQ(store->levelCount, 3);
  EXPECT_EQ(store->highest, 3);
  EXPECT_STREQ(store->setName, "Text");
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt", "0002.txt", "0003.txt"}));
}

TEST_F(Intake, SourceWithoutLevelsFailsAndLeavesTheFolderEmpty) {
  ASSERT_EQ(load_text(Small), 1);
  EXPECT_EQ(load_text("just a title\n\n   \n"), 0);
  EXPECT_EQ(store->levelCount, 0);
  EXPECT_EQ(store->failure, IntakeNoLevels);
  EXPECT_TRUE(entries(work).empty());
}

// ---------------------------------------------------------------- chunks

TEST_F(Intake, FilesOfExactlyOneChunk) {
  std::string row = "#########\n";  // 10 bytes
  std::string whole;
  for (int i = 0; i < ChunkSize / 10; ++i) whole += row;
  ASSERT_EQ(whole.size(), size_t(ChunkSize));
  EXPECT_EQ(load_file_bytes(whole), 1);
  EXPECT_EQ(stored(1), whole);

  std::string open = whole.substr(0, whole.size() - 11) + "\n##########";  // no final line end
  ASSERT_EQ(open.size(), size_t(ChunkSize));
  EXPECT_EQ(load_file_bytes(open), 1);
  EXPECT_EQ(store->levelCount, 1);
  EXPECT_EQ(stored(1), open + "\n");
}

TEST_F(Intake, CrLfAcrossTheChunkEndIsOneLineEnd) {
  // The CR of a row is byte 2000 and its LF byte 2001: the row is read again
  // from the next chunk, stored once, and no empty line splits the level.
  std::string text = std::string(32, 'x') + "\r\n";
  std::string rows;
  for (int i = 0; i < 300; ++i) rows += "#####\r\n";
  text += rows;
  ASSERT_EQ(text[ChunkSize - 1], '\r');
  ASSERT_EQ(text[ChunkSize], '\n');
  EXPECT_EQ(load_file_bytes(text), 1);
  EXPECT_EQ(store->levelCount, 1);
  std::string expected;
  for (int i = 0; i < 300; ++i) expected += "#####\n";
  EXPECT_EQ(stored(1), expected);
}

TEST_F(Intake, LinesLongerThanAChunkAreDroppedAndEndTheLevel) {
  std::string longRow(2500, '#');
  for (const char* end : {"\n", "\r\n", "\r"}) {
    EXPECT_EQ(load_file_bytes(Small + longRow + end + Small), 1) << "end " << int(end[0]);
    EXPECT_EQ(store->levelCount, 2);
    EXPECT_EQ(stored(1), Small);
    EXPECT_EQ(stored(2), Small);
  }
  // Exactly a chunk long, first in the file, or running to the end.
  EXPECT_EQ(load_file_bytes(std::string(ChunkSize, '#') + "\n" + Small), 1);
  EXPECT_EQ(store->levelCount, 1);
  EXPECT_EQ(stored(1), Small);
  EXPECT_EQ(load_file_bytes(Small + std::string(3 * ChunkSize + 7, '#')), 1);
  EXPECT_EQ(store->levelCount, 1);
  EXPECT_EQ(stored(1), Small);
}

TEST_F(Intake, ALineThatFillsAChunkUpToItsCrIsKept) {
  std::string row(ChunkSize - 1, '#');
  EXPECT_EQ(load_file_bytes(row + "\r\n" + Small), 1);  // CR LF: one line end
  EXPECT_EQ(store->levelCount, 1);
  EXPECT_EQ(stored(1), row + "\n" + Small);
  EXPECT_EQ(load_file_bytes(row + "\r" + Small), 1);  // a lone CR
  EXPECT_EQ(stored(1), row + "\n" + Small);
  EXPECT_EQ(load_file_bytes(row + "\r\r" + Small), 1);  // CR, then an empty line
  EXPECT_EQ(store->levelCount, 2);
}

TEST_F(Intake, NulBytesAreOrdinaryNonLevelCharacters) {
  std::string nul(1, '\0');
  EXPECT_EQ(load_file_bytes(Small + "#" + nul + "#\n" + Small), 1);
  EXPECT_EQ(store->levelCount, 2);
  EXPECT_EQ(stored(2), Small);
  EXPECT_EQ(load_file_bytes(nul + nul + "\n" + Small), 1);  // the rest of the chunk counts
  EXPECT_EQ(store->levelCount, 1);
  EXPECT_EQ(stored(1), Small);
}

// Random texts of mixed line ends, sizes around the chunk boundaries: a file,
// a pipe fed in odd pieces and the same text in memory must give one store.
TEST_F(Intake, FilePipeAndTextGiveTheSameStore) {
  std::mt19937 random(7);
  const std::string alphabet = " .$*@+#";
  const char* ends[] = {"\n", "\r\n", "\r"};
  for (int round = 0; round < 60; ++round) {
    std::string text;
    size_t target = size_t(1500 + random() % 5000);
    while (text.size() < target) {
      int32_t length = int32_t(random() % 40);
      for (int32_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
      if (random() % 9 == 0) text += "Title";
      text += ends[random() % 3];
    }
    if (random() % 2) text.pop_back();

    load_text(text);
    std::string fromText = snapshot();
    load_file_bytes(text);
    EXPECT_EQ(snapshot(), fromText) << "round " << round;

    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    std::thread writer([&, seed = round] {
      std::mt19937 pieces(seed);
      for (size_t at = 0; at < text.size();) {
        size_t piece = std::min(text.size() - at, size_t(1 + pieces() % 700));
        if (write(pipeFds[1], text.data() + at, piece) < 0) break;
        at += piece;
      }
      close(pipeFds[1]);
    });
    init_level_store(*store, work.c_str());
    clear_level_store(*store);
    IntakeRun in{*store, 0, OsNoHandle, 0, 0, 0, {}};
    EXPECT_EQ(read_level_source_fd(in, pipeFds[0]), 1);
    close_level_file(in);
    writer.join();
    close(pipeFds[0]);
    EXPECT_EQ(snapshot(), fromText) << "round " << round;
  }
}

// ---------------------------------------------------------------- folders

TEST_F(Intake, FolderFilesAreNumberedByTheDigitsInTheirNames) {
  std::string source = temp.path + "pack/";
  ASSERT_EQ(mkdir(source.c_str(), 0700), 0);
  write_file(source + "7.txt", Small + "\n#####\n#@$.#\n#####\n\n##\n");
  write_file(source + "lv_012.txt", Small);
  write_file(source + "a1b2.txt", Small);
  write_file(source + "map3.sok", Small);
  write_file(source + "readme.txt", Small);
  write_file(source + "x0.txt", Small);
  write_file(source + "99999.txt", Small);
  write_file(source + "100000.txt", Small);
  write_file(source + "123456789012345678901234.txt", Small);
  ASSERT_EQ(mkdir((source + "9dir").c_str(), 0700), 0);
  write_file(source + "9dir/1.txt", Small);

  EXPECT_EQ(load_path(SourceFolder, source), 1);
  EXPECT_STREQ(store->setName, "pack");
  EXPECT_EQ(store->levelCount, 3 + 4);
  EXPECT_EQ(store->highest, 99999);
  EXPECT_EQ(stored(7), "##\n");  // the last level of 7.txt
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt", "0003.txt", "0007.txt",
                                                     "0012.txt", "99999.txt"}));
}

TEST_F(Intake, FolderNumbersMayLeaveGaps) {
  std::string source = temp.path + "gaps";
  ASSERT_EQ(mkdir(source.c_str(), 0700), 0);
  write_file(source + "/2.txt", Small);
  write_file(source + "/5.txt", "#####\n#@$.#\n" + std::string(2200, '#'));  // no LF after a long line
  EXPECT_EQ(load_path(SourceFolder, source), 1);
  EXPECT_STREQ(store->setName, "gaps");
  EXPECT_EQ(store->levelCount, 2);
  EXPECT_EQ(store->highest, 5);
  EXPECT_EQ(stored(5), "#####\n#@$.#\n");
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0002.txt", "0005.txt"}));
}

TEST_F(Intake, MissingSourcesFailAfterTheFolderIsEmptied) {
  ASSERT_EQ(load_text(Small), 1);
  EXPECT_EQ(load_path(SourceFile, temp / "missing.txt"), 0);
  EXPECT_EQ(store->failure, IntakeSource);
  EXPECT_TRUE(entries(work).empty());
  ASSERT_EQ(load_text(Small), 1);
  EXPECT_EQ(load_path(SourceFolder, temp / "missing"), 0);
  EXPECT_TRUE(entries(work).empty());
  ASSERT_EQ(load_text(Small), 1);
  EXPECT_EQ(load_path(9, "anything"), 0);
  EXPECT_EQ(store->failure, IntakeBadSource);
  EXPECT_TRUE(entries(work).empty());
}

// ---------------------------------------------------------------- work folder

TEST(LevelFileName, FourDigitsAtLeast) {
  char name[64];
  level_file_name("/w/", 7, name, sizeof name);
  EXPECT_STREQ(name, "/w/0007.txt");
  level_file_name("/w/", 12345, name, sizeof name);
  EXPECT_STREQ(name, "/w/12345.txt");
}

TEST(WorkFolder, DefaultLiesInTheUsersCache) {
  std::string savedCache = std::getenv("XDG_CACHE_HOME") ? std::getenv("XDG_CACHE_HOME") : "";
  bool hadCache = std::getenv("XDG_CACHE_HOME") != nullptr;
  std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  char dir[StorePathCapacity];
  setenv("HOME", "/home/tester/", 1);
  setenv("XDG_CACHE_HOME", "/var/cache/tester", 1);
  EXPECT_EQ(default_work_dir(dir, sizeof dir), 1);
  EXPECT_STREQ(dir, "/var/cache/tester/temp_vantori/");
  setenv("XDG_CACHE_HOME", "relative/cache", 1);  // not absolute: ignored
  EXPECT_EQ(default_work_dir(dir, sizeof dir), 1);
  EXPECT_STREQ(dir, "/home/tester/.cache/temp_vantori/");
  unsetenv("XDG_CACHE_HOME");
  EXPECT_EQ(default_work_dir(dir, sizeof dir), 1);
  EXPECT_STREQ(dir, "/home/tester/.cache/temp_vantori/");
  if (hadCache) setenv("XDG_CACHE_HOME", savedCache.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
}

TEST(WorkFolder, InitAddsTheSlashAndRefusesPathsWithoutRoom) {
  auto store = std::make_unique<LevelStore>();
  EXPECT_EQ(init_level_store(*store, "/tmp/w"), 1);
  EXPECT_STREQ(store->workDir, "/tmp/w/");
  EXPECT_EQ(init_level_store(*store, ""), 0);
  std::string longPath(StorePathCapacity - LevelFileNameRoom + 1, 'a');
  EXPECT_EQ(init_level_store(*store, longPath.c_str()), 0);
}

TEST_F(Intake, MissingParentsAreCreatedForTheOwnerOnly) {
  std::string deep = temp.path + "a/b/c/";
  ASSERT_EQ(init_level_store(*store, deep.c_str()), 1);
  EXPECT_EQ(load_text(Small), 1);
  struct stat info;
  ASSERT_EQ(stat(deep.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  EXPECT_EQ(read_file(deep + "0001.txt"), Small);
}

TEST_F(Intake, TheProgramsOwnFolderLosesFilesAndLinksButKeepsFoldersAndTargets) {
  store->ownFolder = 1;
  ASSERT_EQ(load_text(Small), 1);
  std::string outside = temp.path + "outside/";
  ASSERT_EQ(mkdir(outside.c_str(), 0700), 0);
  write_file(outside + "keep.txt", "precious");
  write_file(work + "notes.md", "old");
  write_file(work + ".hidden", "old");
  ASSERT_EQ(symlink((outside + "keep.txt").c_str(), (work + "file-link").c_str()), 0);
  ASSERT_EQ(symlink(outside.c_str(), (work + "dir-link").c_str()), 0);
  ASSERT_EQ(mkdir((work + "sub").c_str(), 0700), 0);
  write_file(work + "sub/inner.txt", "stays");

  EXPECT_EQ(load_text(Small), 1);
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt", "sub/"}));
  EXPECT_EQ(read_file(work + "sub/inner.txt"), "stays");
  EXPECT_EQ(entries(outside), (std::vector<std::string>{"keep.txt"}));
  EXPECT_EQ(read_file(outside + "keep.txt"), "precious");
}

TEST_F(Intake, WorkFolderThatIsALinkOrAFileFails) {
  std::string outside = temp.path + "outside/";
  ASSERT_EQ(mkdir(outside.c_str(), 0700), 0);
  write_file(outside + "0001.txt", "precious");
  std::string link = temp.path + "link";
  ASSERT_EQ(symlink(outside.c_str(), link.c_str()), 0);
  ASSERT_EQ(init_level_store(*store, (link + "/").c_str()), 1);
  EXPECT_EQ(load_text(Small), 0);
  EXPECT_EQ(store->failure, IntakeWorkDirLink);
  EXPECT_EQ(read_file(outside + "0001.txt"), "precious");

  std::string plain = temp.path + "plain";
  write_file(plain, "a file");
  ASSERT_EQ(init_level_store(*store, plain.c_str()), 1);
  EXPECT_EQ(load_text(Small), 0);
  EXPECT_EQ(store->failure, IntakeWorkDirNotFolder);
  EXPECT_EQ(read_file(plain), "a file");
}

TEST_F(Intake, LevelFilesAreNeverWrittenThroughALink) {
  ASSERT_EQ(load_text(Small), 1);
  std::string target = temp.path + "target.txt";
  write_file(target, "precious");
  ASSERT_EQ(unlink(level_path(work, 1).c_str()), 0);
  ASSERT_EQ(symlink(target.c_str(), level_path(work, 1).c_str()), 0);
  init_level_store(*store, work.c_str());
  IntakeRun in{*store, 0, OsNoHandle, 0, 0, 0, {}};
  open_level_file(in);
  EXPECT_EQ(in.abort, 1);
  EXPECT_EQ(in.fileOpen, 0);
  EXPECT_EQ(read_file(target), "precious");
}

TEST_F(Intake, ALevelFileThatCannotBeCreatedAbortsTheIntake) {
  ASSERT_EQ(load_text(Small), 1);
  ASSERT_EQ(mkdir(level_path(work, 2).c_str(), 0700), 0);  // folders survive clearing
  EXPECT_EQ(load_text(Small + "\n" + Small + "\n" + Small), 0);
  EXPECT_EQ(store->failure, IntakeLevelFile);
  EXPECT_EQ(store->levelCount, 2);
  EXPECT_EQ(stored(1), Small);
  EXPECT_FALSE(file_exists(level_path(work, 3)));
}

// ---------------------------------------------------------------- names

TEST_F(Intake, FileSetNamesLoseFolderAndExtension) {
  struct Case {
    std::string file, name;
  } cases[] = {
      {"my.levels.txt", "my.levels"},
      {"noext", "noext"},
      {".hidden", ""},
      {std::string(60, 'n') + ".txt", std::string(SetNameCapacity, 'n')},
      {"Sample.txt", "Sample"},
  };
  for (const Case& c : cases) {
    write_file(temp / c.file, Small);
    EXPECT_EQ(load_path(SourceFile, temp / c.file), 1);
    EXPECT_EQ(std::string(store->setName), c.name);
    EXPECT_EQ(store->isSample, 0);  // only the built-in set is the sample
  }
}

TEST_F(Intake, TheSampleSetIsSixSolvableLevels) {
  std::vector<char> buffer(TextBufferSize, 'x');
  EXPECT_EQ(load_sample_set(*store, buffer.data()), 1);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_STREQ(store->setName, "Sample");
  EXPECT_EQ(store->isSample, 1);
  EXPECT_EQ(store->levelCount, SampleLevels);
  EXPECT_EQ(store->highest, SampleLevels);
  EXPECT_EQ(load_text(Small), 1);
  EXPECT_EQ(store->isSample, 0);
  ASSERT_EQ(load_sample_set(*store, buffer.data()), 1);

  auto level = std::make_unique<Level>();
  for (int32_t n = 1; n <= SampleLevels; ++n) {
    *level = {};
    EXPECT_EQ(read_level(*level, store->workDir, n), LevelOk) << n;
    EXPECT_LE(level->liveBoxes, MaxBoxes);
    if (n == 1) {
      EXPECT_EQ(level->liveBoxes, 2);
    }
    if (n == SampleLevels) {
      EXPECT_GE(level->liveBoxes, 6);
    }
    if (n <= 2) {
      EXPECT_GT(oracle_min_moves(*level), 0) << n;  // solvable
    }
    size_t nameLength = std::strlen(sample_level_name(n));
    EXPECT_GT(nameLength, 0u);
    EXPECT_LE(nameLength, size_t(SampleNameCapacity));
  }
  EXPECT_STREQ(sample_level_name(0), "");
  EXPECT_STREQ(sample_level_name(SampleLevels + 1), "");
}

// ---------------------------------------------------------------- store rules

TEST_F(Intake, ANamedFolderLosesOnlyTheNamesAnIntakeWrites) {
  std::string outside = temp.path + "outside.txt";
  write_file(outside, "precious");
  ASSERT_EQ(mkdir(work.c_str(), 0700), 0);
  for (const char* name : {"notes.md", "123.txt", "0001.txt.bak", "x0001.txt", "0007.txt", "00012.txt"})
    write_file(work + name, "old");
  ASSERT_EQ(symlink(outside.c_str(), (work + "0002.txt").c_str()), 0);
  ASSERT_EQ(mkdir((work + "0003.txt").c_str(), 0700), 0);

  EXPECT_EQ(load_text(Small), 1);
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt", "0001.txt.bak", "0003.txt/",
                                                     "123.txt", "notes.md", "x0001.txt"}));
  EXPECT_EQ(read_file(outside), "precious");  // the link went, not its target
  EXPECT_EQ(read_file(work + "notes.md"), "old");
}

TEST_F(Intake, OneStoreAtATimeUsesAFolder) {
  ASSERT_EQ(load_text(Small), 1);
  auto other = std::make_unique<LevelStore>();
  ASSERT_EQ(init_level_store(*other, work.c_str()), 1);
  EXPECT_EQ(load_text_into(*other, Small + "\n" + Small), 0);
  EXPECT_EQ(other->failure, IntakeBusy);
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt"}));  // untouched
  // The holder loads again at will; once it lets go, the other may.
  EXPECT_EQ(load_text(Small + "\n" + Small + "\n" + Small), 1);
  release_level_store(*store);
  EXPECT_EQ(load_text_into(*other, Small + "\n" + Small), 1);
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt", "0002.txt"}));
  release_level_store(*other);
}

TEST_F(Intake, ASourceInTheStoreOrADeviceIsRefusedBeforeAnythingGoes) {
  ASSERT_EQ(load_text(Small + "\n" + Small), 1);
  std::string link = temp.path + "link";
  ASSERT_EQ(symlink(work.c_str(), link.c_str()), 0);
  struct Case {
    int32_t source;
    std::string path;
    int32_t failure;
  } cases[] = {
      {SourceFile, work + "0001.txt", IntakeSourceInStore},
      {SourceFile, link + "/0002.txt", IntakeSourceInStore},  // the same file through a link
      {SourceFolder, link + "/.", IntakeSourceInStore},
      {SourceFile, "/dev/null", IntakeDevice},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(load_path(c.source, c.path), 0);
    EXPECT_EQ(store->failure, c.failure);
    EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt", "0002.txt"}));
  }
  // A folder source that holds the store is read as any other.
  write_file(temp / "7.txt", Small);
  EXPECT_EQ(load_path(SourceFolder, temp.path), 1);
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0007.txt"}));
}

TEST_F(Intake, AReportMayNotGoOverTheSourceOrIntoTheStore) {
  std::string pack = temp.path + "pack/";
  ASSERT_EQ(mkdir(pack.c_str(), 0700), 0);
  write_file(pack + "1.txt", Small);
  write_file(temp / "set.txt", Small);
  ASSERT_EQ(symlink((temp / "set.txt").c_str(), (temp / "set-link").c_str()), 0);
  ASSERT_EQ(link((temp / "set.txt").c_str(), (temp / "set-hard").c_str()), 0);
  ASSERT_EQ(load_path(SourceFile, temp / "set.txt"), 1);
  EXPECT_EQ(report_path_clash(*store, (work + "0001.txt").c_str()), ReportInStore);
  EXPECT_EQ(report_path_clash(*store, (work + "new.txt").c_str()), ReportInStore);
  EXPECT_EQ(report_path_clash(*store, work.c_str()), ReportInStore);
  EXPECT_EQ(report_path_clash(*store, (temp / "set.txt").c_str()), ReportOnSource);
  EXPECT_EQ(report_path_clash(*store, (temp / "set-link").c_str()), ReportOnSource);
  EXPECT_EQ(report_path_clash(*store, (temp / "set-hard").c_str()), ReportOnSource);
  EXPECT_EQ(report_path_clash(*store, (temp / "report.txt").c_str()), ReportFree);
  EXPECT_EQ(report_path_clash(*store, (pack + "report.txt").c_str()), ReportFree);
  ASSERT_EQ(load_path(SourceFolder, pack), 1);
  EXPECT_EQ(report_path_clash(*store, (pack + "report.txt").c_str()), ReportOnSource);
  EXPECT_EQ(report_path_clash(*store, (temp / "set.txt").c_str()), ReportFree);
}

TEST_F(Intake, AFolderFileThatCannotBeReadStaysAMissingNumber) {
  std::string pack = temp.path + "pack/";
  ASSERT_EQ(mkdir(pack.c_str(), 0700), 0);
  write_file(pack + "1.txt", Small);
  // Reading a process's memory at offset 0 fails: a file that opens but
  // cannot be read, even for root.
  ASSERT_EQ(symlink("/proc/self/mem", (pack + "2.txt").c_str()), 0);
  std::vector<std::string> skipped;
  store->skipped = [](void* context, const char* path, int32_t) {
    static_cast<std::vector<std::string>*>(context)->push_back(path);
  };
  store->skippedContext = &skipped;
  EXPECT_EQ(load_path(SourceFolder, pack), 1);
  EXPECT_EQ(skipped, std::vector<std::string>{pack + "2.txt"});
  EXPECT_EQ(entries(work), (std::vector<std::string>{"0001.txt"}));
}

TEST(PrivateStore, IsMadeForTheProcessAndRemovedAtItsEnd) {
  TempDir temp;
  std::string saved = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  setenv("TMPDIR", temp.path.c_str(), 1);
  auto store = std::make_unique<LevelStore>();
  ASSERT_EQ(init_private_level_store(*store), 1);
  if (saved.empty()) unsetenv("TMPDIR");
  else setenv("TMPDIR", saved.c_str(), 1);
  std::string dir = store->workDir;
  EXPECT_EQ(dir.rfind(temp.path + "vantori-", 0), 0u) << dir;
  struct stat info;
  ASSERT_EQ(stat(dir.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  std::string text = Small + "\n" + Small;
  text.resize(text.size() + 2, 0);
  EXPECT_EQ(load_level_set(*store, SourceText, text.data()), 1);
  release_level_store(*store);
  EXPECT_TRUE(entries(temp.path).empty());
}

}  // namespace vk
