// The Options dialog's logic: its opening state, the enable rules of the
// batch controls, "browse", "BATCH  START", OK and the hidden switch; and
// the report file picker's default extension.
#include <cstdio>
#include <cstring>

#include "app/dialog_internal.h"

namespace vk {

namespace {

void copy_text(char* out, int32_t capacity, const char* text) {
  std::snprintf(out, size_t(capacity), "%s", text);
}

// 1002 can start a batch only with something to do: replay or report.
void update_start(OptionsDialog& dialog) { dialog.startOn = dialog.play || dialog.report; }

void update_report(OptionsDialog& dialog) {
  dialog.pathOn = dialog.report;
  dialog.browseOn = dialog.report;
  update_start(dialog);
}

// The hidden switch turns off the hiding of the last moves for the rest of
// the run. Its combination: speed "Slow" with "Begin with the end
// position" unticked, confirmed while no level set is loaded. Both differ
// from their defaults and nobody tunes the viewer with nothing to view, so
// it does not happen by chance.
void hidden_switch(App& app, const OptionsDialog& dialog) {
  if (!app.settings.hideLastMoves || app.store.levelCount != 0) return;
  if (dialog.speed != SpeedSlow || dialog.beginWithEnd) return;
  app.settings.hideLastMoves = 0;
  app.settings.traceSpeed = SpeedFast;
  // The screen comes back as at start-up, the viewer's start included.
  show_startup_screen(app);
  app.settings.beginWithEnd = 1;
}

// A changed choice of search changes the box limit: the level on display
// is read again under the new one, or without a set the start-up screen,
// which names the limit, is drawn again.
void store_guided(App& app, const OptionsDialog& dialog) {
  int32_t guided = dialog.guided ? 1 : 0;
  if (guided == app.settings.guided) return;
  app.settings.guided = guided;
  app.solver.guided = guided;
  if (app.store.levelCount != 0)
    show_level(app);
  else
    show_startup_screen(app);
}

// OK: the viewer settings, the search, the hidden switch, and close.
int32_t confirm(App& app, OptionsDialog& dialog) {
  if (dialog.speed >= SpeedSlow && dialog.speed <= SpeedFast)
    app.settings.traceSpeed = dialog.speed;
  app.settings.beginWithEnd = dialog.beginWithEnd ? 1 : 0;
  store_guided(app, dialog);
  hidden_switch(app, dialog);
  dialog.done = 1;
  return 1;
}

int32_t start_batch(App& app, OptionsDialog& dialog) {
  app.settings.playAfterSolved = dialog.play ? 1 : 0;
  if (dialog.report) {
    // A report over the source or a level file is refused; the dialog stays.
    int32_t clash = report_path_clash(app.store, app.settings.reportPath);
    if (clash != ReportFree) {
      char text[IntakeTextCapacity];
      report_clash_text(app.store, clash, app.settings.reportPath, text, sizeof text);
      app.platform.message_box(app.platform.context, DialogCaption, text, IconError);
      return 0;
    }
    if (!open_report_file(app.run, app.settings.reportPath)) {
      app.platform.message_box(app.platform.context, DialogCaption, CannotOpenReport,
                               IconError);
      return 0;
    }
    app.settings.reportFlag = 1;
  } else {
    app.settings.reportFlag = 0;
  }
  dialog.startBatch = 1;
  return confirm(app, dialog);
}

void browse(App& app, OptionsDialog& dialog) {
  if (!pick_report_file(app, app.settings.reportPath, StorePathCapacity, ReportFilter)) return;
  copy_text(dialog.path, StorePathCapacity, app.settings.reportPath);
}

// "Loaded Levels are stored in %s" with the work folder, which every load
// empties: the path shortened in its middle where the line is too narrow
// for it, so that both its ends stay readable, and whole in the tooltip.
void show_location(App& app, OptionsDialog& dialog) {
  const char* path = app.store.workDir;
  copy_text(dialog.locationTip, StorePathCapacity, path);
  const Platform& p = app.platform;
  if (p.elide_path != nullptr)
    p.elide_path(p.context, OptionsDialogId, OptLocation, LocationPrefix, path, dialog.location,
                 LocationCapacity);
  else
    std::snprintf(dialog.location, sizeof dialog.location, "%s%s", LocationPrefix, path);
}

}  // namespace

void options_open(App& app, OptionsDialog& dialog) {
  dialog.startBatch = 0;
  dialog.done = 0;
  dialog.play = app.settings.playAfterSolved;
  dialog.report = app.settings.reportFlag;
  copy_text(dialog.path, StorePathCapacity, app.settings.reportPath);
  dialog.playOn = dialog.reportOn = dialog.pathOn = dialog.browseOn = dialog.startOn = 1;
  if (app.store.levelCount != 0) {
    copy_text(dialog.title, OptionsLineCapacity, TitleText);
    std::snprintf(dialog.setLine, sizeof dialog.setLine, "LevelSetName: %s (%d levels)",
                  app.store.setName, app.store.levelCount);
    std::snprintf(dialog.limits, sizeof dialog.limits,
                  "MaxArea:%4d (= Width * Height) MaxBoxes:%3d", MaxArea,
                  box_limit(app.settings.guided));
    if (!dialog.report) dialog.pathOn = dialog.browseOn = 0;
  } else {
    dialog.title[0] = '\0';
    copy_text(dialog.setLine, OptionsLineCapacity, "              Levels is not loaded.");
    dialog.limits[0] = '\0';
    dialog.playOn = dialog.reportOn = dialog.pathOn = dialog.browseOn = dialog.startOn = 0;
  }
  dialog.speed = app.settings.traceSpeed;
  dialog.beginWithEnd = app.settings.beginWithEnd;
  dialog.guided = app.settings.guided;
  show_location(app, dialog);
}

int32_t options_command(App& app, OptionsDialog& dialog, int32_t id) {
  switch (id) {
    case OptPlay: update_start(dialog); return 0;
    case OptReport: update_report(dialog); return 0;
    case OptBrowse: browse(app, dialog); return 0;
    case OptStart: return start_batch(app, dialog);
    case OptOk: return confirm(app, dialog);
    case OptGuided: return 0;  // stored by OK and "BATCH  START"
    default: return 0;  // Esc, id 1 and the rest do nothing
  }
}

// ---------------------------------------------------------------- picker

void add_default_extension(char* path, int32_t capacity, const char* filter) {
  const char* slash = std::strrchr(path, '\\');
  const char* slash2 = std::strrchr(path, '/');
  if (slash2 != nullptr && (slash == nullptr || slash2 > slash)) slash = slash2;
  const char* name = slash == nullptr ? path : slash + 1;
  if (std::strchr(name, '.') != nullptr) return;
  if (filter == nullptr || filter[0] == '\0') return;
  const char* pattern = filter + std::strlen(filter) + 1;  // behind the description
  const char* dot = std::strchr(pattern, '.');
  if (dot == nullptr || dot[1] == '*') return;
  size_t length = std::strlen(path);
  size_t extra = std::strlen(dot);
  if (length + extra + 1 > size_t(capacity)) return;
  std::memcpy(path + length, dot, extra + 1);
}

int32_t pick_report_file(App& app, char* path, int32_t capacity, const char* filter) {
  if (app.platform.pick_save_file == nullptr) return 0;
  if (!app.platform.pick_save_file(app.platform.context, path, capacity, filter,
                                   SaveDialogTitle))
    return 0;
  add_default_extension(path, capacity, filter);
  return 1;
}

}  // namespace vk
