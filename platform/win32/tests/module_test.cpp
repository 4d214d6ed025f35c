// Module loading: name search, reference counts, entry-point calls, handles and file names.
#include "win32/error.h"
#include "win32/module.h"
#include "support/machine_root.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const fs::path kModules = W32_TESTMOD_DIR;

std::u16string wide(const std::string& s) { return win32::widen_utf8(s); }

template <typename F>
F proc(HMODULE module, const char* name) {
  return reinterpret_cast<F>(GetProcAddress(module, name));
}

// A fresh machine root with an empty driver folder.
class ModuleSearch : public win32::test::MachineRootTest {
 protected:
  void SetUp() override {
    driver_ = root().path() / "spool" / "drivers" / "w32x86" / "3";
    fs::create_directories(driver_);
    ::unsetenv("W32_MODULE_PATH");
  }
  void TearDown() override { ::unsetenv("W32_MODULE_PATH"); }
  fs::path driver_;
};

TEST_F(ModuleSearch, WindowsNamesMapToBuiltFiles) {
  fs::copy_file(kModules / "libTESTMOD.so", driver_ / "libTESTMOD.so");
  // 1: bare name, other case; 2: no extension; 3: rooted path, folders in other case;
  // 4: drive path; 5: native path of the built file.
  const std::string names[] = {"testmod.dll", "TESTMOD", "\\SPOOL\\drivers\\W32X86\\3\\TestMod.DLL",
                               "C:\\spool\\drivers\\w32x86\\3\\TESTMOD.DLL",
                               (kModules / "libTESTMOD.so").string()};
  for (const auto& name : names) {
    SCOPED_TRACE(name);
    HMODULE module = LoadLibraryW(wide(name).c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    EXPECT_NE(proc<int (*)()>(module, "TestModAttachCount"), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
  }
}

TEST_F(ModuleSearch, MissingModulesFailWithModNotFound) {
  for (const char* name : {"NOSUCH.DLL", "\\Windows\\NOSUCH\\TESTMOD.DLL", "/nonexistent/libTESTMOD.so", ""}) {
    SCOPED_TRACE(name);
    SetLastError(0);
    EXPECT_EQ(LoadLibraryW(wide(name).c_str()), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
  }
}

TEST_F(ModuleSearch, ModulePathEnvironmentIsSearchedFirst) {
  ::setenv("W32_MODULE_PATH", ("/nonexistent:" + kModules.string()).c_str(), 1);
  HMODULE module = LoadLibraryW(u"TESTMOD.DLL");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(win32::module_path(module), fs::canonical(kModules / "libTESTMOD.so"));
  FreeLibrary(module);
}

TEST(Module, EntryPointRunsOnFirstLoadAndLastFree) {
  const std::u16string path = wide((kModules / "libTESTMOD.so").string());
  HMODULE first = LoadLibraryW(path.c_str());
  ASSERT_NE(first, nullptr);
  HMODULE second = LoadLibraryW(path.c_str());
  EXPECT_EQ(first, second);
  EXPECT_EQ(proc<int (*)()>(first, "TestModAttachCount")(), 1);
  EXPECT_EQ(proc<HINSTANCE (*)()>(first, "TestModEntryInstance")(), first);
  EXPECT_EQ(GetModuleHandleW(path.c_str()), first);

  int detaches = 0;
  proc<void (*)(int*)>(first, "TestModSetDetachSink")(&detaches);
  EXPECT_TRUE(FreeLibrary(first));
  EXPECT_EQ(detaches, 0);
  EXPECT_TRUE(FreeLibrary(second));
  EXPECT_EQ(detaches, 1);

  SetLastError(0);
  EXPECT_FALSE(FreeLibrary(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetModuleHandleW(path.c_str()), nullptr);
}

TEST(Module, FailingEntryPointFailsTheLoad) {
  SetLastError(0);
  EXPECT_EQ(LoadLibraryW(wide((kModules / "libTESTFAIL.so").string()).c_str()), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DLL_INIT_FAILED));
}

TEST(Module, EntryPointMayPinItsOwnModule) {
  const std::u16string path = wide((kModules / "libTESTPIN.so").string());
  HMODULE module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  int detaches = 0;
  proc<void (*)(int*)>(module, "TestModSetDetachSink")(&detaches);
  EXPECT_EQ(proc<int (*)()>(module, "TestModAttachCount")(), 1);
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_EQ(GetModuleHandleW(path.c_str()), module);  // the entry point's own load keeps it
  EXPECT_EQ(detaches, 0);
  EXPECT_TRUE(FreeLibrary(module));  // the pin
  EXPECT_EQ(detaches, 1);
}

TEST(Module, UnknownExportsAndOrdinals) {
  HMODULE module = LoadLibraryW(wide((kModules / "libTESTMOD.so").string()).c_str());
  ASSERT_NE(module, nullptr);
  SetLastError(0);
  EXPECT_EQ(GetProcAddress(module, "NoSuchExport"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
  EXPECT_EQ(GetProcAddress(module, reinterpret_cast<LPCSTR>(1)), nullptr);
  FreeLibrary(module);
}

// A host that loads the module with dlopen (as the shell's host does) never goes through
// LoadLibraryW; the module still finds its handle and its full path.
TEST(Module, ModuleLoadedOutsideTheLayerKnowsItself) {
  const fs::path file = kModules / "libTESTMOD.so";
  void* dl = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(dl, nullptr);
  auto self = reinterpret_cast<HINSTANCE (*)()>(dlsym(dl, "TestModSelf"));
  HMODULE module = self();
  ASSERT_NE(module, nullptr);

  WCHAR buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameW(module, buffer, MAX_PATH);
  EXPECT_EQ(win32::narrow_utf8(std::u16string(buffer, n)), fs::absolute(file).string());

  EXPECT_EQ(GetModuleHandleW(win32::widen_utf8(file.string()).c_str()), module);

  HMODULE viaAddress = nullptr;
  EXPECT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCWSTR>(reinterpret_cast<const void*>(self)), &viaAddress));
  EXPECT_EQ(viaAddress, module);
  EXPECT_EQ(GetProcAddress(module, "TestModSelf"), reinterpret_cast<FARPROC>(self));
  dlclose(dl);
}

TEST(Module, FileNameAtExactFitAndOneShort) {
  HMODULE module = LoadLibraryW(wide((kModules / "libTESTMOD.so").string()).c_str());
  ASSERT_NE(module, nullptr);
  const std::u16string expected = wide(fs::absolute(kModules / "libTESTMOD.so").string());
  const DWORD len = static_cast<DWORD>(expected.size());
  std::u16string buffer(len + 8, u'\xcccc');

  SetLastError(0);
  EXPECT_EQ(GetModuleFileNameW(module, buffer.data(), len + 1), len);  // exact fit
  EXPECT_EQ(buffer.substr(0, len + 1), expected + u'\0');
  EXPECT_EQ(GetLastError(), 0u);

  buffer.assign(len + 8, u'\xcccc');
  EXPECT_EQ(GetModuleFileNameW(module, buffer.data(), len), len);  // one short: cut and terminated
  EXPECT_EQ(buffer.substr(0, len), expected.substr(0, len - 1) + u'\0');
  EXPECT_EQ(buffer[len], u'\xcccc');
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  EXPECT_EQ(GetModuleFileNameW(module, buffer.data(), 0), 0u);
  FreeLibrary(module);
}

TEST(Module, RelativeNamesKeepTheirFullPathAfterAChangeOfFolder) {
  const fs::path before = fs::current_path();
  fs::current_path(kModules);
  HMODULE module = LoadLibraryW(u"./libTESTMOD.so");
  fs::current_path("/");
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(win32::module_path(module), fs::canonical(kModules / "libTESTMOD.so"));
  FreeLibrary(module);
  fs::current_path(before);
}

TEST(Module, ProgramItself) {
  WCHAR buffer[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  EXPECT_EQ(win32::narrow_utf8(std::u16string(buffer, n)), fs::read_symlink("/proc/self/exe").string());
  EXPECT_NE(GetModuleHandleW(nullptr), nullptr);
}

}  // namespace
