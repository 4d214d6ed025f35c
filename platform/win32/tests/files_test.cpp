#include "support/machine_root.h"
#include "win32/error.h"
#include "win32/files.h"
#include "win32/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;
using win32::test::MachineRoot;

namespace {

class Files : public win32::test::MachineRootTest {
 protected:
  std::u16string wide(fs::path const& p) const { return win32::to_utf16(p.string()); }
  std::u16string file(char const* name) const { return wide(root().path() / name); }
};

TEST_F(Files, Dispositions) {
  struct Row {
    DWORD disposition;
    bool exists;
    bool ok;
    DWORD error;            // last error after the call
    char const* contents;   // the file afterwards; nullptr: no file
  } const rows[] = {
      /*1*/ {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
      /*2*/ {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
      /*3*/ {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
      /*4*/ {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
      /*5*/ {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      /*6*/ {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
      /*7*/ {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
      /*8*/ {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
      /*9*/ {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
      /*10*/ {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
  };
  int n = 0;
  for (auto const& r : rows) {
    SCOPED_TRACE("row " + std::to_string(++n));
    fs::path const p = root().path() / ("f" + std::to_string(n));
    if (r.exists) root().write_file(p.filename(), "old");
    SetLastError(0xdead);
    HANDLE h = CreateFileW(wide(p).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, r.disposition, 0, nullptr);
    EXPECT_EQ(h != INVALID_HANDLE_VALUE, r.ok);
    EXPECT_EQ(GetLastError(), r.error);
    if (h != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(CloseHandle(h));
    }
    EXPECT_EQ(fs::exists(p), r.contents != nullptr);
    if (r.contents) {
      EXPECT_EQ(MachineRoot::read_file(p), r.contents);
    }
  }
  EXPECT_EQ(CreateFileW(file("x").c_str(), GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE) << "truncating needs write access";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(CreateFileW(file("no/such/dir/x").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(CreateFileW(wide(root().path()).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE) << "a folder is not a file";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(Files, ShareModesBetweenHandles) {
  struct Row {
    DWORD first_access, first_share, second_access, second_share;
    bool second_ok;
  } const rows[] = {
      /*1*/ {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, true},
      /*2*/ {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, FILE_SHARE_READ, false},
      /*3*/ {GENERIC_READ, 0, GENERIC_READ, FILE_SHARE_READ, false},
      /*4*/ {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ, false},  // 2nd must share write
      /*5*/ {GENERIC_WRITE, FILE_SHARE_READ, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      /*6*/ {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, GENERIC_WRITE,
             FILE_SHARE_READ | FILE_SHARE_WRITE, true},
      /*7*/ {0, 0, GENERIC_READ | GENERIC_WRITE, 0, true},  // no access taken: no conflict
  };
  int n = 0;
  auto const name = file("shared");
  root().write_file("shared", "data");
  for (auto const& r : rows) {
    SCOPED_TRACE("row " + std::to_string(++n));
    HANDLE a = CreateFileW(name.c_str(), r.first_access, r.first_share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    HANDLE b = CreateFileW(name.c_str(), r.second_access, r.second_share, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(b != INVALID_HANDLE_VALUE, r.second_ok);
    if (b == INVALID_HANDLE_VALUE) {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    } else {
      CloseHandle(b);
    }
    CloseHandle(a);
  }
  // Once closed, the file opens exclusively again.
  HANDLE c = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(c, INVALID_HANDLE_VALUE);
  CloseHandle(c);
}

TEST_F(Files, DeleteAndMoveRespectOpenHandles) {
  auto const a = file("a.txt"), b = file("b.txt"), c = file("c.txt");
  root().write_file("a.txt", "A");
  root().write_file("b.txt", "B");
  HANDLE h = CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(DeleteFileW(a.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(MoveFileW(a.c_str(), c.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(h);
  h = CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(MoveFileW(a.c_str(), c.c_str())) << "shared for delete: may move";
  CloseHandle(h);

  EXPECT_FALSE(MoveFileW(c.c_str(), b.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(MoveFileExW(c.c_str(), b.c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(MachineRoot::read_file(root().path() / "b.txt"), "A");
  EXPECT_TRUE(DeleteFileW(b.c_str()));
  EXPECT_FALSE(DeleteFileW(b.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(MoveFileW(b.c_str(), c.c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, ReadWriteSeekAndSize) {
  auto const name = file("rw.bin");
  HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD n = 0xcccccccc;
  EXPECT_TRUE(WriteFile(h, "0123456789", 10, &n, nullptr));
  EXPECT_EQ(n, 10u);
  EXPECT_EQ(GetFileSize(h, nullptr), 10u);
  EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
  char buf[16];
  std::memset(buf, 0xcc, sizeof buf);
  EXPECT_TRUE(ReadFile(h, buf, 16, &n, nullptr)) << "a short read is a success";
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(buf[4], char(0xcc));
  EXPECT_TRUE(ReadFile(h, buf, 16, &n, nullptr));
  EXPECT_EQ(n, 0u) << "at the end: TRUE and no bytes";
  EXPECT_EQ(SetFilePointer(h, -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_EQ(SetFilePointer(h, 3, nullptr, FILE_BEGIN), 3u);
  EXPECT_TRUE(SetEndOfFile(h));
  EXPECT_EQ(GetFileSize(h, nullptr), 3u);
  CloseHandle(h);

  h = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(WriteFile(h, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(CloseHandle(h));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(ReadFile(h, buf, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Files, WindowsPathsResolveUnderTheRootIgnoringCase) {
  root().write_file("spool/drivers/w32x86/1/keld_ui.dll", "dll");
  EXPECT_EQ(GetFileAttributesW(u"\\SPOOL\\DRIVERS\\W32X86\\1\\KELD_UI.DLL"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(GetFileAttributesW(u"C:\\Spool\\Drivers"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesW(u"\\SPOOL\\missing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesW(u"\\nowhere\\missing"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  EXPECT_TRUE(CreateDirectoryW(u"\\Spool\\New", nullptr));
  EXPECT_TRUE(fs::is_directory(root().path() / "spool/New")) << "existing folders keep their case";
  EXPECT_FALSE(CreateDirectoryW(u"\\SPOOL\\new", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryW(u"\\a\\b", nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  HANDLE h = CreateFileW(u"\\spool\\NEW\\Job.spl", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  EXPECT_TRUE(fs::exists(root().path() / "spool/New/Job.spl"));
}

TEST_F(Files, DeleteOnClose) {
  auto const name = file("temp.spl");
  HANDLE h = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(fs::exists(root().path() / "temp.spl"));
  CloseHandle(h);
  EXPECT_FALSE(fs::exists(root().path() / "temp.spl"));
}

}  // namespace
