// The OS layer's checks where POSIX links come in: what a link names is
// judged, a loop of links cannot be told, and a work folder whose typed
// path ends in a link is a link however its "." and ".." steps hide it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "os/os.h"
#include "support/support.h"

namespace vk {

TEST(OsLinks, LinksAreFollowedAndLoopsCannotBeTold) {
  TempDir t;
  const std::string store = t / "store";
  ASSERT_EQ(os_make_folders(store.c_str()), 1);
  ASSERT_EQ(symlink("store/0009.txt", (t / "dangling").c_str()), 0);
  ASSERT_EQ(symlink("store", (t / "lnk").c_str()), 0);
  ASSERT_EQ(symlink("loop", (t / "loop").c_str()), 0);
  EXPECT_EQ(os_path_within((t / "dangling").c_str(), store.c_str()), OsInside);
  EXPECT_EQ(os_path_within((t / "lnk/new.txt").c_str(), store.c_str()), OsInside);
  EXPECT_EQ(os_path_within((t / "lnk/..").c_str(), store.c_str()), OsOutside);
  EXPECT_EQ(os_path_within((t / "loop").c_str(), store.c_str()), OsCannotTell);
  EXPECT_EQ(os_path_within((t / "dangling").c_str(), (t / "loop").c_str()), OsCannotTell);

  for (const char* typed : {"lnk", "lnk/", "lnk/.", "lnk/./", "lnk/x/..", "lnk/x/../."})
    EXPECT_EQ(os_path_kind((t / typed).c_str(), 0), OsLink) << typed;
  EXPECT_EQ(os_path_kind((t / "lnk/..").c_str(), 0), OsFolder);
  EXPECT_EQ(os_path_kind((t / "store/.").c_str(), 0), OsFolder);
  OsHandle lock = OsNoHandle;
  EXPECT_EQ(os_lock_folder((t / "lnk/.").c_str(), lock), 0);
  EXPECT_EQ(os_lock_folder((t / "store/.").c_str(), lock), 1);
  os_unlock_folder(lock);
}

}  // namespace vk
