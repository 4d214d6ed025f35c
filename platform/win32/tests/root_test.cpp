#include "support/machine_root.h"
#include "win32/root.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;

namespace {

class Root : public win32::test::MachineRootTest {};

TEST_F(Root, DirectoriesExactFitAndOneShort) {
  std::u16string const expected = win32::to_utf16(root().windows().string());
  auto const len = static_cast<UINT>(expected.size());
  WCHAR buf[1024];
  std::memset(buf, 0xcc, sizeof buf);
  EXPECT_EQ(GetWindowsDirectoryW(buf, len), len + 1) << "one short: the needed size with the NUL";
  EXPECT_EQ(buf[0], 0xcccc);
  EXPECT_EQ(GetWindowsDirectoryW(buf, len + 1), len);
  EXPECT_EQ(std::u16string(buf), expected);
  EXPECT_EQ(GetSystemDirectoryW(buf, 1024), len + 9);
  EXPECT_EQ(std::u16string(buf), expected + u"/System32");
  EXPECT_TRUE(fs::is_directory(root().system32()));
}

TEST_F(Root, RootFollowsTheEnvironment) {
  EXPECT_EQ(win32::machine_root(), root().path());
  {
    win32::test::MachineRoot other;
    EXPECT_EQ(win32::machine_root(), other.path());
  }
  EXPECT_EQ(win32::machine_root(), root().path());

  char const* saved = std::getenv("W32_MACHINE_ROOT");
  std::string const keep = saved;
  ::unsetenv("W32_MACHINE_ROOT");
  ::setenv("XDG_DATA_HOME", "/xdg", 1);
  EXPECT_EQ(win32::machine_root(), fs::path("/xdg/win32-machine"));
  ::unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(win32::machine_root(), fs::path(std::getenv("HOME")) / ".local/share/win32-machine");
  ::setenv("W32_MACHINE_ROOT", keep.c_str(), 1);
}

TEST_F(Root, NativePathTable) {
  root().write_file("Windows/KELD.INI", "");
  root().write_file("spool/drivers/w32x86/3/x.dll", "");
  struct Row {
    char16_t const* in;
    fs::path expected;
  } const rows[] = {
      {u"C:\\WINDOWS\\keld.ini", root().windows() / "KELD.INI"},
      {u"c:/windows/Keld.Ini", root().windows() / "KELD.INI"},
      {u"\\SPOOL\\DRIVERS\\W32X86\\3\\X.DLL", root().path() / "spool/drivers/w32x86/3/x.dll"},
      {u"\\spool\\NEW\\File.txt", root().path() / "spool/NEW/File.txt"},  // missing part keeps its case
      {u"/usr/bin", "/usr/bin"},
      {u"rel\\a.txt", "rel/a.txt"},
      {u"C:\\..\\..\\Windows\\keld.ini", root().windows() / "KELD.INI"},  // ".." stops at the top
      {u"\\..\\spool\\..\\..\\WINDOWS\\KELD.INI", root().windows() / "KELD.INI"},
  };
  for (auto const& r : rows) EXPECT_EQ(win32::native_path(r.in), r.expected) << win32::to_utf8(r.in);
  // A native path below the root, with a Windows-style tail, is matched the same way.
  std::u16string const mixed = win32::to_utf16(root().windows().string()) + u"\\keld.ini";
  EXPECT_EQ(win32::native_path(mixed), root().windows() / "KELD.INI");
  EXPECT_TRUE(win32::is_bare_name(u"KELD.INI"));
  EXPECT_FALSE(win32::is_bare_name(u".\\KELD.INI"));
}

}  // namespace
