// The dialogs' fonts and texts fitted to their controls. The faces the
// dialogs were laid out for are not on every Windows: each falls back along
// a chain of faces that every Windows since 7 has, the solution text always
// to a fixed-pitch one; and a text too wide for its control is drawn a point
// or two smaller by the dialog logic's fit rule.
#include "app/win32/shell.h"
#include "os/win32_text.h"

namespace vk {

namespace {

constexpr int32_t FaceCapacity = LF_FACESIZE;
constexpr int32_t LargestPoints = 16;  // fonts are kept for SmallestTextPoints to this
constexpr int32_t TextCapacityW = 512;
// An edit box's margins, each side: set with every font, as the system's
// own follow the font and would change the room being measured.
constexpr int32_t EditMargin = 2;

// The dialog's own face first, then those present on every Windows since 7.
constexpr const wchar_t* ProportionalFaces[] = {L"MS UI Gothic", L"Tahoma", L"Microsoft Sans Serif",
                                                L"Arial"};
constexpr const wchar_t* FixedFaces[] = {L"MS Gothic", L"Consolas", L"Courier New",
                                         L"Lucida Console"};

int CALLBACK note_face(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<int32_t*>(found) = 1;
  return 0;
}

bool installed(HDC dc, const wchar_t* face) {
  LOGFONTW wanted = {};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(wanted.lfFaceName, face, FaceCapacity);
  int32_t found = 0;
  EnumFontFamiliesExW(dc, &wanted, note_face, LPARAM(&found), 0);
  return found != 0;
}

template <int N>
const wchar_t* first_installed(const wchar_t* const (&faces)[N]) {
  HDC dc = GetDC(nullptr);
  const wchar_t* chosen = faces[N - 1];
  for (const wchar_t* face : faces) {
    if (installed(dc, face)) {
      chosen = face;
      break;
    }
  }
  ReleaseDC(nullptr, dc);
  return chosen;
}

// The fonts made so far, by face (0 proportional, 1 fixed) and point size;
// they live as long as the process, as the dialogs may be opened again.
HFONT Fonts[2][LargestPoints + 1];
const wchar_t* Faces[2];

// The pixels a control has to spare for its text, by its kind: a push
// button draws inside its edges, a check box or radio button right of its
// mark, a group box's title after an indent and before the far corner, an
// edit box inside its border and margins, a static across its width.
int32_t kind_margins(HWND control) {
  wchar_t name[16];
  GetClassNameW(control, name, 16);
  LONG style = GetWindowLongW(control, GWL_STYLE);
  int32_t edge = GetSystemMetrics(SM_CXEDGE);
  if (lstrcmpiW(name, L"Edit") == 0) return 2 * EditMargin + 1;  // and the caret's pixel
  if (lstrcmpiW(name, L"Button") != 0) return 0;
  switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX: return 2 * (GetSystemMetrics(SM_CXMENUCHECK) / 2 + edge);
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON: case BS_AUTORADIOBUTTON:
    case BS_3STATE: case BS_AUTO3STATE:
      return GetSystemMetrics(SM_CXMENUCHECK) + 2 * edge;
    default: return 4 * edge;
  }
}

// A box that scrolls its text (the solution, the report path) keeps the
// dialog's size; every other text is fitted.
bool fitted_kind(HWND control) {
  wchar_t name[16];
  GetClassNameW(control, name, 16);
  if (lstrcmpiW(name, L"Edit") != 0) return true;
  return (GetWindowLongW(control, GWL_STYLE) & (ES_MULTILINE | ES_READONLY)) == 0;
}

struct Measured {
  HWND control;
  int32_t fixed;
  const wchar_t* text;
};

int32_t room_at(void* context, int32_t points) {
  const Measured& m = *static_cast<const Measured*>(context);
  RECT client;
  GetClientRect(m.control, &client);
  HDC dc = GetDC(m.control);
  HGDIOBJ old = SelectObject(dc, dialog_font(points, m.fixed));
  SIZE size = {};
  GetTextExtentPoint32W(dc, m.text, lstrlenW(m.text), &size);
  SelectObject(dc, old);
  ReleaseDC(m.control, dc);
  return (client.right - client.left) - kind_margins(m.control) - size.cx;
}

}  // namespace

int32_t text_room_at(HWND control, int32_t points, int32_t fixed) {
  static wchar_t text[TextCapacityW];
  GetWindowTextW(control, text, TextCapacityW);
  Measured measured = {control, fixed, text};
  return room_at(&measured, points);
}

namespace {

BOOL CALLBACK fit_child(HWND control, LPARAM context) {
  const auto* font = reinterpret_cast<const int32_t*>(context);
  fit_control(control, font[0], font[1]);
  return TRUE;
}

}  // namespace

const wchar_t* dialog_face(int32_t fixed) {
  fixed = fixed ? 1 : 0;
  if (Faces[fixed] == nullptr)
    Faces[fixed] = fixed ? first_installed(FixedFaces) : first_installed(ProportionalFaces);
  return Faces[fixed];
}

HFONT dialog_font(int32_t points, int32_t fixed) {
  fixed = fixed ? 1 : 0;
  if (points < SmallestTextPoints) points = SmallestTextPoints;
  if (points > LargestPoints) points = LargestPoints;
  if (Fonts[fixed][points] == nullptr) {
    HDC screen = GetDC(nullptr);
    int32_t height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    DWORD pitch = fixed ? FIXED_PITCH | FF_MODERN : DEFAULT_PITCH | FF_SWISS;
    Fonts[fixed][points] = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                       DEFAULT_QUALITY, pitch, dialog_face(fixed));
  }
  return Fonts[fixed][points];
}

int32_t fit_control(HWND control, int32_t points, int32_t fixed) {
  static wchar_t text[TextCapacityW];
  GetWindowTextW(control, text, TextCapacityW);
  Measured measured = {control, fixed, text};
  int32_t fitted = text[0] == L'\0' || !fitted_kind(control)
                       ? points
                       : fit_points(points, room_at, &measured);
  HFONT font = dialog_font(fitted, fixed);
  if (HFONT(SendMessageW(control, WM_GETFONT, 0, 0)) != font) {
    SendMessageW(control, WM_SETFONT, WPARAM(font), TRUE);
    wchar_t name[16];
    GetClassNameW(control, name, 16);
    if (lstrcmpiW(name, L"Edit") == 0)
      SendMessageW(control, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                   MAKELPARAM(EditMargin, EditMargin));
  }
  return fitted;
}

void fit_dialog(HWND dialog, int32_t points, int32_t fixed) {
  int32_t font[2] = {points, fixed};
  EnumChildWindows(dialog, fit_child, LPARAM(font));
}

}  // namespace vk
