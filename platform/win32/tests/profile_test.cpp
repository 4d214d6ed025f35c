#include "support/machine_root.h"
#include "win32/error.h"
#include "win32/profile.h"
#include "win32/text.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using win32::test::MachineRoot;

namespace {

// Every odd input the reader has a rule for, in one file.
constexpr char16_t kOddFile[] =
    u"; leading comment\r\n"
    u"orphan=1\r\n"
    u"[General]\r\n"
    u"  key1  =  value one  \r\n"
    u"key2=\"quoted\"\r\n"
    u"key3='single'\r\n"
    u"key4=\"unbalanced\r\n"
    u"dup=first\r\n"
    u"dup=second\r\n"
    u"noequals\r\n"
    u"=nokey\r\n"
    u";comment=5\r\n"
    u"\tnonascii = gr\u00fc\u00df\r\n"
    u"[ general ]\n"
    u"late=yes\n"
    u"DUP=third\r"
    u"[broken\r\n"
    u"brokenkey=x\r\n"
    u"[Empty]\r\n"
    u"[Last]\r\n"
    u"tail=unterminated";

std::string utf16le(std::u16string_view s, bool bom = true) {
  std::string out = bom ? "\xFF\xFE" : "";
  for (char16_t c : s) out += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return out;
}
std::string utf16be(std::u16string_view s) {
  std::string out = "\xFE\xFF";
  for (char16_t c : s) out += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  return out;
}

struct Encoder {
  char const* name;
  std::function<std::string(std::u16string_view)> encode;
};
std::vector<Encoder> const kEncoders = {
    {"utf16le", [](auto s) { return utf16le(s); }},
    {"utf16le-nobom", [](auto s) { return utf16le(s, false); }},
    {"utf16be", [](auto s) { return utf16be(s); }},
    {"utf8", [](auto s) { return win32::to_utf8(s); }},
    {"utf8-bom", [](auto s) { return "\xEF\xBB\xBF" + win32::to_utf8(s); }},
    {"cp1252", [](auto s) { return win32::to_cp1252(s); }},
};

class Profile : public win32::test::MachineRootTest {
 protected:
  std::u16string get(char16_t const* section, char16_t const* key, char16_t const* dflt = u"<default>",
                     char16_t const* file = u"TEST.INI") {
    WCHAR buf[256];
    DWORD n = GetPrivateProfileStringW(section, key, dflt, buf, 256, file);
    return std::u16string(buf, n);
  }
  // A list result with its NULs made visible as '|'.
  static std::u16string list(WCHAR const* buf, DWORD n) {
    std::u16string s(buf, n + 1);
    for (auto& c : s)
      if (c == 0) c = u'|';
    return s;
  }
  std::string ini_bytes() const { return MachineRoot::read_file(root().windows() / "TEST.INI"); }
};

TEST_F(Profile, ReadingRulesInEveryEncoding) {
  struct Row {
    char16_t const* section;
    char16_t const* key;
    char16_t const* expected;
  } const rows[] = {
      /*1 blanks trimmed*/ {u"General", u"key1", u"value one"},
      /*2 names ignore case*/ {u"GENERAL", u"KEY1", u"value one"},
      /*3 double quotes*/ {u"General", u"key2", u"quoted"},
      /*4 single quotes*/ {u"General", u"key3", u"single"},
      /*5 unmatched quote kept*/ {u"General", u"key4", u"\"unbalanced"},
      /*6 first duplicate wins*/ {u"General", u"dup", u"first"},
      /*7 no '=': empty value*/ {u"General", u"noequals", u""},
      /*8 comment not a key*/ {u"General", u";comment", u"<default>"},
      /*9 non-ASCII*/ {u"General", u"nonascii", u"gr\u00fc\u00df"},
      /*10 same-named sections merge*/ {u"general", u"late", u"yes"},
      /*11 broken header ignored*/ {u"General", u"brokenkey", u"x"},
      /*12 before any section*/ {u"", u"orphan", u"<default>"},
      /*13 unterminated last line*/ {u"Last", u"tail", u"unterminated"},
      /*14 missing section*/ {u"Nope", u"key1", u"<default>"},
      /*15 empty section*/ {u"Empty", u"x", u"<default>"},
  };
  for (auto const& enc : kEncoders) {
    SCOPED_TRACE(enc.name);
    root().write_file("Windows/TEST.INI", enc.encode(kOddFile));
    win32::profile_flush_cache();
    int n = 0;
    for (auto const& r : rows) {
      SCOPED_TRACE("row " + std::to_string(++n));
      EXPECT_EQ(get(r.section, r.key), r.expected);
    }
    WCHAR buf[256];
    DWORD len = GetPrivateProfileStringW(nullptr, nullptr, nullptr, buf, 256, u"TEST.INI");
    EXPECT_EQ(list(buf, len), u"General|Empty|Last||");
    len = GetPrivateProfileStringW(u"general", nullptr, nullptr, buf, 256, u"TEST.INI");
    EXPECT_EQ(list(buf, len), u"key1|key2|key3|key4|dup|noequals|nonascii|late|brokenkey||");
  }
}

TEST_F(Profile, BuffersExactFitAndOneShort) {
  root().write_file("Windows/TEST.INI", "[ab]\r\nk=abc\r\n[c]\r\n");
  WCHAR buf[16];
  auto fill = [&] { std::memset(buf, 0xcc, sizeof buf); };

  fill();
  EXPECT_EQ(GetPrivateProfileStringW(u"ab", u"k", u"", buf, 4, u"TEST.INI"), 3u);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(buf[4], 0xcccc);
  fill();
  SetLastError(0);
  EXPECT_EQ(GetPrivateProfileStringW(u"ab", u"k", u"", buf, 3, u"TEST.INI"), 2u) << "cut: size - 1";
  EXPECT_EQ(std::u16string(buf), u"ab");
  EXPECT_EQ(buf[3], 0xcccc);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));

  // Section names "ab", "c": 6 units with the final NUL.
  fill();
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 6, u"TEST.INI"), 5u);
  EXPECT_EQ(list(buf, 5), u"ab|c||");
  EXPECT_EQ(buf[6], 0xcccc);
  fill();
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 5, u"TEST.INI"), 3u) << "cut list: size - 2";
  EXPECT_EQ(list(buf, 4), u"ab|||");
  EXPECT_EQ(buf[5], 0xcccc);
  fill();
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 2, u"TEST.INI"), 0u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 0);
  EXPECT_EQ(buf[2], 0xcccc);

  // The default: trailing blanks go; a null default is empty; it is cut like a value.
  EXPECT_EQ(get(u"ab", u"none", u"  def  "), u"  def");
  EXPECT_EQ(get(u"ab", u"none", nullptr), u"");
  fill();
  EXPECT_EQ(GetPrivateProfileStringW(u"ab", u"none", u"default", buf, 4, u"TEST.INI"), 3u);
  EXPECT_EQ(std::u16string(buf), u"def");

  // A missing file lists nothing and reads defaults.
  fill();
  EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, nullptr, buf, 16, u"MISSING.INI"), 0u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(get(u"a", u"b", u"d", u"MISSING.INI"), u"d");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetPrivateProfileStringW(u"a", u"b", u"d", buf, 0, u"MISSING.INI"), 0u);
}

