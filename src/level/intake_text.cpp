// What both programs tell the user about the level store: why an intake
// failed, and where a batch report may not go.
#include <cstdio>

#include "level/level_internal.h"
#include "os/os.h"

namespace vk {

void intake_failure_text(const LevelStore& store, const char* sourceLabel, char* out,
                         int32_t capacity) {
  char cause[vk::OsErrorTextCapacity];
  vk::os_error_text(store.failureErrno, cause, sizeof cause);
  const char* dir = store.workDir;
  const char* path = store.failurePath;
  size_t room = size_t(capacity);
  switch (store.failure) {
    case IntakeWorkDirLink:
      std::snprintf(out, room, "work folder %s is a symbolic link", dir);
      break;
    case IntakeWorkDirNotFolder:
      std::snprintf(out, room, "work folder %s is not a folder", dir);
      break;
    case IntakeWorkDir:
      std::snprintf(out, room, "cannot use work folder %s: %s", dir, cause);
      break;
    case IntakeBusy:
      std::snprintf(out, room, "work folder %s is in use by another process", dir);
      break;
    case IntakeClear:
      std::snprintf(out, room, "cannot delete the old level file %s: %s", path, cause);
      break;
    case IntakeCannotTell:
      std::snprintf(out, room, "cannot tell whether source %s lies in the work folder %s: %s",
                    sourceLabel, dir, cause);
      break;
    case IntakeSourceInStore:
      std::snprintf(out, room, "source %s lies in the work folder %s, which every load empties",
                    sourceLabel, dir);
      break;
    case IntakeDevice:
      std::snprintf(out, room, "source %s is a device, not a file of levels", sourceLabel);
      break;
    case IntakeSource:
      // A file of a folder source names itself; the source otherwise.
      std::snprintf(out, room, "cannot read %s: %s", path[0] ? path : sourceLabel, cause);
      break;
    case IntakeLevelFile:
      std::snprintf(out, room, "cannot write a level file in %s: %s", dir, cause);
      break;
    default:
      std::snprintf(out, room, "no level in %s", sourceLabel);
  }
  make_printable(out);
}

void level_file_error_text(const LevelStore& store, int32_t n, int32_t error, char* out,
                           int32_t capacity) {
  char name[StorePathCapacity + LevelFileNameRoom];
  level_file_name(store.workDir, n, name, sizeof name);
  char cause[vk::OsErrorTextCapacity];
  vk::os_error_text(error, cause, sizeof cause);
  std::snprintf(out, size_t(capacity), "cannot read the level file %s: %s", name, cause);
  make_printable(out);
}

int32_t report_path_clash(const LevelStore& store, const char* report) {
  int32_t inStore = vk::os_path_within(report, store.workDir);
  if (inStore == vk::OsCannotTell) return ReportCannotTell;
  if (inStore == vk::OsInside) return ReportInStore;
  int32_t onSource = vk::OsOutside;
  if (store.fromInput) onSource = vk::os_path_is_open_file(report, vk::os_standard_input());
  else if (store.sourcePath[0] != 0) onSource = vk::os_path_within(report, store.sourcePath);
  if (onSource == vk::OsCannotTell) return ReportCannotTell;
  return onSource == vk::OsInside ? ReportOnSource : ReportFree;
}

void report_clash_text(const LevelStore& store, int32_t clash, const char* report, char* out,
                       int32_t capacity) {
  char cause[vk::OsErrorTextCapacity];
  vk::os_error_text(vk::os_error(), cause, sizeof cause);
  const char* source = store.fromInput ? "standard input" : store.sourcePath;
  if (clash == ReportInStore)
    std::snprintf(out, size_t(capacity), "report %s lies in the work folder %s", report,
                  store.workDir);
  else if (clash == ReportOnSource)
    std::snprintf(out, size_t(capacity), "report %s would overwrite the source %s", report, source);
  else
    std::snprintf(out, size_t(capacity),
                  "cannot tell whether report %s would overwrite a level file or the source: %s",
                  report, cause);
  make_printable(out);
}

}  // namespace vk
