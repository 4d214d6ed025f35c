#include "win32/shlwapi.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ShlwapiPath, FindExtensionOfTheLastComponent) {
  struct Row {
    const char16_t* path;
    const char16_t* extension;
  } rows[] = {
      {u"/home/user/report.pdf", u".pdf"},         // 1 plain
      {u"archive.tar.gz", u".gz"},                 // 2 last dot only
      {u"/home/user.d/README", u""},               // 3 dot in a folder, none in the name
      {u"C:\\dir.d\\file", u""},                   // 4 same with backslashes
      {u"C:\\dir\\file.TXT", u".TXT"},             // 5 backslash path
      {u"name.", u"."},                            // 6 trailing dot
      {u".profile", u".profile"},                  // 7 leading dot
      {u"", u""},                                  // 8 empty
      {u"/folder.ext/", u""},                      // 9 empty last component
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    LPCWSTR path = rows[i].path;
    LPWSTR ext = PathFindExtensionW(path);
    ASSERT_NE(ext, nullptr) << "row " << i + 1;
    EXPECT_EQ(std::u16string(ext), rows[i].extension) << "row " << i + 1;
    // Without an extension the result is the terminator of the same string.
    if (!*rows[i].extension) {
      EXPECT_EQ(ext, path + std::u16string(path).size()) << "row " << i + 1;
    }
  }
  EXPECT_EQ(PathFindExtensionW(nullptr), nullptr);
}

}  // namespace