TEST_F(Profile, OddBytes) {
  // A 20,000-unit line, read whole.
  std::string const big(20000, 'x');
  root().write_file("Windows/TEST.INI", "[s]\nbig=" + big + "\nafter=1\n");
  std::vector<WCHAR> buf(30000);
  EXPECT_EQ(GetPrivateProfileStringW(u"s", u"big", u"", buf.data(), 30000, u"TEST.INI"), 20000u);
  EXPECT_EQ(get(u"s", u"after"), u"1");

  // UTF-16: an odd last byte is dropped, a lone surrogate passes, NUL units are dropped.
  std::string bytes = utf16le(u"[s]\r\nlone=a\xD800z\r\nnul=a");
  bytes += std::string("\0\0b\0", 4);
  bytes += "\x41";  // odd byte
  root().write_file("Windows/TEST.INI", bytes);
  win32::profile_flush_cache();
  EXPECT_EQ(get(u"s", u"lone"), u"a\xD800z");
  EXPECT_EQ(get(u"s", u"nul"), u"ab");

  // 8-bit bytes that are not UTF-8 are Windows-1252.
  root().write_file("Windows/TEST.INI", "[s]\nk=gr\xFC\xDF \x80\n");
  win32::profile_flush_cache();
  EXPECT_EQ(get(u"s", u"k"), u"gr\u00fc\u00df \u20ac");
}

