// vantori levels: loads a level set into the store and prints one line
// per level number with its size, boxes and LevelStatus.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

const char LevelsUsage[] = "  vantori levels SOURCE|--sample [--work-dir DIR]\n";

namespace {

// Big enough to keep off the stack; the command runs once per process.
LevelStore Store;
Level Board;
char TextBuffer[TextBufferSize];

const char* status_text(int32_t status) {
  return status == LevelOk ? "ok" : level_status_word(status);
}

void print_levels(const LevelStore& store, Level& level) {
  std::printf("set %s count %d highest %d\n", store.setName, store.levelCount, store.highest);
  for (int32_t n = 1; n <= store.highest; ++n) {
    int32_t status = read_level(level, store.workDir, n);
    std::printf("%d %d %d %d %d %s\n", n, level.width, level.height, level.totalBoxes,
                level.liveBoxes, status_text(status));
  }
}

}  // namespace

int cmd_levels(int argc, char** argv) {
  SourceOptions options;
  for (int i = 1; i < argc;) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf("usage:\n%s", LevelsUsage);
      return ExitOk;
    }
    if (take_source_option(argc, argv, i, options) != 1) return usage_error();
  }
  if (!options.source && !options.sample) return usage_error();
  if (!run_intake(options, Store, TextBuffer)) return ExitFailure;
  print_levels(Store, Board);
  if (std::fflush(stdout) != 0) return ExitFailure;
  return ExitOk;
}
