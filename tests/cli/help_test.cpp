// vantori --version, --help of the program and of every command, and the
// manual page: each names every option, the output lines and the exit
// statuses, and the page renders without a warning.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "support/support.h"

namespace vk {

namespace {

struct CommandText {
  const char* command;
  std::vector<std::string> options;
  std::vector<std::string> output;  // what the help must say the command prints
  std::vector<std::string> exits;
};

const std::vector<std::string> SourceOptions = {"SOURCE", "--sample", "--work-dir DIR", "--help"};

std::vector<std::string> with_source(std::vector<std::string> more) {
  more.insert(more.begin(), SourceOptions.begin(), SourceOptions.end());
  return more;
}

const std::vector<CommandText>& commands() {
  static const std::vector<CommandText> all = {
      {"levels", with_source({"--guided"}), {"set NAME count", "ok", "Size Over", "Boxes Over", "Irregular"},
       {"0", "1", "2", "129", "130", "141", "143"}},
      {"solve",
       with_source({"--level N", "--begin-with-end 0|1", "--all-moves", "--guided"}),
       {"level: ", "result: ", "moves: ", "nodes: ", "queue: ", "time: T ms", "traceover: 0|1",
        "trace: ", "Failed(C)", "Failed(Q)", "Canceled"},
       {"0", "1", "2", "3", "129", "130", "141", "143"}},
      {"batch",
       with_source({"--report FILE", "--begin-with-end 0|1", "--guided"}),
       {"[Guided search]", "# LevelSetName: ", " No.  W  H  B     Time     Cells   Queue     Result",
        std::string(54, '-'), "# TryCnt:", "# Solved:", "TraceOver", "Cancel"},
       {"0", "1", "2", "3", "129", "130", "141", "143"}},
      {"bench", {"--quick", "--guided", "--help"}, {"moves M nodes X queue Q ms T", "Nodes searched: ",
                                        "Nodes/second: ", "Total time (ms): "},
       {"0", "1", "2", "3", "129", "130", "141", "143"}},
  };
  return all;
}

// The part of a help text from its "exit status:" heading to the next
// empty line, where every status stands at the start of a line.
std::string exit_section(const std::string& help) {
  size_t at = help.find("exit status:\n");
  if (at == std::string::npos) return "";
  size_t end = help.find("\n\n", at);
  return help.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void expect_mentions(const std::string& text, const std::vector<std::string>& words,
                     const std::string& where) {
  for (const std::string& word : words)
    EXPECT_NE(text.find(word), std::string::npos) << where << " does not mention " << word;
}

void expect_exit_statuses(const std::string& help, const std::vector<std::string>& exits,
                          const std::string& where) {
  std::string section = exit_section(help);
  EXPECT_FALSE(section.empty()) << where;
  for (const std::string& status : exits)
    EXPECT_NE(section.find("\n  " + status + " "), std::string::npos)
        << where << " lacks exit status " << status;
}

}  // namespace

TEST(HelpCommand, VersionPrintsTheProgramsVersion) {
  CommandResult r = run_vantori("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string("vantori ") + VersionText + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(run_vantori("--version extra").status, 2);
}

TEST(HelpCommand, EachCommandsHelpNamesItsOptionsOutputAndExitStatuses) {
  for (const CommandText& c : commands()) {
    std::string where = std::string(c.command) + " --help";
    CommandResult r = run_vantori(where);
    EXPECT_EQ(r.status, 0) << where;
    EXPECT_EQ(r.err, "") << where;
    EXPECT_EQ(r.out.rfind("usage:\n  vantori " + std::string(c.command) + " ", 0), 0u) << r.out;
    expect_mentions(r.out, c.options, where);
    expect_mentions(r.out, c.output, where);
    expect_exit_statuses(r.out, c.exits, where);
  }
}

TEST(HelpCommand, TheProgramsHelpCoversEveryCommand) {
  CommandResult r = run_vantori("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  expect_mentions(r.out, {"--version", "COMMAND --help"}, "--help");
  for (const CommandText& c : commands()) {
    expect_mentions(r.out, {"vantori " + std::string(c.command) + " "}, "--help");
    expect_mentions(r.out, c.options, "--help");
    expect_mentions(r.out, c.output, "--help");
    expect_exit_statuses(r.out, c.exits, "--help");
  }
}

TEST(HelpCommand, HelpAmongOtherArgumentsTouchesNothing) {
  TempDir dir;
  std::string work = dir / "work";
  for (std::string command : {"solve", "batch", "levels"}) {
    CommandResult r = run_vantori(command + " --sample --work-dir '" + work + "' --help");
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_EQ(r.out.rfind("usage:\n  vantori " + command, 0), 0u) << r.out;
    EXPECT_FALSE(file_exists(work)) << command << " ran its intake";
  }
  // Arguments are read in order: a usage error before --help stays one.
  CommandResult bad = run_vantori("solve --bogus --help");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.out, "");
  EXPECT_NE(bad.err.find("usage:\n"), std::string::npos);
}

TEST(ManPage, RendersWithoutWarnings) {
  CommandResult r = run_shell(std::string("groff -man -Tutf8 -ww -z '") + VK_MAN_PAGE + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
}

TEST(ManPage, DescribesEveryCommandOptionAndSection) {
  CommandResult r = run_shell(std::string("groff -man -Tascii -P-cbou '") + VK_MAN_PAGE + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string& page = r.out;
  expect_mentions(page, {"NAME", "SYNOPSIS", "DESCRIPTION", "EXIT STATUS", "FILES", "ENVIRONMENT",
                         "EXAMPLES", "TMPDIR", "temp_vantori", "0001.txt",
                         "--version", "130"},
                  "the manual page");
  for (const CommandText& c : commands()) {
    expect_mentions(page, {"vantori " + std::string(c.command)}, "the manual page");
    // The page writes placeholders (SOURCE, DIR, N) in lower case.
    for (const std::string& option : c.options)
      expect_mentions(lower(page), {lower(option)}, "the manual page");
    for (const std::string& line : c.output)
      expect_mentions(lower(page), {lower(line)}, "the manual page");
  }
  // The notation: each character with its meaning.
  for (const char* entry : {"#       wall", "space   floor", ".       goal", "$       box",
                            "*       box on goal", "@       keeper", "+       keeper on goal"})
    expect_mentions(page, {entry}, "the level notation");
}

}  // namespace vk
