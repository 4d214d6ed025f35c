// Resources: lookups in a compiled module, string tables, dialog templates, the directory
// decoder on corrupt input, and the resource compiler's errors.
#include "win32/error.h"
#include "win32/module.h"
#include "win32/resource.h"

#include "modules/testmod_ids.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const fs::path kModules = W32_TESTMOD_DIR;
const fs::path kFixtures = W32_TEST_FIXTURES;

class TestModule : public ::testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryW(win32::widen_utf8((kModules / "libTESTMOD.so").string()).c_str());
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    FreeLibrary(module_);
    win32::set_user_locale(0);
  }

  std::vector<std::uint8_t> bytes(LPCWSTR type, LPCWSTR name) {
    auto s = win32::resource_bytes(module_, type, name);
    return {s.begin(), s.end()};
  }
  HMODULE module_ = nullptr;
};

TEST_F(TestModule, FindsResourcesByNumberAndName) {
  const auto table = bytes(MAKEINTRESOURCEW(IDR_TABLE), MAKEINTRESOURCEW(1));
  ASSERT_EQ(table.size(), 516u);  // the size of a dither table
  EXPECT_EQ(table[255], 255);
  EXPECT_EQ(table[515], 4);

  // Numbers are 2 bytes, L numbers 4, narrow strings their bytes, wide strings UTF-16.
  const std::vector<std::uint8_t> inline_table{0x02, 0x01, 0x06, 0x05, 0x04, 0x03, 'a', 'b', 'c', 0, 'd', 0};
  EXPECT_EQ(bytes(MAKEINTRESOURCEW(IDR_TABLE), MAKEINTRESOURCEW(2)), inline_table);
  EXPECT_EQ(bytes(MAKEINTRESOURCEW(IDR_TABLE), u"#2"), inline_table);

  // String types and names compare without regard to case.
  EXPECT_EQ(bytes(u"fontdata", u"GLYPHS"), (std::vector<std::uint8_t>{'x', 'y', 'z'}));

  // A bitmap loses its 14-byte file header.
  const auto bmp = bytes(RT_BITMAP, MAKEINTRESOURCEW(IDB_TINY));
  ASSERT_EQ(bmp.size(), fs::file_size(kFixtures / "tiny.bmp") - 14);
  EXPECT_EQ(bmp[0], 40);

  HRSRC res = FindResourceW(module_, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(IDR_TABLE));
  ASSERT_NE(res, nullptr);
  EXPECT_EQ(LockResource(LoadResource(module_, res)), static_cast<const void*>(win32::resource_bytes(module_, MAKEINTRESOURCEW(IDR_TABLE), MAKEINTRESOURCEW(1)).data()));
  EXPECT_EQ(SizeofResource(module_, res), 516u);
}

