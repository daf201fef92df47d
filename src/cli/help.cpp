// The usage and help texts: the usage on standard error after a usage
// error, and --help and --version on standard output. Each command keeps
// its own help next to its code; the texts every command shares are here.
#include <cstdio>
#include <cstring>

#include "batch/batch.h"
#include "cli/cli.h"
#include "os/os.h"
#include "program/program.h"

namespace vk {

namespace {

const char ProgramUsageTail[] =
    "  vantori --help\n"
    "  vantori COMMAND --help\n"
    "  vantori --version\n";

const char ProgramSummary[] =
    "vantori finds, for one level of the box-pushing puzzle Vantori, a solution\n"
    "with the minimum number of moves: every keeper step counts as one move,\n"
    "with or without a push. It loads level sets, lists their levels, solves one\n"
    "level or a whole set with a plain-text report, and runs a benchmark.\n";

const char NotationText[] =
    "level notation:\n"
    "  A level is written line by line in the common text notation: # wall,\n"
    "  space floor, . goal, $ box, * box on goal, @ keeper, + keeper on goal.\n"
    "  A line of other characters (a title, a comment) or an empty line ends a\n"
    "  level; trailing spaces are cut. A level may have at most 2000 cells (width\n"
    "  times height) and at most 8 live boxes, 16 with --guided; boxes frozen on\n"
    "  goals from the start become walls and do not count.\n";

const char SourceOptionsText[] =
    "  SOURCE            a text file of levels, a folder of level files numbered\n"
    "                    by the first digits in their names (level 3 from\n"
    "                    map3.txt), or - for standard input, read like a file\n"
    "  --sample          the built-in sample set of six levels instead of SOURCE\n"
    "  --work-dir DIR    the work folder to fill, which stays, instead of a\n"
    "                    private one removed at the end of the run\n";

// A printf pattern: %s is the system's place for private folders.
const char WorkFolderText[] =
    "work folder:\n"
    "  Every intake deletes the level files in the work folder (names of four\n"
    "  or more digits and .txt; every other file stays) and stores each level\n"
    "  of the source there as its own file, 0001.txt for level 1 and so on,\n"
    "  lines ending in LF. Without --work-dir each run uses a private folder in\n"
    "  %s, removed at its end; a private folder\n"
    "  that a killed run left behind is removed by a later run. Scripts that\n"
    "  read the level files afterwards name a folder with --work-dir. One run\n"
    "  at a time uses a work folder: another run finds it in use and fails. A\n"
    "  work folder whose path as typed ends in a symbolic link, once its\n"
    "  trailing . and .. steps are taken away (lnk, lnk/., lnk/sub/..), is\n"
    "  refused; links higher up the path are followed. A source in the work\n"
    "  folder, a device as source, and a report in the work folder or over the\n"
    "  source (standard input included) are refused, judged by file identity;\n"
    "  when that cannot be told (a folder on the way without search\n"
    "  permission) the run is refused too. Control characters of names are\n"
    "  written as ?. Reading - from a device that never ends runs until\n"
    "  Ctrl-C.\n";

const char HelpOptionText[] = "  --help            print this help and exit\n";

const char ProgramOptionsText[] =
    "options:\n"
    "  --help            print this help and exit; after a command, that\n"
    "                    command's help\n"
    "  --version         print \"vantori \" and the version and exit\n";

const char ProgramExitsText[] =
    "exit status:\n"
    "  0    the command ran, whatever the levels' results\n"
    "  1    a failed intake (\"Load Error!!\" and the cause on standard error), a\n"
    "       report file that cannot be opened or written, no memory for the\n"
    "       search tables, or standard output that cannot be written\n"
    "  2    a usage error (the usage on standard error)\n"
    "  3    a solution that failed the independent replay check\n"
    "  129  hung up (SIGHUP), after completing what it writes and removing\n"
    "       its private work folder\n"
    "  130  interrupted (SIGINT, Ctrl-C), the same\n"
    "  141  standard output (or the report) went to a pipe whose reader has\n"
    "       gone\n"
    "  143  terminated (SIGTERM), the same as 129\n";

const CommandHelp* const Commands[] = {&LevelsHelp, &SolveHelp, &BatchHelp, &BenchHelp};

void print_usage(FILE* out) {
  std::fputs("usage:\n", out);
  for (const CommandHelp* help : Commands) std::fputs(help->usage, out);
  std::fputs(ProgramUsageTail, out);
}

void print_options(const CommandHelp& help) {
  std::fputs("options:\n", stdout);
  if (help.takesSource) std::fputs(SourceOptionsText, stdout);
  std::fputs(help.options, stdout);
  std::fputs(HelpOptionText, stdout);
}

int flushed_status() { return output_status(""); }

}  // namespace

int usage_error() {
  print_usage(stderr);
  return ExitUsage;
}

int is_help_option(const char* argument) { return std::strcmp(argument, "--help") == 0; }

int print_command_help(const CommandHelp& help) {
  std::printf("usage:\n%s\n%s\n", help.usage, help.summary);
  print_options(help);
  std::printf("\noutput:\n%s\nexit status:\n%s", help.output, help.exits);
  if (help.takesSource) {
    std::printf("\n%s\n", NotationText);
    std::printf(WorkFolderText, OsTempPlace);
  }
  return flushed_status();
}

int print_help_of(const char* command) {
  for (const CommandHelp* help : Commands)
    if (std::strcmp(help->name, command) == 0) return print_command_help(*help);
  return print_program_help();
}

int print_program_help() {
  print_usage(stdout);
  std::printf("\n%s\n%s", ProgramSummary, ProgramOptionsText);
  for (const CommandHelp* help : Commands) {
    std::printf("\nvantori %s:\n%s\n", help->name, help->summary);
    print_options(*help);
    std::printf("\noutput:\n%s", help->output);
  }
  std::printf("\n%s\n", NotationText);
  std::printf(WorkFolderText, OsTempPlace);
  std::printf("\n%s", ProgramExitsText);
  return flushed_status();
}

int print_version() {
  std::printf("vantori %s\n", VersionText);
  return flushed_status();
}

}  // namespace vk
