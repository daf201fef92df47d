// The source options that levels, solve and batch share, and the intake
// they run before anything else.
//
// Without --work-dir a run stores its levels in a private folder of its
// own, made for the run and removed when the program ends, so that runs in
// parallel and the desktop program never meet. A folder named with
// --work-dir stays, and is locked for the run.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/cli.h"
#include "os/os.h"

namespace vk {

namespace {

int is_option(const char* argument, const char* name) { return std::strcmp(argument, name) == 0; }

// "-" alone is standard input, a source; any other argument starting with
// '-' is an option.
int is_source_argument(const char* argument) {
  return argument[0] != '-' || argument[1] == 0;
}

const char* source_label(const SourceOptions& options) {
  if (options.sample) return "the sample set";
  if (std::strcmp(options.source, "-") == 0) return "standard input";
  return options.source;
}

// A stop signal during the intake is no failure to explain: the command
// ends with its status.
int intake_failed(const char* cause) {
  if (stopped_status() == 0) std::fprintf(stderr, "Load Error!!\n%s\n", cause);
  return 0;
}

// The store the run uses, released (a private one removed) however the
// command returns.
LevelStore* HeldStore = nullptr;

void release_held_store() {
  if (HeldStore != nullptr) release_level_store(*HeldStore);
  HeldStore = nullptr;
}

int open_store(const SourceOptions& options, LevelStore& store) {
  if (options.workDir) {
    if (init_level_store(store, options.workDir)) return 1;
    return intake_failed("work folder path is empty or too long");
  }
  if (init_private_level_store(store)) return 1;
  char cause[vk::OsErrorTextCapacity];
  vk::os_error_text(vk::os_error(), cause, sizeof cause);
  char folder[StorePathCapacity];
  if (!vk::os_temporary_folder(folder, sizeof folder)) std::snprintf(folder, sizeof folder, "$TMPDIR");
  char text[IntakeTextCapacity];
  std::snprintf(text, sizeof text, "cannot make a work folder in the temporary folder %s: %s",
                folder, cause);
  make_printable(text);
  return intake_failed(text);
}

// A file of a folder source that cannot be read: one line, and the intake
// goes on without it.
void warn_skipped(void*, const char* path, int32_t error) {
  char cause[vk::OsErrorTextCapacity];
  vk::os_error_text(error, cause, sizeof cause);
  char text[IntakeTextCapacity];
  std::snprintf(text, sizeof text, "vantori: warning: cannot read %s: %s; its level stays missing",
                path, cause);
  make_printable(text);
  std::fprintf(stderr, "%s\n", text);
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
  if (!open_store(options, store)) return 0;
  if (HeldStore == nullptr) std::atexit(release_held_store);
  HeldStore = &store;
  store.skipped = warn_skipped;
  int32_t loaded = 0;
  if (options.sample) {
    loaded = load_sample_set(store, textBuffer);
  } else {
    // load_level_set takes a writable argument; a path is only read, but
    // copy it so that the arguments stay untouched.
    char path[StorePathCapacity];
    if (std::strlen(options.source) >= sizeof path) return intake_failed("source path too long");
    std::strcpy(path, options.source);
    int32_t folder = vk::os_path_kind(path, 1) == vk::OsFolder;
    loaded = load_level_set(store, folder ? SourceFolder : SourceFile, path);
  }
  if (loaded) return 1;
  char cause[IntakeTextCapacity];
  intake_failure_text(store, source_label(options), cause, sizeof cause);
  return intake_failed(cause);
}

int report_path_allowed(const LevelStore& store, const char* report) {
  int32_t clash = report_path_clash(store, report);
  if (clash == ReportFree) return 1;
  char text[IntakeTextCapacity];
  report_clash_text(store, clash, report, text, sizeof text);
  std::fprintf(stderr, "vantori batch: %s\n", text);
  return 0;
}

int pin_paths(SourceOptions& options, const char** report, PinnedPaths& pinned) {
  const char* names[] = {options.source, options.workDir, report ? *report : nullptr};
  char* outs[] = {pinned.source, pinned.workDir, pinned.report};
  for (int32_t k = 0; k < 3; ++k) {
    if (names[k] == nullptr || (k == 0 && std::strcmp(names[k], "-") == 0)) continue;
    if (!vk::os_full_path(names[k], outs[k], PathTextCapacity)) {
      char text[IntakeTextCapacity];
      std::snprintf(text, sizeof text, "path too long: %s", names[k]);
      make_printable(text);
      return intake_failed(text);
    }
  }
  if (options.source && std::strcmp(options.source, "-") != 0) options.source = pinned.source;
  if (options.workDir) options.workDir = pinned.workDir;
  if (report && *report) *report = pinned.report;
  vk::os_leave_current_folder();
  return 1;
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

}  // namespace vk
