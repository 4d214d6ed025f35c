#include "support/machine_root.h"
#include "win32/error.h"
#include "win32/registry.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Registry : public win32::test::MachineRootTest {
 protected:
  HKEY create(HKEY parent, char16_t const* path, REGSAM access = KEY_ALL_ACCESS, DWORD* disp = nullptr) {
    HKEY k = nullptr;
    EXPECT_EQ(RegCreateKeyExW(parent, path, 0, nullptr, 0, access, nullptr, &k, disp), ERROR_SUCCESS);
    return k;
  }
  static LONG set_sz(HKEY k, char16_t const* name, std::u16string const& text) {
    return RegSetValueExW(k, name, 0, REG_SZ, reinterpret_cast<BYTE const*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * 2));
  }
  static LONG set_dword(HKEY k, char16_t const* name, DWORD v) {
    return RegSetValueExW(k, name, 0, REG_DWORD, reinterpret_cast<BYTE const*>(&v), 4);
  }
  static DWORD get_dword(HKEY k, char16_t const* name) {
    DWORD v = 0xcccccccc, size = 4, type = 0;
    EXPECT_EQ(RegQueryValueExW(k, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    return v;
  }
};

TEST_F(Registry, CreateOpenIsCaseInsensitiveAndReportsDisposition) {
  DWORD disp = 0;
  HKEY k = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Zozarad\\VOTRAN\\0.0", KEY_ALL_ACCESS, &disp);
  EXPECT_EQ(disp, static_cast<DWORD>(REG_CREATED_NEW_KEY));
  RegCloseKey(k);
  k = create(HKEY_LOCAL_MACHINE, u"software\\ZOZARAD\\votran\\0.0\\", KEY_READ, &disp);
  EXPECT_EQ(disp, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  RegCloseKey(k);

  HKEY opened = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\zozarad", 0, KEY_READ, &opened), ERROR_SUCCESS);
  DWORD size = 7;  // exact fit for "VOTRAN"
  char16_t name[8];
  std::memset(name, 0xcc, sizeof name);
  EXPECT_EQ(RegEnumKeyExW(opened, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"VOTRAN") << "the key keeps the case it was created with";
  RegCloseKey(opened);
}

TEST_F(Registry, PathAndHandleErrors) {
  HKEY k = nullptr;
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Missing\\Key", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"\\Software", 0, KEY_READ, &k), ERROR_BAD_PATHNAME);
  EXPECT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, u"a\\\\b", 0, nullptr, 0, KEY_READ, nullptr, &k, nullptr),
            ERROR_BAD_PATHNAME);
  HKEY bogus = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234));
  EXPECT_EQ(RegOpenKeyExW(bogus, u"x", 0, KEY_READ, &k), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegCloseKey(bogus), ERROR_INVALID_HANDLE);
  HKEY h = create(HKEY_CURRENT_USER, u"Once");
  EXPECT_EQ(RegCloseKey(h), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
}

