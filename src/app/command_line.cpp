// The desktop program's own command-line options and the reservation they
// size, the same for every shell.
#include <cstdio>
#include <cstring>

#include "app/app.h"

namespace vk {

int32_t read_desktop_options(int argc, char* const* argv, int64_t& memory) {
  memory = DefaultMemory;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--memory") == 0) {
      if (i + 1 >= argc || !parse_memory_size(argv[i + 1], memory)) return BadOption;
      ++i;
    } else if (std::strcmp(argv[i], "--version") == 0) {
      return ShowVersion;
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      return ShowHelp;
    }
  }
  return RunWindow;
}

int32_t app_reserve_tables(App& app, int64_t memory, char* refusal) {
  if (!tables_fit_memory(memory, 1) || !reserve_search_tables(memory)) {
    std::snprintf(refusal, RefusalCapacity, " Not enough memory for the search tables (%lld bytes).",
                  static_cast<long long>(memory));
    return 0;
  }
  app.tableMemory = memory;
  return 1;
}

}  // namespace vk
