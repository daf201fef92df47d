// Text at the Windows edges: UTF-8 inside, wide characters outside.
#include "os/win32_text.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

namespace vk {

int32_t utf8_to_wide(const char* text, wchar_t* out, int32_t capacity) {
  if (capacity <= 0) return 0;
  out[0] = L'\0';
  if (text[0] == '\0') return 1;
  // MB_ERR_INVALID_CHARS: a path with broken UTF-8 is refused rather than
  // silently turned into another path.
  int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, out, capacity);
  if (n <= 0) {
    out[0] = L'\0';
    return 0;
  }
  return 1;
}

int32_t wide_to_utf8(const wchar_t* text, char* out, int32_t capacity) {
  if (capacity <= 0) return 0;
  out[0] = '\0';
  if (text[0] == L'\0') return 1;
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, capacity, nullptr, nullptr);
  if (n <= 0) {
    out[0] = '\0';
    return 0;
  }
  return 1;
}

int32_t filter_to_wide(const char* filter, wchar_t* out, int32_t capacity) {
  int32_t used = 0;
  for (const char* part = filter; part[0] != '\0'; part += std::strlen(part) + 1) {
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, part, -1, out + used,
                                capacity - used - 1);
    if (n <= 0) {
      if (capacity > 0) out[0] = L'\0';
      return 0;
    }
    used += n;
  }
  if (used >= capacity) return 0;
  out[used] = L'\0';
  if (used == 0 && capacity > 1) out[1] = L'\0';
  return 1;
}

void drop_root_backslash(wchar_t* path) {
  if (wcslen(path) == 3 && path[1] == L':' && path[2] == L'\\') path[2] = L'\0';
}

void crlf_to_lf(char* text) {
  char* to = text;
  for (const char* from = text; *from != '\0'; ++from) {
    if (from[0] == '\r' && from[1] == '\n') continue;
    *to++ = *from;
  }
  *to = '\0';
}

}  // namespace vk