TEST_F(Registry, AccessMaskIsEnforced) {
  // Opening for read creates the key when missing (as the overlay handler's refresh does) but
  // gives a handle that cannot write.
  HKEY read = create(HKEY_CURRENT_USER, u"Software\\Halvrick\\Halvrick Digital Signatures", KEY_READ);
  EXPECT_EQ(set_dword(read, u"IconOverlayEnabled", 1), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteValueW(read, u"IconOverlayEnabled"), ERROR_ACCESS_DENIED);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyExW(read, u"New", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_ACCESS_DENIED);

  HKEY write = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Halvrick\\Halvrick Digital Signatures", 0, KEY_WRITE,
                          &write),
            ERROR_SUCCESS);
  EXPECT_EQ(set_dword(write, u"IconOverlayEnabled", 0), ERROR_SUCCESS);
  DWORD size = 4;
  EXPECT_EQ(RegQueryValueExW(write, u"IconOverlayEnabled", nullptr, nullptr, nullptr, &size), ERROR_ACCESS_DENIED);
  DWORD index_size = 8;
  char16_t name[8];
  EXPECT_EQ(RegEnumKeyExW(write, 0, name, &index_size, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
  EXPECT_EQ(get_dword(read, u"IconOverlayEnabled"), 0u);
  RegCloseKey(read);
  RegCloseKey(write);
}

TEST_F(Registry, QuerySizesExactFitAndOneShort) {
  HKEY k = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Test");
  ASSERT_EQ(set_sz(k, u"Name", u"abc"), ERROR_SUCCESS);  // 8 bytes with the NUL
  DWORD type = 0, size = 0;
  EXPECT_EQ(RegQueryValueExW(k, u"NAME", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(size, 8u);

  BYTE buf[16];
  std::memset(buf, 0xcc, sizeof buf);
  size = 7;
  EXPECT_EQ(RegQueryValueExW(k, u"Name", nullptr, nullptr, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(buf[0], 0xcc) << "a short buffer is left alone";
  size = 8;
  EXPECT_EQ(RegQueryValueExW(k, u"Name", nullptr, nullptr, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(buf)), u"abc");
  EXPECT_EQ(buf[8], 0xcc);

  EXPECT_EQ(RegQueryValueExW(k, u"Name", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegQueryValueExW(k, u"Other", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

  // The default value has the empty name; a null name means the same.
  ASSERT_EQ(set_sz(k, nullptr, u"dflt"), ERROR_SUCCESS);
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExW(k, u"", nullptr, &type, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 10u);

  // Binary data keeps every byte, embedded NULs included.
  BYTE const blob[5] = {1, 0, 2, 0, 0xff};
  ASSERT_EQ(RegSetValueExW(k, u"Blob", 0, REG_BINARY, blob, 5), ERROR_SUCCESS);
  size = sizeof buf;
  EXPECT_EQ(RegQueryValueExW(k, u"Blob", nullptr, &type, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_BINARY);
  ASSERT_EQ(size, 5u);
  EXPECT_EQ(std::memcmp(buf, blob, 5), 0);
  RegCloseKey(k);
}

TEST_F(Registry, EnumeratesKeysInNameOrderAndValuesInCreationOrder) {
  HKEY k = create(HKEY_CURRENT_USER, u"Enum");
  for (auto name : {u"b", u"C", u"a"}) RegCloseKey(create(k, name));
  ASSERT_EQ(set_dword(k, u"z", 1), ERROR_SUCCESS);
  ASSERT_EQ(set_dword(k, u"y", 2), ERROR_SUCCESS);
  ASSERT_EQ(set_dword(k, u"Z", 3), ERROR_SUCCESS) << "same value, other case: replaced";

  std::u16string keys;
  char16_t name[8];
  for (DWORD i = 0;; ++i) {
    DWORD size = 8;
    LONG r = RegEnumKeyExW(k, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(r, ERROR_SUCCESS);
    EXPECT_EQ(size, 1u);
    keys += name;
  }
  EXPECT_EQ(keys, u"abC");

  DWORD name_size = 1;  // one short: "z" needs 2 units with the NUL
  EXPECT_EQ(RegEnumValueW(k, 0, name, &name_size, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
  name_size = 2;
  DWORD type = 0, data = 0, data_size = 4;
  EXPECT_EQ(RegEnumValueW(k, 0, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(&data), &data_size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(name), u"z");
  EXPECT_EQ(data, 3u);
  name_size = 2;
  data_size = 3;
  EXPECT_EQ(RegEnumValueW(k, 1, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(&data), &data_size),
            ERROR_MORE_DATA);
  EXPECT_EQ(data_size, 4u);
  name_size = 2;
  EXPECT_EQ(RegEnumValueW(k, 2, name, &name_size, nullptr, nullptr, nullptr, nullptr), ERROR_NO_MORE_ITEMS);

  DWORD sub_keys = 0, values = 0, max_name = 0;
  EXPECT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values, &max_name, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(sub_keys, 3u);
  EXPECT_EQ(values, 2u);
  RegCloseKey(k);
}

TEST_F(Registry, DeleteKeyRefusesWhileSubkeysExist) {
  HKEY k = create(HKEY_CURRENT_USER, u"Del\\Child");
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Del"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Del\\child"), ERROR_SUCCESS);
  EXPECT_EQ(set_dword(k, u"v", 1), ERROR_KEY_DELETED) << "a handle to a deleted key";
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Del"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, u"Del"), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteKeyW(HKEY_CLASSES_ROOT, u""), ERROR_ACCESS_DENIED);
  RegCloseKey(k);

  HKEY v = create(HKEY_CURRENT_USER, u"Vals");
  ASSERT_EQ(set_dword(v, u"gone", 1), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(v, u"GONE"), ERROR_SUCCESS);
  EXPECT_EQ(RegDeleteValueW(v, u"gone"), ERROR_FILE_NOT_FOUND);
  RegCloseKey(v);
}

TEST_F(Registry, ClassesRootIsMachineSoftwareClasses) {
  HKEY k = create(HKEY_CLASSES_ROOT, u"CLSID\\{X}");
  RegCloseKey(k);
  EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Classes\\CLSID\\{X}", 0, KEY_READ, &k), ERROR_SUCCESS);
  RegCloseKey(k);
}

TEST_F(Registry, PersistsAcrossReloadAndAnotherProcess) {
  HKEY k = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Zozarad\\VOTRAN\\0.0");
  ASSERT_EQ(set_dword(k, u"LanguageID", 1041), ERROR_SUCCESS);
  RegCloseKey(k);
  win32::registry_drop_cache();
  ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Zozarad\\VOTRAN\\0.0", 0, KEY_READ, &k), ERROR_SUCCESS);
  EXPECT_EQ(get_dword(k, u"LanguageID"), 1041u);

  // Another process writes under the same store; this process sees its value and the child
  // sees this process's value: no write is lost.
  pid_t pid = fork();
  if (pid == 0) {
    HKEY c = nullptr;
    bool ok = RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Zozarad\\VOTRAN\\0.0", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &c, nullptr) == ERROR_SUCCESS &&
              set_dword(c, u"DefaultLanguageID", 1031) == ERROR_SUCCESS;
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(get_dword(k, u"DefaultLanguageID"), 1031u);
  EXPECT_EQ(get_dword(k, u"LanguageID"), 1041u);
  RegCloseKey(k);
}

TEST_F(Registry, ConcurrentWritersInTwoProcessesLoseNothing) {
  constexpr int kEach = 20;
  auto write_values = [](char16_t prefix) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, u"Race", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr)) return false;
    bool ok = true;
    for (int i = 0; i < kEach; ++i) {
      std::u16string const name = std::u16string(1, prefix) + static_cast<char16_t>(u'A' + i);
      ok = ok && set_dword(k, name.c_str(), static_cast<DWORD>(i)) == ERROR_SUCCESS;
    }
    RegCloseKey(k);
    return ok;
  };
  pid_t pid = fork();
  if (pid == 0) _exit(write_values(u'c') ? 0 : 1);
  EXPECT_TRUE(write_values(u'p'));
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_EQ(WEXITSTATUS(status), 0);
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Race", 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD values = 0;
  EXPECT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(values, 2u * kEach);
  RegCloseKey(k);
}

TEST_F(Registry, ThreadsShareTheStore) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 10; ++i) {
        HKEY k = nullptr;
        std::u16string const path = u"Threads\\T" + std::u16string(1, static_cast<char16_t>(u'0' + t));
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr))
          continue;
        set_dword(k, u"n", static_cast<DWORD>(i));
        RegCloseKey(k);
      }
    });
  for (auto& th : threads) th.join();
  HKEY k = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Threads", 0, KEY_READ, &k), ERROR_SUCCESS);
  DWORD sub_keys = 0;
  EXPECT_EQ(RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(sub_keys, 3u);
  RegCloseKey(k);
  HKEY t2 = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Threads\\T2", 0, KEY_READ, &t2), ERROR_SUCCESS);
  EXPECT_EQ(get_dword(t2, u"n"), 9u);
  RegCloseKey(t2);
}

TEST_F(Registry, LeftoverTempFileFromATornWriteIsIgnored) {
  HKEY k = create(HKEY_CURRENT_USER, u"Torn");
  ASSERT_EQ(set_dword(k, u"v", 7), ERROR_SUCCESS);
  root().write_file("registry.dat.tmp", "W32REG\r\n\x01 half a store");
  win32::registry_drop_cache();
  EXPECT_EQ(get_dword(k, u"v"), 7u);
  ASSERT_EQ(set_dword(k, u"v", 8), ERROR_SUCCESS);
  win32::registry_drop_cache();
  EXPECT_EQ(get_dword(k, u"v"), 8u);
  EXPECT_FALSE(fs::exists(root().path() / "registry.dat.tmp"));
  RegCloseKey(k);
}

TEST_F(Registry, CorruptStoreIsReportedAndKeptAside) {
  HKEY k = create(HKEY_CURRENT_USER, u"Corrupt");
  ASSERT_EQ(set_dword(k, u"v", 7), ERROR_SUCCESS);
  RegCloseKey(k);
  fs::path const file = root().path() / "registry.dat";
  std::string bytes = win32::test::MachineRoot::read_file(file);
  // Each damage in turn: a flipped payload byte, a cut file, a bad magic, an empty file.
  std::string const damaged[] = {bytes.substr(0, bytes.size() - 1) + char(bytes.back() ^ 1),
                                 bytes.substr(0, bytes.size() / 2), "X" + bytes.substr(1), ""};
  for (auto const& d : damaged) {
    root().write_file("registry.dat", d);
    win32::registry_drop_cache();
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Corrupt", 0, KEY_READ, &k), ERROR_BADDB);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, u"Corrupt", 0, KEY_READ, &k), ERROR_FILE_NOT_FOUND);
  }
  int aside = 0;
  for (auto const& e : fs::directory_iterator(root().path()))
    aside += e.path().filename().string().starts_with("registry.dat.bad-");
  EXPECT_EQ(aside, 4) << "every bad store is kept";
}

TEST_F(Registry, GetValueFiltersTypesAndTerminatesStrings) {
  HKEY k = create(HKEY_CURRENT_USER, u"Get");
  ASSERT_EQ(set_dword(k, u"d", 5), ERROR_SUCCESS);
  // A string stored without its NUL comes back terminated.
  ASSERT_EQ(RegSetValueExW(k, u"s", 0, REG_SZ, reinterpret_cast<BYTE const*>(u"ab"), 4), ERROR_SUCCESS);
  std::u16string const expand = u"%W32_TEST_VAR%\\x";
  ASSERT_EQ(RegSetValueExW(k, u"e", 0, REG_EXPAND_SZ, reinterpret_cast<BYTE const*>(expand.c_str()),
                           static_cast<DWORD>((expand.size() + 1) * 2)),
            ERROR_SUCCESS);
  ::setenv("W32_TEST_VAR", "/opt", 1);

  DWORD type = 0, v = 0, size = 4;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, u"Get", u"d", RRF_RT_ANY, &type, &v, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(v, 5u);
  size = 4;
  EXPECT_EQ(RegGetValueW(k, nullptr, u"d", RRF_RT_REG_SZ, &type, &v, &size), ERROR_UNSUPPORTED_TYPE);

  char16_t buf[32];
  std::memset(buf, 0xcc, sizeof buf);
  size = 0;
  EXPECT_EQ(RegGetValueW(k, nullptr, u"s", RRF_RT_REG_SZ, &type, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 6u);
  size = 5;
  EXPECT_EQ(RegGetValueW(k, nullptr, u"s", RRF_RT_REG_SZ | RRF_ZEROONFAILURE, &type, buf, &size), ERROR_MORE_DATA);
  EXPECT_EQ(buf[0], 0) << "zeroed on failure";
  size = 6;
  EXPECT_EQ(RegGetValueW(k, nullptr, u"s", RRF_RT_REG_SZ, &type, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(buf), u"ab");

  size = sizeof buf;
  EXPECT_EQ(RegGetValueW(k, nullptr, u"e", RRF_RT_REG_SZ, &type, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::u16string(buf), u"/opt\\x");
  size = sizeof buf;
  EXPECT_EQ(RegGetValueW(k, nullptr, u"e", RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, &type, buf, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::u16string(buf), expand);
  EXPECT_EQ(RegGetValueW(k, u"Missing", u"d", RRF_RT_ANY, &type, nullptr, &size), ERROR_FILE_NOT_FOUND);
  ::unsetenv("W32_TEST_VAR");
  RegCloseKey(k);
}

}  // namespace