TEST_F(TestModule, MissingResourcesSayWhatIsMissing) {
  struct Case { LPCWSTR type; LPCWSTR name; LONG error; } cases[] = {
      /*1*/ {MAKEINTRESOURCEW(999), MAKEINTRESOURCEW(1), ERROR_RESOURCE_TYPE_NOT_FOUND},
      /*2*/ {MAKEINTRESOURCEW(IDR_TABLE), MAKEINTRESOURCEW(3), ERROR_RESOURCE_NAME_NOT_FOUND},
      /*3*/ {u"FONTDATA", u"OTHER", ERROR_RESOURCE_NAME_NOT_FOUND},
      /*4*/ {MAKEINTRESOURCEW(IDR_TABLE), u"#x1", ERROR_RESOURCE_NAME_NOT_FOUND},
      /*5*/ {MAKEINTRESOURCEW(IDR_TABLE), u"#99999999", ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases + 1);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(module_, c.name, c.type), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.error));
  }
  // The test program carries no resources at all.
  SetLastError(0);
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  // A handle that is not one of the module's entries.
  int junk = 0;
  SetLastError(0);
  EXPECT_EQ(LoadResource(module_, reinterpret_cast<HRSRC>(&junk)), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(TestModule, LanguagePreference) {
  const WORD us = MAKELANGID(9, 1);
  auto first_byte = [&](HRSRC r) { return *static_cast<const std::uint8_t*>(LockResource(LoadResource(module_, r))); };
  EXPECT_EQ(first_byte(FindResourceExW(module_, RT_RCDATA, MAKEINTRESOURCEW(3), us)), 1);
  EXPECT_EQ(first_byte(FindResourceExW(module_, RT_RCDATA, MAKEINTRESOURCEW(3), MAKELANGID(7, 1))), 2);  // neutral
  // Without a language the thread's locale decides: U.S. English, then German (neutral).
  win32::set_user_locale(0x0409);
  EXPECT_EQ(first_byte(FindResourceW(module_, MAKEINTRESOURCEW(3), RT_RCDATA)), 1);
  win32::set_user_locale(0x0407);
  EXPECT_EQ(first_byte(FindResourceW(module_, MAKEINTRESOURCEW(3), RT_RCDATA)), 2);
  WCHAR text[16];
  EXPECT_EQ(LoadStringW(module_, IDS_HELLO, text, 16), 5);
  EXPECT_EQ(std::u16string(text), u"Hallo");
  win32::set_user_locale(0x0807);  // Swiss German: another German is closer than neutral
  EXPECT_EQ(LoadStringW(module_, IDS_HELLO, text, 16), 5);
  EXPECT_EQ(std::u16string(text), u"Hallo");
  win32::set_user_locale(0x040C);  // French: neutral
  EXPECT_EQ(LoadStringW(module_, IDS_HELLO, text, 16), 5);
  EXPECT_EQ(std::u16string(text), u"Hello");
  win32::set_user_locale(0);
}

TEST_F(TestModule, LoadStringCopiesCutsAndPoints) {
  win32::set_user_locale(0x0409);
  struct Case { UINT id; int size; int result; std::u16string text; } cases[] = {
      /*1*/ {IDS_HELLO, 6, 5, u"Hello"},  // exact fit
      /*2*/ {IDS_HELLO, 5, 4, u"Hell"},   // one short: cut and terminated
      /*3*/ {IDS_HELLO, 1, 0, u""},
      /*4*/ {IDS_SECOND_BLOCK, 64, 36, u"Second block, \"quoted\" and \"doubled\""},
      /*5*/ {18, 64, 9, u"Gr\u00fc\u00dfe \u00e9t\u00e9"},
      /*6*/ {IDS_LAST, 64, 4, u"last"},
      /*7*/ {2, 64, 0, u""},     // a hole in an existing block
      /*8*/ {4000, 64, 0, u""},  // no such block
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases + 1);
    std::u16string buffer(80, u'\xcccc');
    EXPECT_EQ(LoadStringW(module_, c.id, buffer.data(), c.size), c.result);
    EXPECT_EQ(buffer.substr(0, c.text.size() + 1), c.text + u'\0');
    EXPECT_EQ(buffer[c.size], u'\xcccc');
  }
  LPCWSTR direct = nullptr;
  EXPECT_EQ(LoadStringW(module_, IDS_SECOND_BLOCK, reinterpret_cast<LPWSTR>(&direct), 0), 36);
  ASSERT_NE(direct, nullptr);
  EXPECT_EQ(std::u16string(direct, 6), u"Second");
}

