// --memory SIZE and --guided, shared by the commands that solve, and the
// reservation of the search tables that --memory sizes.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"
#include "solver/solver.h"

namespace vk {

int take_memory_option(const char* command, int argc, char** argv, int i, int64_t& bytes) {
  if (std::strcmp(argv[i], "--memory") != 0) return 0;
  if (i + 1 >= argc || !parse_memory_size(argv[i + 1], bytes)) {
    bad_usage(command, MemorySizeRule, nullptr);
    return -1;
  }
  return 2;
}

int take_guided_option(const char* argument, int32_t& guided) {
  if (std::strcmp(argument, "--guided") != 0) return 0;
  guided = 1;
  return 1;
}

int reserve_for_command(const char* command, SearchTables& tables, int64_t bytes, int32_t jobs) {
  if (!tables_fit_memory(bytes, jobs)) {
    std::fprintf(stderr,
                 "vantori %s: %d search table%s of %lld bytes do not fit this machine's memory\n",
                 command, jobs, jobs == 1 ? "" : "s", static_cast<long long>(bytes));
    return 0;
  }
  if (reserve_tables(tables, bytes)) return 1;
  std::fprintf(stderr, "vantori %s: not enough memory for the search tables\n", command);
  return 0;
}

}  // namespace vk
