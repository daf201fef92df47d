// vantori: the solver's core driven from the command line.
#include <cstring>

#include "cli/cli.h"

int main(int argc, char** argv) {
  using namespace vk;
  // Before anything is written or made: a stop signal in the first
  // milliseconds must find the handler, never the default action.
  catch_stop_signals();
  // Bytes out as they are and names in as UTF-8, on every system alike.
  os_plain_standard_streams();
  argv = os_utf8_arguments(argc, argv);
  if (argc < 2) return usage_error();
  const char* command = argv[1];
  if (is_help_option(command) || std::strcmp(command, "-h") == 0) return print_program_help();
  if (std::strcmp(command, "--version") == 0) {
    if (argc > 2) return usage_error();
    return print_version();
  }
  if (std::strcmp(command, "levels") == 0) return cmd_levels(argc - 1, argv + 1);
  if (std::strcmp(command, "solve") == 0) return cmd_solve(argc - 1, argv + 1);
  if (std::strcmp(command, "batch") == 0) return cmd_batch(argc - 1, argv + 1);
  if (std::strcmp(command, "bench") == 0) return cmd_bench(argc - 1, argv + 1);
  return usage_error();
}