TEST_F(TestModule, DialogTemplateKeepsWhatTheScriptSays) {
  const auto blob = bytes(RT_DIALOG, MAKEINTRESOURCEW(IDD_SAMPLE));
  ASSERT_EQ(blob.size() % 4, 0u);
  const auto d = win32::decode_dialog_template(blob);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->header.flags, win32::kDialogEx);
  EXPECT_EQ(d->header.style, 0x80000000u | 0x00C00000u | 0x00080000u | 0x80u | 0x40u);
  EXPECT_EQ(d->header.helpId, 77u);
  EXPECT_EQ(d->header.cx, 200);
  EXPECT_EQ(d->header.pointSize, 8);
  EXPECT_EQ(d->header.weight, 400);
  EXPECT_EQ(d->header.charset, 1);
  EXPECT_EQ(d->fontFace, u"DejaVu Sans");
  EXPECT_EQ(std::get<std::u16string>(d->caption), u"Sample");
  ASSERT_EQ(d->items.size(), 6u);

  const auto& label = d->items[0];
  EXPECT_EQ(label.header.id, 0xFFFFFFFFu);
  EXPECT_EQ(std::get<std::uint16_t>(label.windowClass), 0x82);
  EXPECT_EQ(std::get<std::u16string>(label.text), u"&Name:");
  EXPECT_EQ(label.header.style, 0x50020000u);  // child, visible, group, left

  const auto& edit = d->items[1];
  EXPECT_EQ(edit.header.id, static_cast<std::uint32_t>(IDC_NAME));
  EXPECT_EQ(edit.header.style, 0x50010080u);  // default border removed by NOT
  EXPECT_EQ(edit.header.cx, 143);

  const auto& custom = d->items[3];
  EXPECT_EQ(std::get<std::u16string>(custom.windowClass), u"ZrSlider");
  EXPECT_EQ(custom.header.exStyle, 0x200u);
  EXPECT_EQ(std::get<std::uint16_t>(d->items[4].windowClass), 0x80);
  EXPECT_EQ(d->items[4].header.style & 0xF, 1u);  // default push button
}

TEST_F(TestModule, EnumerationListsEachTypeNameAndLanguageOnce) {
  using Seen = std::vector<std::u16string>;
  auto text = [](LPCWSTR id) {
    return IS_INTRESOURCE(id) ? u"#" + win32::widen_utf8(std::to_string(reinterpret_cast<ULONG_PTR>(id))) : std::u16string(id);
  };
  static std::u16string (*show)(LPCWSTR);
  show = +text;
  Seen types;
  EXPECT_TRUE(EnumResourceTypesW(module_, [](HMODULE, LPWSTR type, LONG_PTR p) {
    reinterpret_cast<Seen*>(p)->push_back(show(type));
    return TRUE;
  }, reinterpret_cast<LONG_PTR>(&types)));
  // String types first, then numbers ascending: bitmap, dialog, string, rcdata, 263.
  EXPECT_EQ(types, (Seen{u"FONTDATA", u"#2", u"#5", u"#6", u"#10", u"#263"}));

  Seen names;
  EXPECT_TRUE(EnumResourceNamesW(module_, RT_STRING, [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR p) {
    reinterpret_cast<Seen*>(p)->push_back(show(name));
    return TRUE;
  }, reinterpret_cast<LONG_PTR>(&names)));
  EXPECT_EQ(names, (Seen{u"#1", u"#2", u"#4096"}));  // blocks of ids 1, 17/18 and 65535

  std::vector<WORD> languages;
  EXPECT_TRUE(EnumResourceLanguagesW(module_, RT_STRING, MAKEINTRESOURCEW(1), [](HMODULE, LPCWSTR, LPCWSTR, WORD lang, LONG_PTR p) {
    reinterpret_cast<std::vector<WORD>*>(p)->push_back(lang);
    return TRUE;
  }, reinterpret_cast<LONG_PTR>(&languages)));
  EXPECT_EQ(languages, (std::vector<WORD>{0, MAKELANGID(7, 1)}));

  int calls = 0;
  SetLastError(0);
  EXPECT_FALSE(EnumResourceTypesW(module_, [](HMODULE, LPWSTR, LONG_PTR p) { ++*reinterpret_cast<int*>(p); return FALSE; },
                                  reinterpret_cast<LONG_PTR>(&calls)));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_ENUM_USER_STOP));
}