TEST_F(Profile, IntParsing) {
  root().write_file("Windows/TEST.INI",
                    "[n]\ndec=12\nneg= -7 \nplus=+5\nhex=0x1F\nHEX=0X1f\ntrail=12abc\nalpha=abc\nempty=\n"
                    "quoted=\"42\"\nwrap=4294967297\nneghex=-0x10\n");
  struct Row {
    char16_t const* key;
    UINT expected;
  } const rows[] = {
      {u"dec", 12},    {u"neg", static_cast<UINT>(-7)}, {u"plus", 5},   {u"hex", 31},
      {u"HEX", 31},    {u"trail", 12},                  {u"alpha", 0},  {u"empty", 99},
      {u"missing", 99}, {u"quoted", 42},                {u"wrap", 1},   {u"neghex", static_cast<UINT>(-16)},
  };
  for (auto const& r : rows)
    EXPECT_EQ(GetPrivateProfileIntW(u"n", r.key, 99, u"TEST.INI"), r.expected) << win32::to_utf8(r.key);
  EXPECT_EQ(GetPrivateProfileIntW(u"n", u"x", -3, u"MISSING.INI"), static_cast<UINT>(-3));
}

TEST_F(Profile, WritesRoundTripAndKeepEncodingAndComments) {
  struct Start {
    char const* name;
    std::string bytes;
    std::string prefix;  // the file's first bytes after any write
  } const starts[] = {
      {"utf16le", utf16le(u"; keep me\r\n[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"), utf16le(u"; keep")},
      {"utf8", "; keep me\n[A]\nx=1\n\n[B]\ny=2\n", "; keep"},
  };
  for (auto const& s : starts) {
    SCOPED_TRACE(s.name);
    root().write_file("Windows/TEST.INI", s.bytes);
    win32::profile_flush_cache();
    std::string const& prefix = s.prefix;
    EXPECT_TRUE(WritePrivateProfileStringW(u"a", u"X", u"changed", u"TEST.INI"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"new", u"\u00fc\u20ac", u"TEST.INI"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"C", u"z", u"3", u"TEST.INI"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"B", u"y", nullptr, u"TEST.INI"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"B", u"gone", nullptr, u"TEST.INI")) << "deleting nothing succeeds";
    EXPECT_EQ(ini_bytes().substr(0, prefix.size()), prefix);

    win32::profile_flush_cache();
    EXPECT_EQ(get(u"A", u"x"), u"changed");
    EXPECT_EQ(get(u"A", u"new"), u"\u00fc\u20ac");
    EXPECT_EQ(get(u"C", u"z"), u"3");
    EXPECT_EQ(get(u"B", u"y"), u"<default>");
    WCHAR buf[64];
    DWORD n = GetPrivateProfileStringW(u"A", nullptr, nullptr, buf, 64, u"TEST.INI");
    EXPECT_EQ(list(buf, n), u"x|new||") << "a new key goes to the end of its section";

    EXPECT_TRUE(WritePrivateProfileStringW(u"A", nullptr, nullptr, u"TEST.INI"));
    n = GetPrivateProfileSectionNamesW(buf, 64, u"TEST.INI");
    EXPECT_EQ(list(buf, n), u"B|C||");
  }
}

TEST_F(Profile, NewFilesAndEncodingChanges) {
  // A new file under a bare name lies in the Windows folder, as UTF-16LE with a BOM.
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", u"TEST.INI"));
  EXPECT_EQ(ini_bytes(), utf16le(u"[S]\r\nk=v\r\n"));
  // Deleting from a missing file creates nothing; a missing folder is an error.
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", nullptr, nullptr, u"OTHER.INI"));
  EXPECT_FALSE(fs::exists(root().windows() / "OTHER.INI"));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", u"C:\\nowhere\\X.INI"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  // A Windows-1252 file stays 8-bit while it can, and turns UTF-16 when it cannot.
  root().write_file("Windows/TEST.INI", "[S]\nk=gr\xFC\xDF\n");
  win32::profile_flush_cache();
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"e", u"\u20ac", u"TEST.INI"));
  EXPECT_EQ(ini_bytes(), "[S]\nk=gr\xFC\xDF\ne=\x80\n");
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"j", u"\u65e5", u"TEST.INI"));
  EXPECT_EQ(ini_bytes().substr(0, 2), "\xFF\xFE");
  win32::profile_flush_cache();
  EXPECT_EQ(get(u"S", u"k"), u"gr\u00fc\u00df");
  EXPECT_EQ(get(u"S", u"j"), u"\u65e5");

  // Windows-1252 bytes that would read back as UTF-8 ("\xC3\xBC" is also UTF-8 for u-umlaut)
  // make the file UTF-16 too, so the text stays what was written.
  root().write_file("Windows/TEST.INI", "[S]\nk=\xFC\n");
  win32::profile_flush_cache();
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"\u00c3\u00bc", u"TEST.INI"));
  EXPECT_EQ(ini_bytes().substr(0, 2), "\xFF\xFE");
  win32::profile_flush_cache();
  EXPECT_EQ(get(u"S", u"k"), u"\u00c3\u00bc");

  // Texts that could not be read back are refused.
  for (auto [s, k, v] : {std::tuple{u"S\n", u"k", u"v"}, {u"S", u"k\r", u"v"}, {u"S", u"k", u"v\nx=1"},
                         {u"S", u"k=1", u"v"}, {u"S", u"", u"v"}, {u"S", u"  ", u"v"}, {u"S", u";k", u"v"},
                         {u"S", u" [T]", u"v"}}) {
    std::string const before = ini_bytes();
    EXPECT_FALSE(WritePrivateProfileStringW(s, k, v, u"TEST.INI")) << win32::to_utf8(k);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(ini_bytes(), before);
  }

  // Blanks around names are not part of them: the write changes the line that is read.
  EXPECT_TRUE(WritePrivateProfileStringW(u" S\t", u"\tk ", u"blank", u"TEST.INI"));
  EXPECT_EQ(get(u"S", u"k"), u"blank");
  EXPECT_EQ(get(u"S ", u" k"), u"blank");
  EXPECT_TRUE(WritePrivateProfileStringW(u" S", u" k", nullptr, u"TEST.INI"));
  EXPECT_EQ(get(u"S", u"k"), u"<default>");
  EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, u"TEST.INI")) << "the cache flush";
}

