// The store's guards through vantori where they once answered "safe"
// without knowing: paths longer than the system's fixed buffers, a parent
// without search permission, standard input as the source, a work folder
// that ends in a link behind "." and "..", a report that is a dangling
// link; and names that would forge lines of a report.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/support.h"

namespace vk {

namespace {

const std::string Small = "#####\n#@$.#\n#####\n";

std::string q(const std::string& path) { return shell_quoted(path); }

// A command line run in folder.
// A command line run in folder (a shell's "cd" steps, see deep_folder);
// in a subshell, so that its own redirections stand.
CommandResult run_in(const std::string& folder, const std::string& arguments) {
  return run_shell("bash -c \"" + folder + " && " + VK_VANTORI + " " + arguments + "\"");
}

std::string into(const std::string& folder) { return "cd " + q(folder); }

// Makes a folder of depth names of 99 characters each below base and
// returns the shell's steps into it, one name at a time: its absolute
// path passes PATH_MAX, which no single call takes.
std::string deep_folder(const std::string& base, int depth) {
  const std::string name(99, 'd');
  std::string steps = into(base);
  for (int k = 0; k < depth; ++k) {
    EXPECT_EQ(run_shell("bash -c \"" + steps + " && mkdir " + name + "\"").status, 0);
    steps += " && cd " + name;
  }
  return steps;
}

}  // namespace

// ---------------------------------------------------------------- identity

// Beyond PATH_MAX the guards still see that a report is its source and a
// source lies in the work folder, and a harmless run still works.
TEST(Guard, PathsLongerThanTheSystemsBuffersAreJudged) {
  TempDir t;
  std::string deep = deep_folder(t.path, 45);
  ASSERT_EQ(run_shell("bash -c \"" + deep + " && cat > lv.txt\"", Small).status, 0);
  CommandResult report = run_in(deep, "batch lv.txt --report lv.txt");
  EXPECT_EQ(report.status, 1);
  EXPECT_EQ(report.err, "vantori batch: report lv.txt would overwrite the source lv.txt\n");
  CommandResult store = run_in(deep, "levels lv.txt --work-dir .");
  EXPECT_EQ(store.status, 1);
  EXPECT_EQ(store.err, "Load Error!!\nsource lv.txt lies in the work folder ./, which every load empties\n");
  CommandResult kept = run_shell("bash -c \"" + deep + " && cat lv.txt\"");
  EXPECT_EQ(kept.out, Small);
  CommandResult fine = run_in(deep, "batch lv.txt --report r.txt");
  EXPECT_EQ(fine.status, 0) << fine.err;
  EXPECT_EQ(run_shell("bash -c \"" + deep + " && grep -c moves r.txt\"").out, "1\n");
}

// Below a parent without search permission, as the unprivileged user: the
// clashes are still seen, and a run that clashes with nothing works.
TEST(Guard, AParentWithoutSearchPermission) {
  TempDir t;
  chmod(t.path.c_str(), 0777);
  std::string parent = t / "parent", child = parent + "/child";
  ASSERT_EQ(mkdir(parent.c_str(), 0777), 0);
  ASSERT_EQ(mkdir(child.c_str(), 0777), 0);
  chmod(child.c_str(), 0777);  // whatever the umask
  write_file(child + "/lv.txt", Small);
  chmod((child + "/lv.txt").c_str(), 0666);
  // The parent is made unsearchable by the user nobody itself, who owns it;
  // as root the run must be nobody's, for whom permissions count.
  if (geteuid() == 0 && access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "no setpriv";
  if (geteuid() == 0) {
    ASSERT_EQ(chown(parent.c_str(), 65534, 65534), 0);
  }
  auto as_nobody = [&](const std::string& arguments) {
    std::string inner = "chmod 755 " + parent + "; cd " + child + " && chmod 000 " + parent + " && " +
                        VK_VANTORI + " " + arguments;
    std::string drop = geteuid() == 0 ? "/usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    return run_shell(drop + "bash -c \"" + inner + "\"");
  };
  CommandResult report = as_nobody("batch lv.txt --report lv.txt");
  EXPECT_EQ(report.status, 1);
  EXPECT_EQ(report.err, "vantori batch: report lv.txt would overwrite the source lv.txt\n");
  CommandResult store = as_nobody("levels lv.txt --work-dir .");
  EXPECT_EQ(store.status, 1);
  EXPECT_EQ(store.err, "Load Error!!\nsource lv.txt lies in the work folder ./, which every load empties\n");
  CommandResult fine = as_nobody("batch lv.txt --report r.txt");
  EXPECT_EQ(fine.status, 0) << fine.err << fine.out;
  chmod(parent.c_str(), 0755);
  EXPECT_EQ(read_file(child + "/lv.txt"), Small);
  EXPECT_NE(read_file(child + "/r.txt").find("    1moves"), std::string::npos);
}

// Standard input is judged by the identity of the file it reads, against
// the report and the store alike.
TEST(Guard, StandardInputIsJudgedByIdentity) {
  TempDir t;
  write_file(t / "lv.txt", Small);
  CommandResult report = run_in(into(t.path), "batch - --report lv.txt < lv.txt");
  EXPECT_EQ(report.status, 1);
  EXPECT_EQ(report.err, "vantori batch: report lv.txt would overwrite the source standard input\n");
  EXPECT_EQ(read_file(t / "lv.txt"), Small);
  ASSERT_EQ(mkdir((t / "w").c_str(), 0700), 0);
  write_file(t / "w/0001.txt", Small);
  CommandResult store = run_in(into(t.path), "levels - --work-dir w < w/0001.txt");
  EXPECT_EQ(store.status, 1);
  EXPECT_EQ(store.err, "Load Error!!\nsource standard input lies in the work folder w/, which every "
                       "load empties\n");
  EXPECT_EQ(read_file(t / "w/0001.txt"), Small);
  CommandResult fine = run_in(into(t.path), "batch - --report r.txt < lv.txt");
  EXPECT_EQ(fine.status, 0) << fine.err;
}

// A work folder whose typed path ends in a link, behind "." and ".." steps
// too, is refused before anything in it is touched; a link higher up is
// followed.
TEST(Guard, AWorkFolderEndingInALinkIsRefused) {
  TempDir t;
  ASSERT_EQ(mkdir((t / "user").c_str(), 0700), 0);
  ASSERT_EQ(mkdir((t / "user/sub").c_str(), 0700), 0);
  write_file(t / "user/0005.txt", "the user's own");
  ASSERT_EQ(symlink("user", (t / "lnk").c_str()), 0);
  for (const char* typed : {"lnk", "lnk/", "lnk/.", "lnk/./", "lnk/sub/..", "lnk/sub/../."}) {
    SCOPED_TRACE(typed);
    CommandResult result = run_in(into(t.path), std::string("levels --sample --work-dir ") + typed);
    EXPECT_EQ(result.status, 1);
    std::string shown = typed;
    if (shown.back() != '/') shown += '/';
    EXPECT_EQ(result.err, "Load Error!!\nwork folder " + shown + " is a symbolic link\n");
  }
  EXPECT_EQ(read_file(t / "user/0005.txt"), "the user's own");
  // A link above the folder named: allowed, and only level files go.
  CommandResult above = run_in(into(t.path), "levels --sample --work-dir lnk/sub");
  EXPECT_EQ(above.status, 0) << above.err;
  EXPECT_TRUE(file_exists(t / "user/sub/0006.txt"));
  EXPECT_EQ(run_in(into(t.path), "levels --sample --work-dir user/sub/..").status, 0);
}

// A report path that is a link is judged by what it names: a dangling link
// into the store would create a level file that the next intake deletes.
TEST(Guard, AReportLinkIsResolvedFirst) {
  TempDir t;
  write_file(t / "lv.txt", Small);
  ASSERT_EQ(symlink("wd/0009.txt", (t / "dangling").c_str()), 0);
  ASSERT_EQ(symlink("lv.txt", (t / "again").c_str()), 0);
  ASSERT_EQ(symlink("loop", (t / "loop").c_str()), 0);
  struct Case {
    std::string report, message;
  } cases[] = {
      {"dangling", "report dangling lies in the work folder wd/"},
      {"again", "report again would overwrite the source lv.txt"},
      {"loop", "cannot tell whether report loop would overwrite a level file or the source: Too "
               "many levels of symbolic links"},
  };
  for (const Case& c : cases) {
    CommandResult result = run_in(into(t.path), "batch lv.txt --work-dir wd --report " + c.report);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "vantori batch: " + c.message + "\n");
  }
  EXPECT_FALSE(file_exists(t / "wd/0009.txt"));
  EXPECT_EQ(read_file(t / "lv.txt"), Small);
}

// ---------------------------------------------------------------- names

// A newline in a source name is written as '?': no line of the report or
// of the levels output, and no message, can be forged by a name.
TEST(Guard, NamesAreDataNeverLines) {
  TempDir t;
  const std::string evil = "evil\n# Solved: 999 levels\n.txt";
  write_file(t / evil, Small);
  CommandResult batch = run_vantori("batch " + q(t / evil));
  EXPECT_EQ(batch.status, 0) << batch.err;
  EXPECT_NE(batch.out.find("\n# LevelSetName: evil?# Solved: 999 levels? (1 levels)\n"),
            std::string::npos)
      << batch.out;
  EXPECT_EQ(batch.out.find("\n# Solved: 999"), std::string::npos);
  CommandResult levels = run_vantori("levels " + q(t / evil));
  EXPECT_EQ(levels.out.substr(0, levels.out.find('\n') + 1),
            "set evil?# Solved: 999 levels? count 1 highest 1\n");
  CommandResult missing = run_vantori("levels " + q(t / "no\nsuch\x1b[2J"));
  EXPECT_EQ(missing.err, "Load Error!!\ncannot read " + t.path + "no?such?[2J: No such file or directory\n");
}

}  // namespace vk