// The decoder refuses every damaged directory instead of reading past its end.
TEST(ResourceDirectory, RoundTripAndCorruptInput) {
  std::vector<win32::ResourceItem> items{
      {std::uint16_t{263}, std::uint16_t{1}, 0, std::vector<std::uint8_t>(516, 7)},
      {std::u16string(u"FONTDATA"), std::u16string(u"GLYPHS"), 0x409, {1, 2, 3}},
  };
  const auto good = win32::encode_resource_directory(items);
  auto decoded = win32::decode_resource_directory(good);
  ASSERT_TRUE(decoded.has_value());
  ASSERT_EQ(decoded->size(), 2u);
  // Sorted as the enumeration reports them: string types first.
  EXPECT_EQ(std::get<std::u16string>((*decoded)[0].name), u"GLYPHS");
  EXPECT_EQ((*decoded)[0].language, 0x409);
  EXPECT_EQ((*decoded)[1].data, items[0].data);

  auto put32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) { std::memcpy(b.data() + at, &v, 4); };
  const std::size_t named = 16, numbered = 16 + 28;
  struct Case { const char* what; std::function<void(std::vector<std::uint8_t>&)> damage; } cases[] = {
      {"magic", [](auto& b) { b[0] = 'X'; }},
      {"truncated header", [](auto& b) { b.resize(10); }},
      {"truncated body", [](auto& b) { b.resize(b.size() - 8); }},
      {"entry count beyond the end", [&](auto& b) { put32(b, 8, 0x10000000); }},
      {"total size beyond the end", [&](auto& b) { put32(b, 12, static_cast<std::uint32_t>(b.size() + 1)); }},
      {"data beyond the end", [&](auto& b) { put32(b, numbered + 20, 0xFFFFFFF0u); }},
      {"data offset wraps", [&](auto& b) { put32(b, numbered + 16, 0xFFFFFFFFu); }},
      {"odd name offset", [&](auto& b) { put32(b, named + 12, 17); }},
      {"name offset beyond the end", [&](auto& b) { put32(b, named + 12, 0x7FFFFFF0u); }},
      {"name and number both set", [&](auto& b) { put32(b, named + 8, 5); }},
      {"entry size", [](auto& b) { b[6] = 27; }},
      {"name without its NUL", [&](auto& b) {
         std::uint32_t at;
         std::memcpy(&at, b.data() + named + 12, 4);
         b[at + 2 + 2 * 6] = 'X';
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto bad = good;
    c.damage(bad);
    EXPECT_FALSE(win32::decode_resource_directory(bad).has_value());
  }
  // Every prefix of a good directory is refused or decodes within its bounds.
  for (std::size_t n = 0; n < good.size(); n += 7) {
    EXPECT_FALSE(win32::decode_resource_directory(std::span(good).first(n)).has_value()) << n;
  }
}

TEST(DialogTemplate, TruncatedTemplatesAreRefused) {
  win32::DialogTemplate d;
  d.caption = std::u16string(u"Caption");
  win32::DialogItem item;
  item.windowClass = std::uint16_t{0x80};
  item.text = std::u16string(u"OK");
  item.creationData = {1, 2, 3};
  d.items = {item, item};
  const auto good = win32::encode_dialog_template(d);
  const auto back = win32::decode_dialog_template(good);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->items[1].creationData, item.creationData);
  for (std::size_t n = 0; n + 4 < good.size(); ++n) {
    EXPECT_FALSE(win32::decode_dialog_template(std::span(good).first(n)).has_value()) << n;
  }
}

// --- The resource compiler ---------------------------------------------------------------

struct RunResult {
  int status;
  std::string errors;
};

RunResult run_w32rc(const fs::path& script, const fs::path& out) {
  const fs::path err = out.string() + ".err";
  const std::string cmd = std::string(W32RC_PATH) + " -o '" + out.string() + "' '" + script.string() + "' 2>'" + err.string() + "'";
  const int raw = std::system(cmd.c_str());
  std::ifstream in(err);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, text};
}