TEST_F(Profile, FileModes) {
  // A new file follows the umask; a rewritten file keeps the mode it had.
  mode_t const saved = ::umask(022);
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"v", u"TEST.INI"));
  ::umask(saved);
  fs::path const file = root().windows() / "TEST.INI";
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644));
  fs::permissions(file, fs::perms(0600));
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"w", u"TEST.INI"));
  EXPECT_EQ(fs::status(file).permissions(), fs::perms(0600));
}

TEST_F(Profile, SectionReadAndReplace) {
  root().write_file("Windows/TEST.INI", "[S]\na = 1\n;c\nb=\"2\"\n[T]\nt=1\n");
  WCHAR buf[64];
  DWORD n = GetPrivateProfileSectionW(u"s", buf, 64, u"TEST.INI");
  EXPECT_EQ(list(buf, n), u"a=1|b=\"2\"||");
  EXPECT_TRUE(WritePrivateProfileSectionW(u"S", u"x=9\0y=8\0", u"TEST.INI"));
  EXPECT_EQ(MachineRoot::read_file(root().windows() / "TEST.INI"), "[S]\nx=9\ny=8\n[T]\nt=1\n");
  EXPECT_TRUE(WritePrivateProfileSectionW(u"U", u"u=1\0", u"TEST.INI"));
  EXPECT_EQ(get(u"U", u"u"), u"1");
}

TEST_F(Profile, ChangesByOthersAreSeenAtOnce) {
  // Same size, same inode, within one file-time tick: the cache must not hide the change.
  fs::path const file = root().windows() / "TEST.INI";
  root().write_file("Windows/TEST.INI", "[S]\nk=1\n");
  EXPECT_EQ(get(u"S", u"k"), u"1");
  root().write_file("Windows/TEST.INI", "[S]\nk=2\n");
  EXPECT_EQ(get(u"S", u"k"), u"2");
  EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"3", u"TEST.INI"));
  EXPECT_EQ(get(u"S", u"k"), u"3");
  fs::remove(file);
  EXPECT_EQ(get(u"S", u"k"), u"<default>");
}

TEST_F(Profile, ReadersOnOtherThreadsSeeWholeWrites) {
  ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"0", u"TEST.INI"));
  std::atomic<bool> done{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t)
    readers.emplace_back([&] {
      while (!done) {
        UINT const v = GetPrivateProfileIntW(u"S", u"k", -1, u"TEST.INI");
        if (v > 50) ++bad;  // missing (-1) or garbage would show here
      }
    });
  for (int i = 1; i <= 50; ++i)
    EXPECT_TRUE(WritePrivateProfileStringW(u"S", u"k", win32::to_utf16(std::to_string(i)).c_str(), u"TEST.INI"));
  done = true;
  for (auto& r : readers) r.join();
  EXPECT_EQ(bad, 0);
  EXPECT_EQ(GetPrivateProfileIntW(u"S", u"k", -1, u"TEST.INI"), 50u);
}

}  // namespace
