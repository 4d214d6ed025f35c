#include "handler_fixture.h"

#include "win32/registry.h"
#include "win32/resource.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

namespace signicon::test {
namespace {

using SigniconHandler = HandlerTest;

void write_value(DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kSignIconSettingsKey, 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, kIconOverlayEnabledValue, 0, type,
                           static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

TEST_F(SigniconHandler, SwitchIsBitZeroOfADwordAndKeptOtherwise) {
  EXPECT_EQ(refresh_status_(), 1) << "key missing: enabled";
  const struct {
    DWORD value;
    LONG expected;
  } dwords[] = {{0, 0}, {3, 1}, {2, 0}, {1, 1}, {0xFFFFFFFE, 0}};
  for (const auto& row : dwords) {
    set_switch(row.value);
    EXPECT_EQ(refresh_status_(), row.expected) << "value " << row.value;
  }
  // The switch is now off; values of other types leave it so.
  const char16_t text[] = u"1";
  write_value(REG_SZ, text, sizeof text);
  EXPECT_EQ(refresh_status_(), 0) << "string value";
  const BYTE binary[4] = {1, 0, 0, 0};
  write_value(REG_BINARY, binary, sizeof binary);
  EXPECT_EQ(refresh_status_(), 0) << "binary value";
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSignIconSettingsKey, 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  RegDeleteValueW(key, kIconOverlayEnabledValue);
  RegCloseKey(key);
  EXPECT_EQ(refresh_status_(), 0) << "value deleted";
}

TEST_F(SigniconHandler, SwitchOffAnswersNoWithoutCreatingAnything) {
  IShellIconOverlayIdentifier* id = create_identifier();
  ASSERT_NE(id, nullptr);
  set_switch(2);  // even: off
  ASSERT_EQ(refresh_status_(), 0);
  EXPECT_EQ(id->IsMemberOf(u"/data/signed.txt", 0), S_FALSE);
  EXPECT_EQ(counts().objects_created, 0);
  EXPECT_EQ(win32::com_loaded_server_count(), 0u);

  set_switch(1);
  ASSERT_EQ(refresh_status_(), 1);
  EXPECT_EQ(id->IsMemberOf(u"/data/signed.txt", 0), S_OK);
  id->Release();
  expect_balanced("after switching on");
}

TEST_F(SigniconHandler, MembershipFollowsTheComponentAndReleasesEverything) {
  IShellIconOverlayIdentifier* id = create_identifier();
  ASSERT_NE(id, nullptr);
  const struct {
    const char16_t* path;
    HRESULT expected;
    bool registry;  // the file-type registry was created
    bool reader;    // a reader was created
    bool details;   // the details were asked for
  } rows[] = {
      {u"/data/signed.txt", S_OK, true, true, true},              // 1
      {u"C:\\data\\signed.doc", S_OK, true, true, true},          // 2
      {u"/data/README", S_FALSE, false, false, false},            // 3 no extension
      {u"/data.d/README", S_FALSE, false, false, false},          // 4 dot only in a folder
      {u"/data/file.unknown", S_FALSE, true, false, false},       // 5 registry refuses
      {u"/data/file.noreader", S_FALSE, true, false, false},      // 6 reader not registered
      {u"/data/nosig.txt", S_FALSE, true, true, false},           // 7
      {u"/data/hasfail.txt", S_FALSE, true, true, false},         // 8
      {u"/data/hasfalse.txt", S_FALSE, true, true, false},        // 9 only S_OK counts
      {u"/data/badsig.txt", S_FALSE, true, true, false},          // 10
      {u"/data/verifyfalse.txt", S_FALSE, true, true, false},     // 11 only S_OK counts
      {u"/data/verifyfail.txt", S_FALSE, true, true, false},      // 12
      {u"/data/detailsfail.txt", S_FALSE, true, true, true},      // 13 outputs freed anyway
  };
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    TestComponentCounts before = counts();
    std::string row = "row " + std::to_string(i + 1);
    EXPECT_EQ(id->IsMemberOf(rows[i].path, 0), rows[i].expected) << row;
    TestComponentCounts after = counts();
    EXPECT_EQ(after.registries_created - before.registries_created, rows[i].registry ? 1 : 0)
        << row;
    EXPECT_EQ(after.readers_created - before.readers_created, rows[i].reader ? 1 : 0) << row;
    EXPECT_EQ(after.details_calls - before.details_calls, rows[i].details ? 1 : 0) << row;
    expect_balanced(row);
  }
  id->Release();
}

TEST_F(SigniconHandler, PathLengthLimitAndNullPath) {
  IShellIconOverlayIdentifier* id = create_identifier();
  ASSERT_NE(id, nullptr);
  auto path_of_length = [](std::size_t n) {
    std::u16string p = u"/" + std::u16string(n - 5, u'a') + u".txt";
    return p;
  };
  EXPECT_EQ(id->IsMemberOf(path_of_length(1023).c_str(), 0), S_OK) << "longest examined";
  EXPECT_EQ(counts().registries_created, 1);
  EXPECT_EQ(id->IsMemberOf(path_of_length(1024).c_str(), 0), S_FALSE);
  EXPECT_EQ(id->IsMemberOf(path_of_length(5000).c_str(), 0), S_FALSE);
  EXPECT_EQ(counts().registries_created, 1) << "too long: nothing created";
  EXPECT_EQ(id->IsMemberOf(nullptr, 0), S_FALSE);
  id->Release();
  expect_balanced("long paths");
}

TEST_F(SigniconHandler, StringAllocationFailureIsNotAMemberAndLeaksNothing) {
  IShellIconOverlayIdentifier* id = create_identifier();
  ASSERT_NE(id, nullptr);
  // Let the 1st, 2nd, ... allocation of the call fail (the handler's two strings and the
  // component's seven) until a call runs without a refusal.
  for (long successes = 0;; ++successes) {
    ASSERT_LT(successes, 20) << "the call never completed";
    HRESULT hr;
    long refused;
    {
      win32::BstrAllocFailure fail(successes);
      hr = id->IsMemberOf(u"/data/signed.txt", 0);
      refused = fail.refused();
    }
    std::string context = "failing after " + std::to_string(successes);
    expect_balanced(context);
    if (refused == 0) {
      EXPECT_EQ(hr, S_OK) << context;
      EXPECT_GE(successes, 9) << "two own strings and seven details";
      break;
    }
    EXPECT_EQ(hr, S_FALSE) << context;
  }
  id->Release();
}

TEST_F(SigniconHandler, ClassObjectFactoryAndUnloadQuery) {
  void* object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(get_class_object_(CLSID_SignatureTypeRegistry, IID_IClassFactory, &object),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(get_class_object_(CLSID_DigSigIconOverlayIdentifier,
                              IID_IShellIconOverlayIdentifier, &object),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(can_unload_now_(), S_OK) << "the refused factory is gone";

  IClassFactory* factory = nullptr;
  ASSERT_EQ(get_class_object_(CLSID_DigSigIconOverlayIdentifier, IID_IUnknown,
                              reinterpret_cast<void**>(&factory)),
            S_OK);
  EXPECT_EQ(can_unload_now_(), S_FALSE) << "a factory lives";
  EXPECT_EQ(factory->AddRef(), 2u);
  EXPECT_EQ(factory->Release(), 1u);
  EXPECT_EQ(factory->LockServer(TRUE), E_NOTIMPL);
  object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->QueryInterface(IID_IShellIconOverlayIdentifier, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->CreateInstance(reinterpret_cast<IUnknown*>(factory), IID_IUnknown, &object),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(object, nullptr);
  object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IClassFactory, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);

  IUnknown* id = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&id)), S_OK);
  EXPECT_EQ(factory->Release(), 0u);
  EXPECT_EQ(can_unload_now_(), S_FALSE) << "an identifier lives";
  IShellIconOverlayIdentifier* overlay = nullptr;
  ASSERT_EQ(id->QueryInterface(IID_IShellIconOverlayIdentifier,
                               reinterpret_cast<void**>(&overlay)),
            S_OK);
  EXPECT_EQ(static_cast<IUnknown*>(overlay), id);
  EXPECT_EQ(overlay->Release(), 1u);
  EXPECT_EQ(id->Release(), 0u);
  EXPECT_EQ(can_unload_now_(), S_OK) << "all released";
}

TEST_F(SigniconHandler, OverlayInfoNamesTheHandlerFile) {
  IShellIconOverlayIdentifier* id = create_identifier();
  ASSERT_NE(id, nullptr);
  WCHAR own[1024];
  DWORD own_length = GetModuleFileNameW(handler_, own, 1024);
  ASSERT_GT(own_length, 0u);

  WCHAR buffer[1024];
  std::memset(buffer, 0xcc, sizeof buffer);
  int index = -1;
  DWORD flags = 0;
  ASSERT_EQ(id->GetOverlayInfo(buffer, 1024, &index, &flags), S_OK);
  EXPECT_EQ(std::u16string(buffer), std::u16string(own));
  EXPECT_EQ(index, 0);
  EXPECT_EQ(flags, ISIOI_ICONFILE | ISIOI_ICONINDEX);

  // A short buffer gets as much as fits, terminated, and nothing beyond.
  std::memset(buffer, 0xcc, sizeof buffer);
  ASSERT_EQ(id->GetOverlayInfo(buffer, 6, &index, &flags), S_OK);
  EXPECT_EQ(std::u16string(buffer), std::u16string(own, 5));
  EXPECT_EQ(buffer[6], 0xcccc);

  // A buffer of no length is left alone; the index and flags are still given.
  for (int size : {0, -1}) {
    std::memset(buffer, 0xcc, sizeof buffer);
    index = -1;
    flags = 0;
    EXPECT_EQ(id->GetOverlayInfo(buffer, size, &index, &flags), S_OK) << "size " << size;
    EXPECT_EQ(buffer[0], 0xcccc) << "size " << size;
    EXPECT_EQ(index, 0) << "size " << size;
    EXPECT_EQ(flags, ISIOI_ICONFILE | ISIOI_ICONINDEX) << "size " << size;
  }

  int priority = -1;
  EXPECT_EQ(id->GetPriority(&priority), S_OK);
  EXPECT_EQ(priority, 0);
  id->Release();
}

TEST_F(SigniconHandler, CreatedAndFreedByTheObjectRuntimeAsAFileManagerDoes) {
  IShellIconOverlayIdentifier* id = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_DigSigIconOverlayIdentifier, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IShellIconOverlayIdentifier, reinterpret_cast<void**>(&id)),
            S_OK);
  EXPECT_EQ(id->IsMemberOf(u"/data/signed.txt", 0), S_OK);
  CoFreeUnusedLibraries();
  EXPECT_EQ(win32::com_loaded_server_count(), 1u) << "the handler stays while its object lives";
  id->Release();
  CoFreeUnusedLibraries();
  EXPECT_EQ(win32::com_loaded_server_count(), 0u);
  expect_balanced("object runtime");
}

