// Text at the Windows edges: UTF-8 inside, wide characters outside.
#include <windows.h>

#include <gtest/gtest.h>

#include <cwchar>

#include "os/win32_text.h"

namespace vk {

namespace {

TEST(WinText, NonAsciiPathsRoundTrip) {
  // A Japanese folder name, an accented letter and a character beyond the
  // basic plane (a surrogate pair in UTF-16).
  const char* utf8 = "C:\\\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\\caf\xC3\xA9\\\xF0\x9F\x93\xA6.txt";
  wchar_t wide[64];
  ASSERT_EQ(vk::utf8_to_wide(utf8, wide, 64), 1);
  EXPECT_EQ(std::wcscmp(wide, L"C:\\\u30C6\u30B9\u30C8\\caf\u00E9\\\U0001F4E6.txt"), 0);
  char back[128];
  ASSERT_EQ(vk::wide_to_utf8(wide, back, 128), 1);
  EXPECT_STREQ(back, utf8);
}

TEST(WinText, TooSmallOrBrokenGivesEmptyAndZero) {
  wchar_t wide[4] = {L'x', L'x', L'x', L'x'};
  EXPECT_EQ(vk::utf8_to_wide("abcd", wide, 4), 0);  // no room for the terminator
  EXPECT_EQ(wide[0], L'\0');
  // A broken sequence is refused, not turned into another path.
  EXPECT_EQ(vk::utf8_to_wide("a\xC3(b", wide, 4), 0);
  EXPECT_EQ(wide[0], L'\0');
  char narrow[3] = {'x', 'x', 'x'};
  EXPECT_EQ(vk::wide_to_utf8(L"\u00E9\u00E9", narrow, 3), 0);  // four bytes needed
  EXPECT_EQ(narrow[0], '\0');
  EXPECT_EQ(vk::utf8_to_wide("", wide, 1), 1);
  EXPECT_EQ(vk::utf8_to_wide("a", wide, 0), 0);
}

TEST(WinText, FilterKeepsPairsAndEndsTwice) {
  wchar_t wide[32];
  ASSERT_EQ(vk::filter_to_wide("*.txt\0*.txt\0", wide, 32), 1);
  EXPECT_EQ(std::wmemcmp(wide, L"*.txt\0*.txt\0\0", 13), 0);
  ASSERT_EQ(vk::filter_to_wide("", wide, 32), 1);
  EXPECT_EQ(wide[0], L'\0');
  EXPECT_EQ(vk::filter_to_wide("*.txt\0*.txt\0", wide, 12), 0);  // the last terminator does not fit
}

TEST(WinText, OnlyADriveRootLosesItsBackslash) {
  wchar_t root[] = L"D:\\";
  vk::drop_root_backslash(root);
  EXPECT_EQ(std::wcscmp(root, L"D:"), 0);
  wchar_t folder[] = L"D:\\a";
  vk::drop_root_backslash(folder);
  EXPECT_EQ(std::wcscmp(folder, L"D:\\a"), 0);
  wchar_t share[] = L"\\\\s";  // three characters, but no drive
  vk::drop_root_backslash(share);
  EXPECT_EQ(std::wcscmp(share, L"\\\\s"), 0);
}

TEST(WinText, EditLineEndsBecomeLf) {
  char text[] = "####\r\n#@.#\r\n\r\nend\rx\n";
  vk::crlf_to_lf(text);
  EXPECT_STREQ(text, "####\n#@.#\n\nend\rx\n");
}

}  // namespace

}  // namespace vk
