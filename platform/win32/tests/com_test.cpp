#include "win32/com.h"
#include "win32/error.h"
#include "win32/module.h"
#include "win32/registry.h"

#include "support/machine_root.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

constexpr CLSID CLSID_CountObject = {0x5E1C0A53, 0x1D2B, 0x4C8E,
                                     {0x9F, 0x41, 0x7A, 0x2B, 0x3C, 0x4D, 0x5E, 0x6F}};
constexpr CLSID CLSID_Unregistered = {0x5E1C0A53, 0x1D2B, 0x4C8E,
                                      {0x9F, 0x41, 0x7A, 0x2B, 0x3C, 0x4D, 0x5E, 0x70}};
constexpr IID IID_Unknown2 = {0x5E1C0A54, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};

const std::u16string kServerPath = win32::widen_utf8(W32_TESTSERVER_DIR "/libCOUNTSRV.so");

void register_server(REFCLSID clsid, const std::u16string& server) {
  std::u16string key = u"CLSID\\" + win32::guid_text(clsid) + u"\\InprocServer32";
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                            &k, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                           static_cast<DWORD>((server.size() + 1) * sizeof(WCHAR))),
            ERROR_SUCCESS);
  RegCloseKey(k);
}

long live_objects() {
  HMODULE m = GetModuleHandleW(kServerPath.c_str());
  if (!m) return -1;
  auto count = reinterpret_cast<long (*)()>(GetProcAddress(m, "CountServerLiveObjects"));
  return count ? count() : -1;
}

class Com : public win32::test::MachineRootTest {
 protected:
  void SetUp() override {
    register_server(CLSID_CountObject, kServerPath);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }
  void TearDown() override {
    CoFreeUnusedLibraries();
    CoUninitialize();
  }
};

TEST_F(Com, ServerIsLoadedOnceKeptWhileObjectsLiveAndFreedAfter) {
  IUnknown* a = nullptr;
  IUnknown* b = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_CountObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&a)),
            S_OK);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ(CoCreateInstance(CLSID_CountObject, nullptr, CLSCTX_ALL, IID_IUnknown,
                             reinterpret_cast<void**>(&b)),
            S_OK);
  EXPECT_EQ(live_objects(), 2);
  EXPECT_EQ(win32::com_loaded_server_count(), 1u);

  CoFreeUnusedLibraries();  // objects live: the server stays
  EXPECT_EQ(live_objects(), 2);
  a->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(live_objects(), 1);
  b->Release();
  CoFreeUnusedLibraries();  // now it may go (the file itself may stay mapped, e.g. under
                            // sanitizers; the runtime's own reference is what counts)
  EXPECT_EQ(win32::com_loaded_server_count(), 0u);

  // Once the server is gone, the class is looked up in the registry again.
  register_server(CLSID_CountObject, u"/nonexistent/libMOVED.so");
  EXPECT_EQ(CoCreateInstance(CLSID_CountObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&a)),
            CO_E_DLLNOTFOUND);
}

TEST_F(Com, LockedFactoryKeepsTheServerLoaded) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(CoGetClassObject(CLSID_CountObject, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory->Release();
  CoFreeUnusedLibraries();
  ASSERT_EQ(win32::com_loaded_server_count(), 1u);
  ASSERT_EQ(CoGetClassObject(CLSID_CountObject, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                             reinterpret_cast<void**>(&factory)),
            S_OK);
  factory->LockServer(FALSE);
  factory->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(win32::com_loaded_server_count(), 0u);
}

TEST_F(Com, FailuresGiveTheirCodesAndANullObject) {
  register_server(CLSID_Unregistered, u"/nonexistent/folder/libNOPE.so");
  struct Row {
    const char* what;
    CLSID clsid;
    DWORD context;
    IID iid;
    bool aggregate;
    HRESULT expected;
  } rows[] = {
      {"1 server file missing", CLSID_Unregistered, CLSCTX_INPROC_SERVER, IID_IUnknown, false,
       CO_E_DLLNOTFOUND},
      {"2 class not registered", IID_Unknown2, CLSCTX_INPROC_SERVER, IID_IUnknown, false,
       REGDB_E_CLASSNOTREG},
      {"3 no in-process context", CLSID_CountObject, CLSCTX_LOCAL_SERVER, IID_IUnknown, false,
       REGDB_E_CLASSNOTREG},
      {"4 interface not offered", CLSID_CountObject, CLSCTX_INPROC_SERVER, IID_Unknown2, false,
       E_NOINTERFACE},
      {"5 aggregation refused", CLSID_CountObject, CLSCTX_INPROC_SERVER, IID_IUnknown, true,
       CLASS_E_NOAGGREGATION},
  };
  for (const Row& row : rows) {
    void* object = reinterpret_cast<void*>(0x1);
    // The outer object is never called: a refusing factory only checks it is there.
    IUnknown* outer = row.aggregate ? reinterpret_cast<IUnknown*>(&object) : nullptr;
    EXPECT_EQ(CoCreateInstance(row.clsid, outer, row.context, row.iid, &object), row.expected)
        << row.what;
    EXPECT_EQ(object, nullptr) << row.what;
  }
  EXPECT_EQ(CoCreateInstance(CLSID_CountObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             nullptr),
            E_POINTER);
  EXPECT_EQ(live_objects(), 0);
}

TEST_F(Com, SetUpIsPerThreadAndNests) {
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  CoUninitialize();
  HRESULT other_thread = S_OK;
  std::thread([&] {
    void* object = nullptr;
    other_thread = CoCreateInstance(CLSID_CountObject, nullptr, CLSCTX_INPROC_SERVER,
                                    IID_IUnknown, &object);
  }).join();
  EXPECT_EQ(other_thread, CO_E_NOTINITIALIZED);
}

TEST_F(Com, ManyThreadsCreateThroughOneServer) {
  constexpr int kThreads = 8;
  constexpr int kRounds = 50;
  std::vector<std::thread> threads;
  std::vector<int> failures(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      for (int i = 0; i < kRounds; ++i) {
        IUnknown* object = nullptr;
        if (CoCreateInstance(CLSID_CountObject, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)) != S_OK) {
          ++failures[t];
          continue;
        }
        object->Release();
        if (i % 10 == 0) CoFreeUnusedLibraries();
      }
      CoUninitialize();
    });
  }
  for (auto& t : threads) t.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
  EXPECT_LE(win32::com_loaded_server_count(), 1u);
}

}  // namespace
