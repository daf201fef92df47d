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
}

int32_t report_path_clash(const LevelStore& store, const char* report) {
  if (vk::os_path_within(report, store.workDir)) return ReportInStore;
  if (store.sourcePath[0] != 0 && vk::os_path_within(report, store.sourcePath))
    return ReportOnSource;
  return ReportFree;
}

void report_clash_text(const LevelStore& store, int32_t clash, const char* report, char* out,
                       int32_t capacity) {
  if (clash == ReportInStore)
    std::snprintf(out, size_t(capacity), "report %s lies in the work folder %s", report,
                  store.workDir);
  else
    std::snprintf(out, size_t(capacity), "report %s would overwrite the source %s", report,
                  store.sourcePath);
}

}  // namespace vk