class Compiler : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("w32rc_" + std::to_string(::getpid()) + "_" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(kFixtures / "tiny.bmp", dir_ / "tiny.bmp");
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path write(const std::string& text) {
    const fs::path p = dir_ / "script.rc";
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
  fs::path dir_;
};

TEST_F(Compiler, BadScriptsGiveFileAndLine) {
  const std::string longLine = "1 RCDATA BEGIN \"" + std::string(10000, 'a') + "\" END\n";
  struct Case { std::string script; int line; const char* message; } cases[] = {
      /*1*/ {"", 1, "no resources"},
      /*2*/ {"// only a comment\n\n", 1, "no resources"},
      /*3*/ {"STRINGTABLE\nBEGIN\n 1 \"one\"\n", 3, "missing END"},
      /*4*/ {"1 RCDATA BEGIN 1,\n", 1, "missing END"},
      /*5*/ {std::string("1 RCDATA BEGIN 1 END\n\x7f" "ELF\x02\x01\x01\x00\x00\n", 31), 2, "NUL byte"},
      /*6*/ {"\n\x01\x02\x03\n", 2, "unexpected byte 0x01"},
      /*7*/ {longLine, 1, "line longer than 4096"},
      /*8*/ {"STRINGTABLE BEGIN\n 1 \"caf\xe9\"\nEND\n", 2, "invalid UTF-8"},
      /*9*/ {"STRINGTABLE BEGIN\n 1 \"open\nEND\n", 2, "not closed"},
      /*10*/ {"STRINGTABLE BEGIN\n 1 \"a\"\n 1 \"b\"\nEND\n", 3, "defined twice"},
      /*11*/ {"STRINGTABLE BEGIN\n 70000 \"a\"\nEND\n", 2, "out of range"},
      /*12*/ {"1 BITMAP \"missing.bmp\"\n", 1, "cannot find file"},
      /*13*/ {"1 BITMAP \"script.rc\"\n", 1, "not a .bmp"},
      /*14*/ {"1 DIALOG 0, 0, 10, 10\nBEGIN\n  SLIDER \"x\", 1, 0, 0, 1, 1\nEND\n", 3, "unknown control"},
      /*15*/ {"1 DIALOG 0, 0, 10\nBEGIN\nEND\n", 2, "expected ','"},
      /*16*/ {"1 ICON \"a.ico\"\n", 1, "not supported"},
      /*17*/ {"#define A A\n1 RCDATA BEGIN A END\n", 1, "in terms of itself"},
      /*18*/ {"1 RCDATA BEGIN UNDEFINED_NAME END\n", 1, "unknown name"},
      /*19*/ {"/* open comment\n1 RCDATA BEGIN 1 END\n", 2, "comment not closed"},
      /*20*/ {"#if 1\n", 1, "unsupported preprocessor"},
      /*21*/ {"1 RCDATA BEGIN 0x END\n", 1, "malformed number"},
      /*22*/ {"1 RCDATA BEGIN 99999999999 END\n", 1, "out of range"},
      /*23*/ {"1 RCDATA BEGIN 1 END\n1 RCDATA BEGIN 2 END\n", 2, "defined twice"},
      /*24*/ {"0 RCDATA BEGIN 1 END\n", 1, "out of range"},
      /*25*/ {"1 RCDATA BEGIN \"\\q\" END\n", 1, "unknown escape"},
      /*26*/ {std::string("\xFF\xFE" "1\0 \0", 6), 1, "UTF-16"},
      /*27*/ {"#include \"script.rc\"\n", 1, "nested too deeply"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases + 1);
    const fs::path script = write(c.script);
    const fs::path out = dir_ / "out.cpp";
    const RunResult r = run_w32rc(script, out);
    EXPECT_EQ(r.status, 1) << r.errors;
    const std::string where = script.string() + ":" + std::to_string(c.line) + ": error: ";
    EXPECT_EQ(r.errors.rfind(where, 0), 0u) << r.errors;
    EXPECT_NE(r.errors.find(c.message), std::string::npos) << r.errors;
    EXPECT_FALSE(fs::exists(out));
  }
}

TEST_F(Compiler, WritesADirectoryTheDecoderReads) {
  const fs::path script = write("#define IDX 7\nLANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\nIDX RCDATA { 1, 2L }\n"
                                "STRINGTABLE { 20, \"twenty\" }\n5 BITMAP \"tiny.bmp\"\n");
  const fs::path out = dir_ / "out.cpp";
  const RunResult r = run_w32rc(script, out);
  ASSERT_EQ(r.status, 0) << r.errors;
  std::ifstream in(out);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("W32ResourceDirectory["), std::string::npos);
}

}  // namespace
