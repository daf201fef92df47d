// vantori levels: loads a level set into the store and prints one line
// per level number with its size, boxes and LevelStatus.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace vk {

const char LevelsUsage[] = "  vantori levels SOURCE|--sample [--work-dir DIR] [--guided]\n";

const CommandHelp LevelsHelp = {
    "levels",
    LevelsUsage,
    "Loads a level set into the work folder, one file per level, and lists what\n"
    "the level reader makes of every level number.\n",
    1,
    "  --guided          read the levels with the guided search's box limit, 16\n"
    "                    live boxes instead of 8, as solve --guided and batch\n"
    "                    --guided do\n",
    "  set NAME count COUNT highest HIGHEST\n"
    "  N WIDTH HEIGHT TOTAL LIVE STATUS      for every N from 1 to HIGHEST\n"
    "  NAME is the set's name: the file's name without folder and extension,\n"
    "  the folder's name, Text for standard input, Sample for the sample set.\n"
    "  COUNT is the number of levels met, HIGHEST the highest level number (a\n"
    "  folder's numbers may have gaps). TOTAL counts every box of the level,\n"
    "  LIVE those not frozen on a goal. STATUS is ok, or the reason the level\n"
    "  cannot be solved: Size Over (more than 2000 cells), Boxes Over (more\n"
    "  than 8 live boxes, 16 with --guided), Irregular (a malformed level or a\n"
    "  missing number), Impossible (proven unsolvable before any search).\n"
    "  Fields are separated by single spaces; STATUS runs to the end of the\n"
    "  line.\n",
    "  0    the set was loaded and listed\n"
    "  1    the intake failed (\"Load Error!!\" and the cause on standard error)\n"
    "       or standard output could not be written (one line names the error)\n"
    "  2    a usage error\n"
    "  129  hung up (SIGHUP), after a whole line\n"
    "  130  interrupted (SIGINT, Ctrl-C), after a whole line\n"
    "  141  standard output went to a pipe whose reader has gone\n"
    "  143  terminated (SIGTERM), after a whole line\n",
};

namespace {

// Big enough to keep off the stack; the command runs once per process.
LevelStore Store;
Level Board;
char TextBuffer[TextBufferSize];

const char* status_text(int32_t status) {
  return status == LevelOk ? "ok" : level_status_word(status);
}

// Stops after a whole line once a stop signal came, and at the first
// line that cannot be written (a closed pipe, a full disk), so that a
// reader that has gone never waits for the whole set.
void print_levels(const LevelStore& store, Level& level, int32_t guided) {
  std::printf("set %s count %d highest %d\n", store.setName, store.levelCount, store.highest);
  for (int32_t n = 1; n <= store.highest && !std::ferror(stdout); ++n) {
    if (stopped_status() != 0) return;
    int32_t status = read_level(level, store.workDir, n, box_limit(guided));
    std::printf("%d %d %d %d %d %s\n", n, level.width, level.height, level.totalBoxes,
                level.liveBoxes, status_text(status));
  }
}

}  // namespace

int cmd_levels(int argc, char** argv) {
  SourceOptions options;
  int32_t guided = 0;
  for (int i = 1; i < argc;) {
    if (is_help_option(argv[i])) return print_command_help(LevelsHelp);
    if (take_guided_option(argv[i], guided)) {
      i += 1;
      continue;
    }
    if (take_source_option(argc, argv, i, options) != 1) return usage_error();
  }
  if (!options.source && !options.sample) return usage_error();
  PinnedPaths pinned;
  if (!pin_paths(options, nullptr, pinned)) return ExitFailure;
  if (!run_intake(options, Store, TextBuffer)) return stopped_status() ? stopped_status() : ExitFailure;
  print_levels(Store, Board, guided);
  int status = output_status("levels");
  return stopped_status() && status == ExitOk ? stopped_status() : status;
}

}  // namespace vk
