// The contract of the OS layer's checks, the same on Linux and Windows:
// the identity check answers inside, outside or cannot tell, and each
// "cannot tell" comes with the system's reason; the rule that reads a
// path's trailing "." and ".." steps as the user does.
#include <gtest/gtest.h>

#include <string>

#include "os/os.h"
#include "support/support.h"

namespace vk {

namespace {

#ifdef _WIN32
const std::string Sep = "\\";
#else
const std::string Sep = "/";
#endif

// path with '/' written as the system's separator.
std::string native(std::string path) {
  for (char& c : path)
    if (c == '/') c = Sep[0];
  return path;
}

}  // namespace

TEST(OsContract, StandingLengthTakesTrailingStepsAway) {
  struct Case {
    const char* path;
    int32_t length;
  } cases[] = {
      {"lnk", 3},         {"lnk/", 3},         {"lnk/.", 3},      {"lnk/./", 3},
      {"lnk/sub/..", 3},  {"lnk/sub/../.", 3}, {"a/lnk//.", 5},   {"/x/lnk/.", 6},
      {"lnk/..", 0},      {".", 0},            {"..", 0},         {"/", 0},
      {"a/b/../..", 0},   {"lnk/.hidden", 11}, {"lnk/...", 7},    {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(os_standing_length(c.path), c.length) << c.path;
    EXPECT_EQ(os_standing_length(native(c.path).c_str()), c.length) << native(c.path);
  }
}

// Every branch of the identity check that can be reached on both systems.
TEST(OsContract, PathWithinAnswersInsideOutsideOrCannotTell) {
  TempDir t;
  const std::string folder = t / "store", other = t / "other";
  ASSERT_EQ(os_make_folders(folder.c_str()), 1);
  ASSERT_EQ(os_make_folders(other.c_str()), 1);
  write_file(folder + Sep + "0001.txt", "level");
  write_file(other + Sep + "set.txt", "set");
  const std::string longName(300, 'n');
  struct Case {
    std::string path, folder;
    int32_t answer;
  } cases[] = {
      {folder + Sep + "0001.txt", folder, OsInside},
      {folder, folder, OsInside},
      {folder + Sep, folder + Sep, OsInside},
      {folder + Sep + "new.txt", folder, OsInside},          // would be made there
      {folder + Sep + "." + Sep + "0001.txt", folder, OsInside},
      {other + Sep + ".." + Sep + "store" + Sep + "0001.txt", folder, OsInside},
      {other + Sep + "set.txt", folder, OsOutside},
      {t.path, folder, OsOutside},                          // above it
      {other + Sep + "new.txt", folder, OsOutside},
      {folder + Sep + "no" + Sep + "such.txt", folder, OsOutside},  // nothing can be made there
      {other + Sep + "set.txt", other + Sep + "set.txt", OsInside},  // a file is within itself
      {folder + Sep + "0001.txt", other + Sep + "set.txt", OsOutside},
      {"", folder, OsOutside},                                        // names nothing
      {folder + Sep + "0001.txt", t / "missing", OsCannotTell},      // the folder cannot be looked at
      {folder + Sep + longName, folder, OsCannotTell},               // a name too long for the system
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " in " + c.folder);
    os_set_error(0);
    EXPECT_EQ(os_path_within(c.path.c_str(), c.folder.c_str()), c.answer);
    if (c.answer == OsCannotTell) {
      EXPECT_NE(os_error(), 0);  // the reason to name
    }
  }
}

TEST(OsContract, OpenFileIsJudgedByIdentity) {
  TempDir t;
  const std::string file = t / "set.txt", copy = t / "copy.txt";
  write_file(file, "set");
  write_file(copy, "set");
  OsHandle handle = OsNoHandle;
  ASSERT_EQ(os_open_read(file.c_str(), handle), 1);
  EXPECT_EQ(os_path_is_open_file(file.c_str(), handle), OsInside);
  EXPECT_EQ(os_path_is_open_file(copy.c_str(), handle), OsOutside);
  EXPECT_EQ(os_path_is_open_file((t / "new.txt").c_str(), handle), OsOutside);
  EXPECT_EQ(os_path_is_open_file((t / std::string(300, 'n')).c_str(), handle), OsCannotTell);
  os_close(handle);
}

}  // namespace vk
