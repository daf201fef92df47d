// The batch report: plain ASCII with LF line ends. A header names the
// program, the set and the limits; one line follows per tried level, then a
// footer with the counts. The first write error is kept so that the caller
// can say the report is incomplete; it stops the run when the caller asks.
#include <cstdio>
#include <cstring>

#include "batch/batch_internal.h"
#include "program/program.h"

namespace vk {

namespace {

const char ReportRule[] = "------------------------------------------------------";
// Ends the title line of a guided batch, so that its Cells and Queue
// figures, which count the guided search's records, are never taken for
// the plain search's.
const char GuidedTitleMark[] = " [Guided search]";
const char ReportHeading[] = " No.  W  H  B     Time     Cells   Queue     Result";
// A report that cannot be written (a full disk, a size limit, a closed
// pipe) stops the run when asked: nothing more could reach its reader.
void remember_error(Batch& batch) {
  if (batch.writeError == 0) batch.writeError = os_error();
  if (batch.stopOnWriteError) batch.solver->cancel.store(1, std::memory_order_relaxed);
}

// Writes all of bytes; the first failure is kept.
void write_all(Batch& batch, const char* bytes, size_t count) {
  if (!os_write_all(batch.reportFd, bytes, int32_t(count))) remember_error(batch);
}

}  // namespace

int32_t open_report_file(Batch& batch, const char* path) {
  if (path == nullptr || path[0] == '\0') return 0;
  OsHandle file = OsNoHandle;
  if (!os_create_document(path, file)) return 0;
  batch.reportFd = file;
  batch.closeReport = 1;
  batch.writeError = 0;
  return 1;
}

void write_report_line(Batch& batch, const char* text) {
  char line[ReportLineCapacity];
  size_t length = std::strlen(text);
  if (length + 1 > sizeof line) {  // never cut a line: write it in two parts
    write_all(batch, text, length);
    write_all(batch, "\n", 1);
    return;
  }
  std::memcpy(line, text, length);
  line[length] = '\n';
  write_all(batch, line, length + 1);
}

void write_report_header(Batch& batch) {
  char line[ReportLineCapacity];
  const LocalTime& t = batch.start;
  const int32_t guided = batch.settings->guided;
  std::snprintf(line, sizeof line, "# %s%s", TitleText, guided ? GuidedTitleMark : "");
  write_report_line(batch, line);
  std::snprintf(line, sizeof line, "# LevelSetName: %s (%d levels)", batch.store->setName,
                batch.store->levelCount);
  write_report_line(batch, line);
  std::snprintf(line, sizeof line, "# MaxArea:%4d MaxBoxes:%2d  [%4d/%02d/%02d %02d:%02d Start]",
                MaxArea, box_limit(guided), t.year, t.month, t.day, t.hour, t.minute);
  write_report_line(batch, line);
  write_report_line(batch, ReportHeading);
  write_report_line(batch, ReportRule);
}

void format_report_level(char* line, int32_t number, const Level& level,
                         const Progress& progress, const char* result) {
  std::snprintf(line, ReportLineCapacity, "%4d[%2d*%2d(%2d)] %4dsec%9d%8d %s", number,
                level.width, level.height, level.totalBoxes,
                progress.seconds.load(std::memory_order_relaxed),
                progress.nodes.load(std::memory_order_relaxed),
                progress.queue.load(std::memory_order_relaxed), result);
}

void write_report_level(Batch& batch, const char* result) {
  char line[ReportLineCapacity];
  format_report_level(line, batch.current, *batch.level, batch.solver->progress, result);
  write_report_line(batch, line);
}

void write_report_footer(Batch& batch, int32_t canceled) {
  char line[ReportLineCapacity];
  const LocalTime& t = batch.end;
  write_report_line(batch, ReportRule);
  std::snprintf(line, sizeof line, "# TryCnt:%4d levels        [%4d/%02d/%02d %02d:%02d %s]",
                batch.tried, t.year, t.month, t.day, t.hour, t.minute,
                canceled ? "Cancel" : "Finish");
  write_report_line(batch, line);
  std::snprintf(line, sizeof line, "# Solved:%4d levels", batch.solved);
  write_report_line(batch, line);
}

void close_report_file(Batch& batch) {
  if (batch.closeReport && batch.reportFd != OsNoHandle) {
    if (!os_close(batch.reportFd)) remember_error(batch);
  }
  batch.reportFd = OsNoHandle;
  batch.closeReport = 0;
}

}  // namespace vk