// The file that GetOverlayInfo names carries the overlay icon as its first (index 0) and only
// icon group: nine images, 48, 32 and 16 pixels at 4, 8 and 32 bits.
TEST_F(SigniconHandler, HandlerFileCarriesTheOverlayIcon) {
  HRSRC group = FindResourceW(handler_, MAKEINTRESOURCEW(101), MAKEINTRESOURCEW(14));
  ASSERT_NE(group, nullptr);
  const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(handler_, group)));
  ASSERT_EQ(SizeofResource(handler_, group), 6u + 9u * 14u);
  auto word = [](const BYTE* p) { return static_cast<unsigned>(p[0] | p[1] << 8); };
  EXPECT_EQ(word(dir + 2), 1u) << "icon type";
  ASSERT_EQ(word(dir + 4), 9u) << "image count";
  const int sizes[] = {48, 32, 16};
  const unsigned bits[] = {4, 8, 32};
  for (int i = 0; i < 9; ++i) {
    const BYTE* e = dir + 6 + 14 * i;
    EXPECT_EQ(e[0], sizes[i / 3]) << "image " << i;
    EXPECT_EQ(word(e + 6), bits[i % 3]) << "image " << i;
    DWORD bytes = word(e + 8) | word(e + 10) << 16;
    HRSRC image = FindResourceW(handler_, MAKEINTRESOURCEW(static_cast<WORD>(word(e + 12))),
                                MAKEINTRESOURCEW(3));
    ASSERT_NE(image, nullptr) << "image " << i;
    EXPECT_EQ(SizeofResource(handler_, image), bytes) << "image " << i;
  }
  WCHAR name[32];
  ASSERT_GT(LoadStringW(handler_, 102, name, 32), 0);
  EXPECT_EQ(std::u16string(name), u"ZRSIGNICON");
}

// The handler's file offers exactly its four entry points and nothing else.
TEST(SigniconExports, OnlyTheEntryPointsAreVisible) {
  std::string command = "nm -D --defined-only '" SIGNICON_HANDLER_PATH "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::set<std::string> names;
  char line[512];
  while (std::fgets(line, sizeof line, pipe.get())) {
    char address[64], kind[8], name[400];
    // Sanitizer builds add their own bookkeeping symbols; they are not ours.
    if (std::sscanf(line, "%63s %7s %399s", address, kind, name) == 3 &&
        std::string(name).rfind("__odr_asan", 0) != 0)
      names.insert(name);
  }
  // W32ResourceDirectory is not code: it is how the layer carries a module's resources.
  EXPECT_EQ(names, (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllMain",
                                          "RefreshStatus", "W32ResourceDirectory"}));
}

}  // namespace
}  // namespace signicon::test
