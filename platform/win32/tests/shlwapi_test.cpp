#include "win32/registry.h"
#include "win32/shlwapi.h"

#include "support/machine_root.h"

#include <gtest/gtest.h>

#include <cstring>
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

class ShlwapiRegistry : public win32::test::MachineRootTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr),
              ERROR_SUCCESS);
    DWORD one = 0x11;
    RegSetValueExW(key_, u"Dword", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
    set_string(u"Short", u"1");
    set_string(u"Long", u"enabled");
    BYTE raw[4] = {1, 0, 0, 0};
    RegSetValueExW(key_, u"Binary", 0, REG_BINARY, raw, 4);
    // Stored without its terminator: the reader must still return a terminated string.
    RegSetValueExW(key_, u"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(u"ab"), 4);
  }
  void TearDown() override { RegCloseKey(key_); }
  void set_string(LPCWSTR name, std::u16string text) {
    RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * 2));
  }
  HKEY key_ = nullptr;
};

TEST_F(ShlwapiRegistry, TypedReadIntoAFourByteBuffer) {
  struct Row {
    const char16_t* value;
    DWORD flags;
    LONG result;
    DWORD type;
    DWORD size;  // bytes reported back
  } rows[] = {
      {u"Dword", SRRF_RT_ANY, ERROR_SUCCESS, REG_DWORD, 4},                   // 1
      {u"Dword", SRRF_RT_REG_DWORD, ERROR_SUCCESS, REG_DWORD, 4},             // 2
      {u"Dword", SRRF_RT_REG_SZ, ERROR_UNSUPPORTED_TYPE, 0xcccccccc, 0},      // 3
      {u"Short", SRRF_RT_ANY, ERROR_SUCCESS, REG_SZ, 4},                      // 4 exact fit
      {u"Long", SRRF_RT_ANY, ERROR_MORE_DATA, 0xcccccccc, 16},                // 5 too small
      {u"Binary", SRRF_RT_ANY, ERROR_SUCCESS, REG_BINARY, 4},                 // 6
      {u"Missing", SRRF_RT_ANY, ERROR_FILE_NOT_FOUND, 0xcccccccc, 0},         // 7
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& r = rows[i];
    BYTE buffer[4];
    std::memset(buffer, 0xcc, sizeof buffer);
    DWORD type = 0xcccccccc;
    DWORD size = sizeof buffer;
    EXPECT_EQ(SHRegGetValueW(key_, nullptr, r.value, r.flags, &type, buffer, &size), r.result)
        << "row " << i + 1;
    if (r.result == ERROR_SUCCESS) {
      EXPECT_EQ(type, r.type) << "row " << i + 1;
    }
    if (r.size) {
      EXPECT_EQ(size, r.size) << "row " << i + 1;
    }
  }
}

TEST_F(ShlwapiRegistry, SizeQueryAndTerminationOfBareStrings) {
  DWORD size = 0;
  ASSERT_EQ(SHRegGetValueW(HKEY_CURRENT_USER, u"Software\\Test", u"Bare", SRRF_RT_REG_SZ, nullptr,
                           nullptr, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);  // two characters and the added terminator
  WCHAR text[3] = {0xcccc, 0xcccc, 0xcccc};
  ASSERT_EQ(SHRegGetValueW(HKEY_CURRENT_USER, u"Software\\Test", u"Bare", SRRF_RT_REG_SZ, nullptr,
                           text, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(text), u"ab");
}

}  // namespace
