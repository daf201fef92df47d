// The main dialog's controls at their client-pixel rectangles, the Options
// dialog's in its dialog units, and the main window's placement in the
// work area.
#include "app/app.h"

namespace vk {

namespace {

constexpr int32_t Blue = 0x0000FF;
constexpr int32_t Red = 0xFF0000;

// The client area the controls need, before the frame is added.
constexpr int32_t ClientWidth = 793;
constexpr int32_t WindowHeightBase = 641;
constexpr int32_t CentringHeightBase = 581;

}  // namespace

const ControlSpec MainControls[ControlCount] = {
    {IdLoaderGroup, GroupBox, "Level Loader", 12, 12, 232, 50, DefaultColour},
    {IdSelectorGroup, GroupBox, "Level Selector", 250, 12, 186, 50, DefaultColour},
    {IdSolverGroup, GroupBox, "Solver", 442, 12, 70, 50, DefaultColour},
    {IdViewerGroup, GroupBox, "Trace Viewer", 518, 12, 188, 50, DefaultColour},
    {IdBatchGroup, GroupBox, "Batch etc.", 712, 12, 70, 50, DefaultColour},
    {IdSample, PushButton, "Sample", 20, 28, 52, 24, DefaultColour},
    {IdText, PushButton, "Text", 74, 28, 52, 24, DefaultColour},
    {IdFile, PushButton, "File", 128, 28, 52, 24, DefaultColour},
    {IdFolder, PushButton, "Folder", 182, 28, 52, 24, DefaultColour},
    {IdPrev, PushButton, "Prev", 258, 28, 52, 24, DefaultColour},
    {IdLevelEdit, NumberEdit, "", 312, 31, 34, 19, DefaultColour},
    {IdGo, DefaultButton, "Go", 346, 28, 26, 24, DefaultColour},
    {IdNext, PushButton, "Next", 374, 28, 52, 24, DefaultColour},
    {IdSolve, PushButton, "Solve", 450, 28, 52, 24, DefaultColour},
    {IdTop, PushButton, "Top", 526, 28, 38, 24, DefaultColour},
    {IdBack, PushButton, "<-", 566, 28, 38, 24, DefaultColour},
    {IdPlay, PushButton, "Play", 606, 28, 52, 24, DefaultColour},
    {IdForward, PushButton, "->", 658, 28, 38, 24, DefaultColour},
    {IdOption, PushButton, "Option", 720, 28, 52, 24, DefaultColour},
    {IdSetLine, StaticLeft, "", 20, 68, 238, 18, Blue},
    {IdSizeLine, StaticLeft, "", 258, 68, 110, 18, DefaultColour},
    {IdStatusText, StaticLeft, "", 370, 68, 80, 18, Red},
    {IdElapsed, StaticRight, "", 442, 68, 56, 18, DefaultColour},
    {IdCounter, StaticCentre, "", 538, 68, 66, 18, DefaultColour},
    {IdHiddenNotice, StaticLeft, "", 608, 68, 166, 18, Red},
    {IdCanvasFrame, BlackFrame, "", 12, 88, 769, 481, DefaultColour},
    {IdCellLabel, StaticLeft, "Cell", 16, 579, 24, 18, DefaultColour},
    {IdQueueLabel, StaticLeft, "Que", 16, 599, 24, 18, DefaultColour},
    {IdCellBar, ProgressBar, "", 46, 578, 730, 18, DefaultColour},
    {IdQueueBar, ProgressBar, "", 46, 598, 730, 18, DefaultColour},
};

const ControlSpec* find_control(int32_t id) {
  for (const ControlSpec& spec : MainControls)
    if (spec.id == id) return &spec;
  return nullptr;
}

// The guided search's check box stands right of 1038, where the Others
// group had room, so that every other control keeps its place.
const ControlSpec OptionsControls[OptionsControlCount] = {
    {NoControlId, GroupBox, "Batch solution", 7, 5, 222, 89, DefaultColour},
    {NoControlId, StaticLeft, "#", 17, 17, 8, 8, DefaultColour},
    {OptTitle, StaticLeft, "", 26, 18, 195, 8, DefaultColour},
    {NoControlId, StaticLeft, "#", 17, 26, 8, 8, DefaultColour},
    {OptSetLine, StaticLeft, "", 26, 26, 195, 8, DefaultColour},
    {NoControlId, StaticLeft, "#", 17, 35, 8, 8, DefaultColour},
    {OptLimits, StaticLeft, "", 26, 35, 195, 8, DefaultColour},
    {OptPlay, CheckBox, "Play the TraceViewer after solved.", 17, 49, 128, 8, DefaultColour},
    {OptReport, CheckBox, "Output file:", 17, 61, 48, 8, DefaultColour},
    {OptPath, ReadOnlyEdit, "", 65, 59, 125, 12, DefaultColour},
    {OptBrowse, PushButton, "browse", 190, 58, 30, 12, DefaultColour},
    {OptStart, PushButton, "BATCH  START", 78, 75, 77, 14, DefaultColour},
    {NoControlId, GroupBox, "Others", 7, 99, 222, 70, DefaultColour},
    {NoControlId, StaticLeft, "TraceViewer speed:", 16, 112, 65, 8, DefaultColour},
    {OptSlow, RadioFirst, "Slow", 84, 113, 27, 8, DefaultColour},
    {OptNomal, RadioButton, "Nomal", 114, 113, 31, 8, DefaultColour},
    {OptFast, RadioButton, "Fast", 149, 113, 31, 8, DefaultColour},
    {OptBeginWithEnd, CheckBox, "Begin with the end position", 17, 129, 107, 8, DefaultColour},
    {NoControlId, StaticLeft, "(A solution must have at least one push)", 34, 138, 140, 8,
     DefaultColour},
    {OptGuided, CheckBox, "Guided search", 150, 129, 72, 8, DefaultColour},
    {OptOk, PushButton, "OK", 185, 146, 35, 14, DefaultColour},
    {OptLocation, StaticLeft, "", 18, 152, 164, 8, DefaultColour},
};

const ControlSpec* find_options_control(int32_t id) {
  for (const ControlSpec& spec : OptionsControls)
    if (spec.id == id && id != NoControlId) return &spec;
  return nullptr;
}

int32_t fit_points(int32_t points, int32_t (*room)(void* context, int32_t points), void* context) {
  while (points > SmallestTextPoints && room(context, points) < 0) points -= 1;
  return points;
}

// The window gets half the vertical frame, not the whole, on top of the
// base height, and is centred on a shorter height still: the lay-out the
// dialog has always had.
WindowPlacement place_main_window(int32_t frameWidth, int32_t frameHeight, int32_t workRight,
                                  int32_t workBottom) {
  int32_t fw = frameWidth / 2;
  int32_t fh = frameHeight / 2;
  int32_t cx = ClientWidth + 2 * fw;
  int32_t cy = WindowHeightBase + fh;
  WindowPlacement placement;
  placement.x = (workRight - cx) / 2;
  placement.y = (workBottom - (CentringHeightBase + fh)) / 2;
  placement.clientWidth = cx - frameWidth;
  placement.clientHeight = cy - frameHeight;
  return placement;
}

}  // namespace vk
