// What the batch folder's two sources share beyond batch.h: the report's
// parts, which the run writes line by line, and the clock of its times.
#pragma once

#include <cstdint>

#include "batch/batch.h"

namespace vk {

// The local date and time now.
LocalTime local_time_now();

// Writes text and one LF to the report file. A failure is remembered (the
// first os_error() in writeError) and, with stopOnWriteError, stops the run
// (the cancel flag).
void write_report_line(Batch& batch, const char* text);

// The parts of the report, each written with write_report_line.
void write_report_header(Batch& batch);
void write_report_level(Batch& batch, const char* result);
// A level line of the given level, read into level and solved by a solver
// with these figures, into line (ReportLineCapacity bytes).
void format_report_level(char* line, int32_t number, const Level& level,
                         const Progress& progress, const char* result);
void write_report_footer(Batch& batch, int32_t canceled);
// Closes the report file when the run owns it; a failing close counts as a
// write error.
void close_report_file(Batch& batch);

}  // namespace vk
