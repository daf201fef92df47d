// A dialog's controls made from a table of the dialog logic, in the table's
// order (the tab order), at the rectangles its dialog units give with the
// dialog's own font.
#include "app/win32/shell.h"
#include "os/win32_text.h"

namespace vk {

namespace {

struct ControlClass {
  const wchar_t* name;
  DWORD style;
};

// Every control but a radio button of a group ends the group before it, so
// the arrow keys move among the radio buttons alone.
ControlClass control_class(const ControlSpec& spec) {
  switch (spec.kind) {
    case GroupBox: return {L"BUTTON", BS_GROUPBOX | WS_GROUP};
    case PushButton: return {L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP};
    case DefaultButton: return {L"BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP};
    case CheckBox: return {L"BUTTON", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP};
    case RadioFirst: return {L"BUTTON", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP};
    case RadioButton: return {L"BUTTON", BS_AUTORADIOBUTTON};
    // Read-only: the system draws it on the dialog's face.
    case ReadOnlyEdit:
      return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL | ES_READONLY | WS_BORDER | WS_TABSTOP | WS_GROUP};
    case StaticRight: return {L"STATIC", SS_RIGHT | SS_NOPREFIX | WS_GROUP};
    case StaticCentre: return {L"STATIC", SS_CENTER | SS_NOPREFIX | WS_GROUP};
    // Notifying, so that a tooltip can show over it.
    default: return {L"STATIC", SS_LEFT | SS_NOPREFIX | SS_NOTIFY | WS_GROUP};
  }
}

}  // namespace

void create_dialog_controls(HWND dialog, const ControlSpec* specs, int32_t count) {
  HFONT font = HFONT(SendMessageW(dialog, WM_GETFONT, 0, 0));
  HINSTANCE instance = HINSTANCE(GetWindowLongPtrW(dialog, GWLP_HINSTANCE));
  for (int32_t k = 0; k < count; ++k) {
    const ControlSpec& spec = specs[k];
    ControlClass type = control_class(spec);
    // Windows converts the position and the size each on its own.
    RECT r = {spec.x, spec.y, spec.width, spec.height};
    MapDialogRect(dialog, &r);
    wchar_t text[128];
    if (!utf8_to_wide(spec.caption, text, 128)) text[0] = L'\0';
    HWND control = CreateWindowExW(spec.kind == ReadOnlyEdit ? WS_EX_CLIENTEDGE : 0, type.name, text,
                                   WS_CHILD | WS_VISIBLE | type.style, r.left, r.top, r.right,
                                   r.bottom, dialog, HMENU(INT_PTR(spec.id)), instance, nullptr);
    if (control != nullptr) SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
  }
}

}  // namespace vk
