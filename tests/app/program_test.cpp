// The desktop program's own options, which it answers without a display.
#include <gtest/gtest.h>

#include <string>

#include "batch/batch.h"
#include "support/support.h"

namespace vk {

namespace {

// Runs vantori-kelmora with the arguments and no display of any kind.
CommandResult run_desktop(const std::string& arguments) {
  return run_shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" + std::string(VK_DESKTOP) +
                   "' " + arguments);
}

}  // namespace

TEST(DesktopProgram, VersionAndHelpNeedNoDisplay) {
  CommandResult version = run_desktop("--version");
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, std::string("vantori-kelmora ") + VersionText + "\n");
  EXPECT_EQ(version.out, "vantori-kelmora 1.2\n");
  EXPECT_EQ(version.err, "");
  // Qt's own options before it do not get in the way.
  EXPECT_EQ(run_desktop("-platform offscreen --version").out, version.out);

  CommandResult help = run_desktop("--help");
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_EQ(help.out.rfind("Usage: vantori-kelmora", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("--version"), std::string::npos);
  EXPECT_NE(help.out.find("drop"), std::string::npos);
  EXPECT_NE(help.out.find("Ctrl+V"), std::string::npos);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(run_desktop("-h").out, help.out);
  EXPECT_NE(help.out.find("--guided"), std::string::npos);
}

// What Qt leaves of the command line is the program's: an unknown option
// or a second path is a usage error (standard error, status 2), before any
// window opens.
TEST(DesktopProgram, UnknownOptionsAndASecondPathAreRefused) {
  const std::pair<const char*, const char*> cases[] = {
      {"-platform offscreen --bogus", "unknown option --bogus"},
      {"-platform offscreen a.txt b.txt", "more than one level file or folder: b.txt"},
      {"-platform offscreen --memory 15M", "--memory"},
  };
  for (const auto& [arguments, why] : cases) {
    CommandResult result = run_desktop(arguments);
    EXPECT_EQ(result.status, 2) << arguments;
    EXPECT_EQ(result.out, "") << arguments;
    EXPECT_NE(result.err.find(std::string("vantori-kelmora: ") + why), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Usage: vantori-kelmora"), std::string::npos) << arguments;
  }
}

}  // namespace vk
