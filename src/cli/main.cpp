// vantori: the solver's core driven from the command line.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

static void print_usage(FILE* out) {
  std::fprintf(out, "usage:\n%s%s%s%s", LevelsUsage, SolveUsage, BatchUsage, BenchUsage);
  std::fprintf(out, "  vantori --help\n");
}

int usage_error() {
  print_usage(stderr);
  return ExitUsage;
}

int main(int argc, char** argv) {
  if (argc < 2) return usage_error();
  const char* command = argv[1];
  if (std::strcmp(command, "--help") == 0 || std::strcmp(command, "-h") == 0) {
    print_usage(stdout);
    return ExitOk;
  }
  if (std::strcmp(command, "levels") == 0) return cmd_levels(argc - 1, argv + 1);
  if (std::strcmp(command, "solve") == 0) return cmd_solve(argc - 1, argv + 1);
  if (std::strcmp(command, "batch") == 0) return cmd_batch(argc - 1, argv + 1);
  if (std::strcmp(command, "bench") == 0) return cmd_bench(argc - 1, argv + 1);
  return usage_error();
}
