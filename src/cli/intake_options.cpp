// The source options that levels, solve and batch share, and the intake
// they run before anything else.
#include <errno.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace {

int is_option(const char* argument, const char* name) { return std::strcmp(argument, name) == 0; }

// "-" alone is standard input, a source; any other argument starting with
// '-' is an option.
int is_source_argument(const char* argument) {
  return argument[0] != '-' || argument[1] == 0;
}

int is_folder(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

const char* source_label(const SourceOptions& options) {
  if (options.sample) return "the sample set";
  if (std::strcmp(options.source, "-") == 0) return "standard input";
  return options.source;
}

void print_work_dir_cause(const LevelStore& store) {
  const char* dir = store.workDir;
  switch (store.failureErrno) {
    case ELOOP: std::fprintf(stderr, "work folder %s is a symbolic link\n", dir); break;
    case ENOTDIR: std::fprintf(stderr, "work folder %s is not a folder\n", dir); break;
    default:
      std::fprintf(stderr, "cannot create work folder %s: %s\n", dir,
                   std::strerror(store.failureErrno));
  }
}

void print_cause(const SourceOptions& options, const LevelStore& store) {
  switch (store.failure) {
    case IntakeWorkDir: print_work_dir_cause(store); break;
    case IntakeSource:
      std::fprintf(stderr, "cannot read %s: %s\n", source_label(options),
                   std::strerror(store.failureErrno));
      break;
    case IntakeLevelFile:
      std::fprintf(stderr, "cannot write a level file in %s: %s\n", store.workDir,
                   std::strerror(store.failureErrno));
      break;
    default: std::fprintf(stderr, "no level in %s\n", source_label(options));
  }
}

int intake_failed(const char* cause) {
  std::fprintf(stderr, "Load Error!!\n%s\n", cause);
  return 0;
}

}  // namespace

int take_source_option(int argc, char** argv, int& i, SourceOptions& options) {
  const char* argument = argv[i];
  if (is_option(argument, "--work-dir")) {
    if (i + 1 >= argc || options.workDir) return -1;
    options.workDir = argv[i + 1];
    i += 2;
    return 1;
  }
  int sample = is_option(argument, "--sample");
  if (!sample && !is_source_argument(argument)) return 0;
  if (options.sample || options.source) return -1;  // a second source
  if (sample) options.sample = 1;
  else options.source = argument;
  i += 1;
  return 1;
}

int run_intake(const SourceOptions& options, LevelStore& store, char* textBuffer) {
  if (!options.sample && !options.source) return intake_failed("no source given");
  if (!init_level_store(store, options.workDir)) {
    return intake_failed(options.workDir ? "work folder path is empty or too long"
                                         : "no home folder for the work folder");
  }
  int32_t loaded = 0;
  if (options.sample) {
    loaded = load_sample_set(store, textBuffer);
  } else {
    // load_level_set takes a writable argument; a path is only read, but
    // copy it so that the arguments stay untouched.
    char path[StorePathCapacity];
    if (std::strlen(options.source) >= sizeof path) return intake_failed("source path too long");
    std::strcpy(path, options.source);
    int32_t source = is_folder(path) ? SourceFolder : SourceFile;
    loaded = load_level_set(store, source, path);
  }
  if (loaded) return 1;
  std::fprintf(stderr, "Load Error!!\n");
  print_cause(options, store);
  return 0;
}

int bad_usage(const char* command, const char* problem, const char* argument) {
  std::fprintf(stderr, "vantori %s: %s%s\n", command, problem, argument ? argument : "");
  return usage_error();
}

int parse_command_options(const char* command, int argc, char** argv, SourceOptions& source,
                          int32_t& beginWithEnd, int (*other)(int argc, char** argv, int i, void* context),
                          void* context) {
  for (int i = 1; i < argc;) {
    int taken = take_source_option(argc, argv, i, source);
    if (taken < 0) return bad_usage(command, "bad source option near ", argv[i < argc ? i : argc - 1]);
    if (taken > 0) continue;
    if (is_help_option(argv[i])) return print_help_of(command);
    if (std::strcmp(argv[i], "--begin-with-end") == 0) {
      const char* value = i + 1 < argc ? argv[i + 1] : "";
      if (std::strcmp(value, "0") != 0 && std::strcmp(value, "1") != 0)
        return bad_usage(command, "--begin-with-end takes 0 or 1", nullptr);
      beginWithEnd = value[0] - '0';
      i += 2;
      continue;
    }
    taken = other(argc, argv, i, context);
    if (taken < 0) return ExitUsage;
    if (taken == 0) return bad_usage(command, "unknown argument ", argv[i]);
    i += taken;
  }
  if (source.source == nullptr && !source.sample)
    return bad_usage(command, "a SOURCE or --sample is needed", nullptr);
  return -1;
}
