// Text at the Windows edges: the program is UTF-8 inside and hands wide
// characters to every system call. Plain functions over caller buffers;
// none allocates. Windows only: used by os_win32.cpp and the Win32 shell.
#pragma once

#include <cstdint>

namespace vk {

// UTF-8 to UTF-16, terminated. 1 when the whole text fit in capacity wide
// characters and was valid UTF-8; else 0 and out is empty.
int32_t utf8_to_wide(const char* text, wchar_t* out, int32_t capacity);
// UTF-16 to UTF-8, terminated. 1 when the whole text fit; else 0 and out is
// empty. Unpaired surrogates become U+FFFD.
int32_t wide_to_utf8(const wchar_t* text, char* out, int32_t capacity);

// A file dialog's filter: description and pattern pairs, each terminated,
// the list ending with an empty string ("*.txt\0*.txt\0"), as UTF-8 in, in
// the dialog's wide form (the same layout, doubly terminated) out. An empty
// filter gives an empty out, which the caller passes as no filter at all.
// 0 when it does not fit.
int32_t filter_to_wide(const char* filter, wchar_t* out, int32_t capacity);

// A folder picker's path: a drive root such as "C:\" loses its backslash,
// so that appending a backslash and a name gives a valid path.
void drop_root_backslash(wchar_t* path);

// The edit control's CR LF line ends as LF, in place; a lone CR stays.
void crlf_to_lf(char* text);

}  // namespace vk
