// w32rc: the resource compiler of the Win32 layer.
//
//   w32rc [-I dir]... [--depfile file] -o out.cpp script.rc
//
// Reads a text resource script and writes a C++ source that defines the module's resource
// directory (`W32ResourceDirectory`, layout in win32/resource.h). Compiled into a module,
// FindResourceW, LoadStringW and the rest find the resources through the module handle.
//
// The script language is a small subset of the Windows resource-script language:
//
//   // comment, /* comment */
//   #define NAME expression      #undef NAME     #pragma ... (ignored)
//   #include "file"              (files that hold #define lines and resources)
//   #ifdef NAME / #ifndef NAME / #else / #endif
//   LANGUAGE primary, sub        language of the resources that follow (default neutral)
//   STRINGTABLE [LANGUAGE p, s] BEGIN  id[,] "text"  ...  END
//   name RCDATA "file"           the file's bytes
//   name RCDATA BEGIN items END  items: numbers (2 bytes each; with an L suffix 4 bytes),
//                                "narrow strings" (UTF-8 bytes, no terminator),
//                                L"wide strings" (UTF-16, no terminator), separated by commas
//   name type "file" | BEGIN items END   a custom type, numeric (272) or named (FONTDATA)
//   name BITMAP "file.bmp"       stored without the 14-byte file header
//   name DIALOG x, y, cx, cy     or  name DIALOGEX x, y, cx, cy [, helpId]
//     [STYLE expr] [EXSTYLE expr] [CAPTION "text"] [FONT size, "face" [, weight, italic, charset]]
//     [MENU name] [CLASS "name"] [LANGUAGE p, s]
//     BEGIN controls END
//   controls: LTEXT RTEXT CTEXT PUSHBUTTON DEFPUSHBUTTON CHECKBOX AUTOCHECKBOX STATE3 AUTO3STATE
//     RADIOBUTTON AUTORADIOBUTTON GROUPBOX  "text", id, x, y, cx, cy [, style [, exstyle [, helpId]]]
//     EDITTEXT COMBOBOX LISTBOX SCROLLBAR  id, x, y, cx, cy [, style [, exstyle [, helpId]]]
//     ICON name, id, x, y [, cx, cy [, style [, exstyle]]]
//     CONTROL "text", id, class, style, x, y, cx, cy [, exstyle [, helpId]]
//   BEGIN/END may be written { and }. Memory options (PRELOAD, DISCARDABLE, ...) are accepted
//   and ignored. Expressions: numbers (decimal, 0x hex, L/U suffixes), #define'd names, the
//   window-style names the dialogs use, ( ), unary - and ~, binary | + - &, and NOT (in a
//   style: clears those bits from the control's default style).
//   Names: a number or #define'd name is a numeric id (1..65535); any other word or a quoted
//   text is a string name (compared without regard to case).
//   Text: the script is UTF-8 (a byte-order mark is skipped). String escapes: \n \t \r \0
//   \\ \" \a \xHH (one byte in narrow strings, one unit in wide strings and string tables) and
//   "" for a quote. Files named in the script are found beside the script, then in each -I dir.
//
// Errors are reported as "file:line: message" on standard error with exit status 1; nothing
// is written then. Lines longer than 4096 bytes, bytes that are not UTF-8, NUL bytes and a
// script without resources are errors.
#include "win32/module.h"
#include "win32/resource.h"
#include "win32/text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr int kMaxIncludeDepth = 16;

struct Error {
  std::string where;
  std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& message) { throw Error{where, message}; }

enum class Kind { Word, Number, String, Punct, End };

struct Token {
  Kind kind = Kind::End;
  std::string text;      // word, punctuation, or the raw bytes of a narrow string
  std::u16string wide;   // string contents as UTF-16 (for wide and table strings)
  bool wideString = false;
  std::int64_t number = 0;
  bool longNumber = false;
  std::string where;     // "file:line"
};

// The window-style and other well-known names the dialog scripts use.
const std::map<std::string, std::int64_t>& known_names() {
  static const std::map<std::string, std::int64_t> names = {
      {"WS_OVERLAPPED", 0}, {"WS_POPUP", 0x80000000}, {"WS_CHILD", 0x40000000}, {"WS_MINIMIZE", 0x20000000},
      {"WS_VISIBLE", 0x10000000}, {"WS_DISABLED", 0x08000000}, {"WS_CLIPSIBLINGS", 0x04000000},
      {"WS_CLIPCHILDREN", 0x02000000}, {"WS_MAXIMIZE", 0x01000000}, {"WS_CAPTION", 0x00C00000},
      {"WS_BORDER", 0x00800000}, {"WS_DLGFRAME", 0x00400000}, {"WS_VSCROLL", 0x00200000},
      {"WS_HSCROLL", 0x00100000}, {"WS_SYSMENU", 0x00080000}, {"WS_THICKFRAME", 0x00040000},
      {"WS_GROUP", 0x00020000}, {"WS_TABSTOP", 0x00010000}, {"WS_MINIMIZEBOX", 0x00020000},
      {"WS_MAXIMIZEBOX", 0x00010000},
      {"WS_EX_DLGMODALFRAME", 0x1}, {"WS_EX_NOPARENTNOTIFY", 0x4}, {"WS_EX_TOPMOST", 0x8},
      {"WS_EX_ACCEPTFILES", 0x10}, {"WS_EX_TRANSPARENT", 0x20}, {"WS_EX_TOOLWINDOW", 0x80},
      {"WS_EX_WINDOWEDGE", 0x100}, {"WS_EX_CLIENTEDGE", 0x200}, {"WS_EX_CONTEXTHELP", 0x400},
      {"WS_EX_RIGHT", 0x1000}, {"WS_EX_CONTROLPARENT", 0x10000}, {"WS_EX_STATICEDGE", 0x20000},
      {"DS_ABSALIGN", 0x1}, {"DS_SYSMODAL", 0x2}, {"DS_3DLOOK", 0x4}, {"DS_FIXEDSYS", 0x8},
      {"DS_NOFAILCREATE", 0x10}, {"DS_LOCALEDIT", 0x20}, {"DS_SETFONT", 0x40}, {"DS_MODALFRAME", 0x80},
      {"DS_NOIDLEMSG", 0x100}, {"DS_SETFOREGROUND", 0x200}, {"DS_CONTROL", 0x400}, {"DS_CENTER", 0x800},
      {"DS_CENTERMOUSE", 0x1000}, {"DS_CONTEXTHELP", 0x2000}, {"DS_SHELLFONT", 0x48},
      {"BS_PUSHBUTTON", 0}, {"BS_DEFPUSHBUTTON", 1}, {"BS_CHECKBOX", 2}, {"BS_AUTOCHECKBOX", 3},
      {"BS_RADIOBUTTON", 4}, {"BS_3STATE", 5}, {"BS_AUTO3STATE", 6}, {"BS_GROUPBOX", 7},
      {"BS_USERBUTTON", 8}, {"BS_AUTORADIOBUTTON", 9}, {"BS_OWNERDRAW", 0xB}, {"BS_LEFTTEXT", 0x20},
      {"BS_ICON", 0x40}, {"BS_BITMAP", 0x80}, {"BS_LEFT", 0x100}, {"BS_RIGHT", 0x200},
      {"BS_CENTER", 0x300}, {"BS_TOP", 0x400}, {"BS_BOTTOM", 0x800}, {"BS_VCENTER", 0xC00},
      {"BS_MULTILINE", 0x2000}, {"BS_NOTIFY", 0x4000}, {"BS_FLAT", 0x8000},
      {"ES_LEFT", 0}, {"ES_CENTER", 1}, {"ES_RIGHT", 2}, {"ES_MULTILINE", 4}, {"ES_UPPERCASE", 8},
      {"ES_LOWERCASE", 0x10}, {"ES_PASSWORD", 0x20}, {"ES_AUTOVSCROLL", 0x40}, {"ES_AUTOHSCROLL", 0x80},
      {"ES_NOHIDESEL", 0x100}, {"ES_READONLY", 0x800}, {"ES_WANTRETURN", 0x1000}, {"ES_NUMBER", 0x2000},
      {"SS_LEFT", 0}, {"SS_CENTER", 1}, {"SS_RIGHT", 2}, {"SS_ICON", 3}, {"SS_BLACKRECT", 4},
      {"SS_GRAYRECT", 5}, {"SS_WHITERECT", 6}, {"SS_BLACKFRAME", 7}, {"SS_GRAYFRAME", 8},
      {"SS_WHITEFRAME", 9}, {"SS_SIMPLE", 0xB}, {"SS_LEFTNOWORDWRAP", 0xC}, {"SS_OWNERDRAW", 0xD},
      {"SS_BITMAP", 0xE}, {"SS_ETCHEDHORZ", 0x10}, {"SS_ETCHEDVERT", 0x11}, {"SS_ETCHEDFRAME", 0x12},
      {"SS_NOPREFIX", 0x80}, {"SS_NOTIFY", 0x100}, {"SS_CENTERIMAGE", 0x200}, {"SS_SUNKEN", 0x1000},
      {"LBS_NOTIFY", 0x1}, {"LBS_SORT", 0x2}, {"LBS_NOREDRAW", 0x4}, {"LBS_MULTIPLESEL", 0x8},
      {"LBS_OWNERDRAWFIXED", 0x10}, {"LBS_OWNERDRAWVARIABLE", 0x20}, {"LBS_HASSTRINGS", 0x40},
      {"LBS_USETABSTOPS", 0x80}, {"LBS_NOINTEGRALHEIGHT", 0x100}, {"LBS_MULTICOLUMN", 0x200},
      {"LBS_WANTKEYBOARDINPUT", 0x400}, {"LBS_EXTENDEDSEL", 0x800}, {"LBS_DISABLENOSCROLL", 0x1000},
      {"LBS_NOSEL", 0x4000}, {"LBS_STANDARD", 0x00A00003},
      {"CBS_SIMPLE", 1}, {"CBS_DROPDOWN", 2}, {"CBS_DROPDOWNLIST", 3}, {"CBS_OWNERDRAWFIXED", 0x10},
      {"CBS_OWNERDRAWVARIABLE", 0x20}, {"CBS_AUTOHSCROLL", 0x40}, {"CBS_OEMCONVERT", 0x80},
      {"CBS_SORT", 0x100}, {"CBS_HASSTRINGS", 0x200}, {"CBS_NOINTEGRALHEIGHT", 0x400},
      {"CBS_DISABLENOSCROLL", 0x800}, {"SBS_HORZ", 0}, {"SBS_VERT", 1},
      {"IDOK", 1}, {"IDCANCEL", 2}, {"IDABORT", 3}, {"IDRETRY", 4}, {"IDIGNORE", 5}, {"IDYES", 6},
      {"IDNO", 7}, {"IDHELP", 9}, {"IDC_STATIC", -1},
      {"LANG_NEUTRAL", 0}, {"LANG_GERMAN", 0x07}, {"LANG_ENGLISH", 0x09}, {"LANG_SPANISH", 0x0A},
      {"LANG_FRENCH", 0x0C}, {"LANG_ITALIAN", 0x10}, {"LANG_JAPANESE", 0x11}, {"LANG_DUTCH", 0x13},
      {"SUBLANG_NEUTRAL", 0}, {"SUBLANG_DEFAULT", 1}, {"SUBLANG_SYS_DEFAULT", 2}, {"SUBLANG_ENGLISH_US", 1},
      {"SUBLANG_ENGLISH_UK", 2},
  };
  return names;
}

// Splits the script files into tokens, running the preprocessor lines as it goes.
class Lexer {
 public:
  Lexer(std::vector<fs::path> includeDirs) : includeDirs_(std::move(includeDirs)) {}

  std::map<std::string, std::vector<Token>> defines;
  std::set<fs::path> dependencies;

  std::vector<Token> run(const fs::path& script) {
    std::vector<Token> out;
    lex_file(script, "", 0, out);
    Token end;
    end.where = script.string() + ":" + std::to_string(lastLine_);
    out.push_back(end);
    return out;
  }

  fs::path find_file(const std::string& name, const fs::path& besides, const std::string& where) {
    fs::path p(name);
    std::error_code ec;
    if (p.is_absolute()) {
      if (fs::is_regular_file(p, ec)) return p;
    } else {
      if (fs::is_regular_file(besides / p, ec)) return besides / p;
      for (const auto& dir : includeDirs_) {
        if (fs::is_regular_file(dir / p, ec)) return dir / p;
      }
    }
    fail(where, "cannot find file \"" + name + "\"");
  }

 private:
  std::vector<fs::path> includeDirs_;
  int lastLine_ = 1;

  void lex_file(const fs::path& file, const std::string& from, int depth, std::vector<Token>& out) {
    if (depth > kMaxIncludeDepth) fail(from, "#include nested too deeply");
    std::ifstream in(file, std::ios::binary);
    if (!in) fail(from.empty() ? file.string() : from, "cannot open \"" + file.string() + "\"");
    dependencies.insert(fs::absolute(file));
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (text.compare(0, 2, "\xFF\xFE") == 0 || text.compare(0, 2, "\xFE\xFF") == 0) {
      fail(file.string() + ":1", "the script is UTF-16; w32rc reads UTF-8 scripts");
    }

    std::vector<bool> active{true};
    bool inComment = false;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t eol = text.find('\n', pos);
      if (eol == std::string::npos) eol = text.size();
      std::string line = text.substr(pos, eol - pos);
      pos = eol + 1;
      ++lineNo;
      const std::string where = file.string() + ":" + std::to_string(lineNo);
      lastLine_ = lineNo;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() > kMaxLine) fail(where, "line longer than " + std::to_string(kMaxLine) + " bytes");
      if (line.find('\0') != std::string::npos) fail(where, "NUL byte: not a text resource script");
      if (!win32::is_valid_utf8(line)) fail(where, "invalid UTF-8");

      const auto first = line.find_first_not_of(" \t");
      if (!inComment && first != std::string::npos && line[first] == '#') {
        directive(line.substr(first + 1), file, where, depth, active, out);
        continue;
      }
      if (!std::all_of(active.begin(), active.end(), [](bool b) { return b; })) continue;
      lex_line(line, where, inComment, out);
    }
    if (inComment) fail(file.string() + ":" + std::to_string(lineNo), "comment not closed at end of file");
    if (active.size() != 1) fail(file.string() + ":" + std::to_string(lineNo), "#if without #endif");
  }

  void directive(const std::string& body, const fs::path& file, const std::string& where, int depth,
                 std::vector<bool>& active, std::vector<Token>& out) {
    std::vector<Token> toks;
    bool comment = false;
    lex_line(body, where, comment, toks);
    if (toks.empty() || toks[0].kind != Kind::Word) fail(where, "bad preprocessor line");
    const std::string& name = toks[0].text;
    const bool on = std::all_of(active.begin(), active.end(), [](bool b) { return b; });
    auto word_arg = [&] {
      if (toks.size() < 2 || toks[1].kind != Kind::Word) fail(where, "#" + name + " needs a name");
      return toks[1].text;
    };
    if (name == "ifdef" || name == "ifndef") {
      const bool defined = defines.count(word_arg()) != 0;
      active.push_back(name == "ifdef" ? defined : !defined);
    } else if (name == "else") {
      if (active.size() < 2) fail(where, "#else without #if");
      active.back() = !active.back();
    } else if (name == "endif") {
      if (active.size() < 2) fail(where, "#endif without #if");
      active.pop_back();
    } else if (!on) {
      return;
    } else if (name == "define") {
      const std::string key = word_arg();
      defines[key] = std::vector<Token>(toks.begin() + 2, toks.end());
    } else if (name == "undef") {
      defines.erase(word_arg());
    } else if (name == "pragma") {
      return;
    } else if (name == "include") {
      std::string target;
      if (toks.size() >= 2 && toks[1].kind == Kind::String) {
        target = toks[1].text;
      } else {
        const auto lt = body.find('<'), gt = body.find('>');
        if (lt == std::string::npos || gt == std::string::npos || gt < lt) fail(where, "#include needs a file name");
        target = body.substr(lt + 1, gt - lt - 1);
      }
      lex_file(find_file(target, file.parent_path(), where), where, depth + 1, out);
    } else {
      fail(where, "unsupported preprocessor directive #" + name);
    }
  }

  static void lex_line(const std::string& line, const std::string& where, bool& inComment, std::vector<Token>& out) {
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n) {
      if (inComment) {
        const auto close = line.find("*/", i);
        if (close == std::string::npos) return;
        inComment = false;
        i = close + 2;
        continue;
      }
      const char c = line[i];
      if (c == ' ' || c == '\t' || c == '\f' || c == '\v') { ++i; continue; }
      if (c == '/' && i + 1 < n && line[i + 1] == '/') return;
      if (c == '/' && i + 1 < n && line[i + 1] == '*') { inComment = true; i += 2; continue; }
      Token t;
      t.where = where;
      if ((c == 'L' || c == 'l') && i + 1 < n && line[i + 1] == '"') {
        t.wideString = true;
        ++i;
      }
      if (line[i] == '"') {
        t.kind = Kind::String;
        i = lex_string(line, i + 1, where, t);
      } else if (std::isdigit(static_cast<unsigned char>(c))) {
        t.kind = Kind::Number;
        i = lex_number(line, i, where, t);
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        t.kind = Kind::Word;
        const std::size_t start = i;
        while (i < n && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_')) ++i;
        t.text = line.substr(start, i - start);
      } else if (std::strchr(",|{}()+-~&", c) != nullptr) {
        t.kind = Kind::Punct;
        t.text = std::string(1, c);
        ++i;
      } else {
        const unsigned char u = static_cast<unsigned char>(c);
        char msg[48];
        if (u < 0x20 || u >= 0x7F) std::snprintf(msg, sizeof msg, "unexpected byte 0x%02X", u);
        else std::snprintf(msg, sizeof msg, "unexpected character '%c'", c);
        fail(where, msg);
      }
      out.push_back(std::move(t));
    }
  }

  static std::size_t lex_number(const std::string& line, std::size_t i, const std::string& where, Token& t) {
    int base = 10;
    if (line[i] == '0' && i + 1 < line.size() && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
      base = 16;
      i += 2;
    }
    std::uint64_t v = 0;
    std::size_t digits = 0;
    for (; i < line.size(); ++i) {
      const char c = line[i];
      int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : (base == 16 && std::isxdigit(static_cast<unsigned char>(c))) ? (std::tolower(c) - 'a' + 10) : -1;
      if (d < 0) break;
      v = v * base + d;
      if (v > 0xFFFFFFFFull) fail(where, "number out of range");
      ++digits;
    }
    if (digits == 0) fail(where, "malformed number");
    while (i < line.size() && std::strchr("lLuU", line[i]) != nullptr) {
      if (line[i] == 'l' || line[i] == 'L') t.longNumber = true;
      ++i;
    }
    if (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_')) {
      fail(where, "malformed number");
    }
    t.number = static_cast<std::int64_t>(v);
    return i;
  }

  // Narrow strings keep their bytes in `text`; every string also gets its UTF-16 form.
  static std::size_t lex_string(const std::string& line, std::size_t i, const std::string& where, Token& t) {
    std::string bytes;
    std::u16string wide;
    auto flush_utf8 = [&](std::string& pending) {
      wide += win32::widen_utf8(pending);
      pending.clear();
    };
    std::string pending;
    for (;;) {
      if (i >= line.size()) fail(where, "string not closed on its line");
      const char c = line[i++];
      if (c == '"') {
        if (i < line.size() && line[i] == '"') {
          bytes += '"', pending += '"', ++i;
          continue;
        }
        break;
      }
      if (c != '\\') {
        bytes += c;
        pending += c;
        continue;
      }
      if (i >= line.size()) fail(where, "string not closed on its line");
      const char e = line[i++];
      unsigned value = 0;
      switch (e) {
        case 'n': value = '\n'; break;
        case 't': value = '\t'; break;
        case 'r': value = '\r'; break;
        case 'a': value = '\a'; break;
        case '0': value = 0; break;
        case '\\': value = '\\'; break;
        case '"': value = '"'; break;
        case 'x': case 'X': {
          int digits = 0;
          while (i < line.size() && digits < (t.wideString ? 4 : 2) && std::isxdigit(static_cast<unsigned char>(line[i]))) {
            const char h = line[i++];
            value = value * 16 + (std::isdigit(static_cast<unsigned char>(h)) ? h - '0' : std::tolower(h) - 'a' + 10);
            ++digits;
          }
          if (digits == 0) fail(where, "\\x needs hexadecimal digits");
          break;
        }
        default: fail(where, std::string("unknown escape \\") + e);
      }
      flush_utf8(pending);
      bytes += static_cast<char>(value & 0xFF);
      wide += static_cast<char16_t>(value);
    }
    flush_utf8(pending);
    t.text = bytes;
    t.wide = wide;
    return i;
  }
};

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); }
void put32(Bytes& b, std::uint32_t v) { put16(b, v & 0xFFFF); put16(b, v >> 16); }

std::string upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Reads the token stream into resources.
class Parser {
 public:
  Parser(std::vector<Token> tokens, Lexer& lexer, fs::path scriptDir)
      : t_(std::move(tokens)), lexer_(lexer), dir_(std::move(scriptDir)) {}

  std::vector<win32::ResourceItem> run() {
    std::map<std::uint16_t, std::vector<std::pair<std::uint16_t, std::u16string>>> tables;  // by language
    std::map<std::pair<std::uint16_t, std::uint16_t>, std::string> stringSeen;
    while (peek().kind != Kind::End) {
      if (is_word("LANGUAGE")) {
        next();
        language_ = parse_language();
      } else if (is_word("STRINGTABLE")) {
        next();
        std::uint16_t lang = language_;
        skip_memory_options();
        if (is_word("LANGUAGE")) next(), lang = parse_language();
        skip_memory_options();
        expect_begin("STRINGTABLE");
        while (!is_end()) {
          const Token& idTok = peek();
          const std::int64_t id = expression();
          if (id < 0 || id > 0xFFFF) fail(idTok.where, "string id out of range 0..65535");
          if (is_punct(",")) next();
          const Token s = next();
          if (s.kind != Kind::String) fail(s.where, "expected a quoted string");
          const auto key = std::pair{lang, static_cast<std::uint16_t>(id)};
          if (stringSeen.count(key)) fail(idTok.where, "string " + std::to_string(id) + " defined twice (first at " + stringSeen[key] + ")");
          stringSeen[key] = idTok.where;
          tables[lang].emplace_back(static_cast<std::uint16_t>(id), s.wide);
        }
        next();
      } else {
        parse_resource();
      }
    }
    for (const auto& [lang, list] : tables) {
      for (auto& [block, bytes] : win32::encode_string_blocks(list)) {
        items_.push_back({std::uint16_t{6}, block, lang, std::move(bytes)});
      }
    }
    return std::move(items_);
  }

 private:
  std::vector<Token> t_;
  std::size_t at_ = 0;
  Lexer& lexer_;
  fs::path dir_;
  std::uint16_t language_ = 0;
  std::vector<win32::ResourceItem> items_;
  std::set<std::string> seen_;

  const Token& peek(std::size_t ahead = 0) const { return t_[std::min(at_ + ahead, t_.size() - 1)]; }
  const Token& next() {
    const Token& t = peek();
    if (at_ < t_.size() - 1) ++at_;
    return t;
  }
  bool is_word(const char* w, std::size_t ahead = 0) const {
    return peek(ahead).kind == Kind::Word && upper(peek(ahead).text) == w;
  }
  bool is_punct(const char* p) const { return peek().kind == Kind::Punct && peek().text == p; }
  bool is_end() const {
    if (peek().kind == Kind::End) fail(peek().where, "unexpected end of script (missing END)");
    return is_word("END") || is_punct("}");
  }
  void expect_begin(const std::string& what) {
    if (is_word("BEGIN") || is_punct("{")) { next(); return; }
    fail(peek().where, "expected BEGIN after " + what);
  }
  void expect_comma() {
    if (!is_punct(",")) fail(peek().where, "expected ','");
    next();
  }
  void skip_memory_options() {
    static const std::set<std::string> options = {"PRELOAD", "LOADONCALL", "FIXED", "MOVEABLE", "DISCARDABLE", "PURE", "IMPURE", "SHARED", "NONSHARED"};
    while (peek().kind == Kind::Word && options.count(upper(peek().text))) next();
  }

  std::uint16_t parse_language() {
    const std::int64_t p = expression();
    expect_comma();
    const std::int64_t s = expression();
    if (p < 0 || p > 0x3FF || s < 0 || s > 0x3F) fail(peek().where, "language out of range");
    return MAKELANGID(static_cast<WORD>(p), static_cast<WORD>(s));
  }

  // Expressions. `notMask` collects NOT operands (style expressions only).
  std::int64_t expression(std::int64_t* notMask = nullptr, int depth = 0) {
    if (depth > 64) fail(peek().where, "expression nested too deeply");
    std::int64_t v = primary(notMask, depth);
    while (is_punct("|") || is_punct("+") || is_punct("-") || is_punct("&")) {
      const std::string op = next().text;
      const std::int64_t r = primary(notMask, depth);
      v = op == "|" ? (v | r) : op == "+" ? v + r : op == "-" ? v - r : (v & r);
      v &= 0xFFFFFFFFll;
      if (v & 0x80000000ll) v -= 0x100000000ll;
    }
    return v;
  }

  std::int64_t primary(std::int64_t* notMask, int depth) {
    const Token& t = next();
    if (t.kind == Kind::Number) return t.number;
    if (t.kind == Kind::Punct && t.text == "(") {
      const std::int64_t v = expression(notMask, depth + 1);
      if (!is_punct(")")) fail(peek().where, "expected ')'");
      next();
      return v;
    }
    if (t.kind == Kind::Punct && t.text == "-") return -primary(notMask, depth + 1);
    if (t.kind == Kind::Punct && t.text == "~") return ~primary(notMask, depth + 1) & 0xFFFFFFFFll;
    if (t.kind == Kind::Word && upper(t.text) == "NOT") {
      const std::int64_t v = primary(notMask, depth + 1);
      if (notMask == nullptr) fail(t.where, "NOT is only allowed in a style");
      *notMask |= v;
      return 0;
    }
    if (t.kind == Kind::Word) {
      if (auto it = lexer_.defines.find(t.text); it != lexer_.defines.end()) return define_value(t, it->second, depth);
      if (auto it = known_names().find(t.text); it != known_names().end()) return it->second;
      fail(t.where, "unknown name '" + t.text + "'");
    }
    if (t.kind == Kind::End) fail(t.where, "unexpected end of script (expected a number)");
    fail(t.where, "expected a number, found '" + (t.kind == Kind::String ? "\"" + t.text + "\"" : t.text) + "'");
  }

  std::int64_t define_value(const Token& use, const std::vector<Token>& body, int depth) {
    if (body.empty()) fail(use.where, "'" + use.text + "' is defined without a value");
    if (depth > 32) fail(use.where, "'" + use.text + "' is defined in terms of itself");
    Token end;
    end.where = use.where;
    std::vector<Token> saved = std::move(t_);
    const std::size_t savedAt = at_;
    t_ = body;
    t_.push_back(end);
    at_ = 0;
    std::int64_t v = 0;
    try {
      v = expression(nullptr, depth + 1);
      if (peek().kind != Kind::End) fail(use.where, "'" + use.text + "' is not a plain value");
    } catch (...) {
      t_ = std::move(saved);
      at_ = savedAt;
      throw;
    }
    t_ = std::move(saved);
    at_ = savedAt;
    return v;
  }

  // A resource name or type: number, #define'd word, other word (string name), quoted text.
  win32::ResourceId name_or_id(const char* what) {
    const Token& t = peek();
    if (t.kind == Kind::String) {
      next();
      if (t.wide.empty()) fail(t.where, std::string("empty ") + what + " name");
      return t.wide;
    }
    if (t.kind == Kind::Word && !lexer_.defines.count(t.text) && !known_names().count(t.text)) {
      next();
      return win32::widen_utf8(upper(t.text));
    }
    const std::int64_t v = expression();
    if (v < 1 || v > 0xFFFF) fail(t.where, std::string(what) + " number out of range 1..65535");
    return static_cast<std::uint16_t>(v);
  }

  std::string id_text(const win32::ResourceId& id) {
    if (const auto* n = std::get_if<std::uint16_t>(&id)) return std::to_string(*n);
    return win32::narrow_utf8(std::get<std::u16string>(id));
  }

  void parse_resource() {
    const Token start = peek();
    if (start.kind == Kind::Punct) fail(start.where, "expected a resource name, found '" + start.text + "'");
    const win32::ResourceId name = name_or_id("resource");
    if (peek().kind == Kind::End) fail(peek().where, "unexpected end of script after the resource name");
    const Token typeTok = peek();
    win32::ResourceItem item;
    item.name = name;
    item.language = language_;
    if (is_word("BITMAP")) {
      next();
      item.type = std::uint16_t{2};
      options(item);
      item.data = bitmap(file_bytes());
    } else if (is_word("DIALOG") || is_word("DIALOGEX")) {
      const bool ex = upper(next().text) == "DIALOGEX";
      item.type = std::uint16_t{5};
      item.data = dialog(ex, item);
    } else if (is_word("RCDATA")) {
      next();
      item.type = std::uint16_t{10};
      options(item);
      item.data = data_block();
    } else {
      static const std::set<std::string> unsupported = {"ICON", "CURSOR", "MENU", "MENUEX", "ACCELERATORS", "VERSIONINFO", "FONT", "MESSAGETABLE", "TEXTINCLUDE", "HTML"};
      if (typeTok.kind == Kind::Word && unsupported.count(upper(typeTok.text))) {
        fail(typeTok.where, "resource type " + upper(typeTok.text) + " is not supported");
      }
      if (typeTok.kind == Kind::String || typeTok.kind == Kind::Punct) fail(typeTok.where, "expected a resource type after the name");
      item.type = name_or_id("type");
      options(item);
      item.data = data_block();
    }
    const std::string key = id_text(item.type) + "/" + id_text(item.name) + "/" + std::to_string(item.language);
    if (!seen_.insert(key).second) fail(start.where, "resource " + id_text(item.name) + " of type " + id_text(item.type) + " defined twice");
    items_.push_back(std::move(item));
  }

  void options(win32::ResourceItem& item) {
    skip_memory_options();
    if (is_word("LANGUAGE")) next(), item.language = parse_language();
    skip_memory_options();
  }

  Bytes file_bytes() {
    const Token& t = next();
    if (t.kind != Kind::String) fail(t.where, "expected a file name in quotes");
    const fs::path file = lexer_.find_file(t.text, dir_, t.where);
    std::ifstream in(file, std::ios::binary);
    if (!in) fail(t.where, "cannot read \"" + file.string() + "\"");
    lexer_.dependencies.insert(fs::absolute(file));
    Bytes data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() > 0x7FFFFFFF) fail(t.where, "file too large");
    lastWhere_ = t.where;
    return data;
  }
  std::string lastWhere_;

  // "file" or BEGIN items END.
  Bytes data_block() {
    if (peek().kind == Kind::String) return file_bytes();
    expect_begin("the resource type");
    Bytes out;
    while (!is_end()) {
      const Token& t = peek();
      if (t.kind == Kind::String) {
        next();
        if (t.wideString) {
          for (char16_t c : t.wide) put16(out, c);
        } else {
          out.insert(out.end(), t.text.begin(), t.text.end());
        }
      } else {
        const bool isLong = t.kind == Kind::Number && t.longNumber;
        const std::int64_t v = expression();
        if (isLong) put32(out, static_cast<std::uint32_t>(v));
        else put16(out, static_cast<std::uint32_t>(v));
      }
      if (is_punct(",")) next();
    }
    next();
    return out;
  }

  Bytes bitmap(const Bytes& file) {
    // BITMAPFILEHEADER: "BM", u32 file size, 2 x u16 reserved, u32 offset of the pixels.
    if (file.size() < 14 + 12 || file[0] != 'B' || file[1] != 'M') fail(lastWhere_, "not a .bmp file");
    const std::uint32_t infoSize = file[14] | (file[15] << 8) | (file[16] << 16) | (static_cast<std::uint32_t>(file[17]) << 24);
    if (infoSize < 12 || infoSize > file.size() - 14) fail(lastWhere_, "corrupt .bmp file (bad info header)");
    return Bytes(file.begin() + 14, file.end());
  }

  std::int16_t coord() {
    const Token& t = peek();
    const std::int64_t v = expression();
    if (v < -32768 || v > 32767) fail(t.where, "coordinate out of range");
    return static_cast<std::int16_t>(v);
  }

  std::uint32_t style(std::uint32_t defaults) {
    std::int64_t notMask = 0;
    const std::int64_t v = expression(&notMask);
    return static_cast<std::uint32_t>((defaults | static_cast<std::uint32_t>(v)) & ~static_cast<std::uint32_t>(notMask));
  }

  Bytes dialog(bool ex, win32::ResourceItem& item) {
    win32::DialogTemplate d;
    options(item);
    d.header.flags = ex ? win32::kDialogEx : 0;
    d.header.x = coord(); expect_comma();
    d.header.y = coord(); expect_comma();
    d.header.cx = coord(); expect_comma();
    d.header.cy = coord();
    if (ex && is_punct(",")) next(), d.header.helpId = static_cast<std::uint32_t>(expression());
    std::uint32_t dlgStyle = 0x80000000u | 0x00800000u | 0x00080000u;  // WS_POPUP | WS_BORDER | WS_SYSMENU
    bool styled = false, captioned = false;
    for (;;) {
      if (is_word("STYLE")) {
        next();
        dlgStyle = style(0);
        styled = true;
      } else if (is_word("EXSTYLE")) {
        next();
        d.header.exStyle = static_cast<std::uint32_t>(expression());
      } else if (is_word("CAPTION")) {
        next();
        const Token& s = next();
        if (s.kind != Kind::String) fail(s.where, "CAPTION needs a quoted text");
        d.caption = s.wide;
        captioned = true;
      } else if (is_word("FONT")) {
        next();
        d.header.pointSize = static_cast<std::uint16_t>(expression());
        expect_comma();
        const Token& s = next();
        if (s.kind != Kind::String) fail(s.where, "FONT needs a quoted face name");
        d.fontFace = s.wide;
        if (is_punct(",")) next(), d.header.weight = static_cast<std::uint16_t>(expression());
        if (is_punct(",")) next(), d.header.italic = static_cast<std::uint8_t>(expression());
        if (is_punct(",")) next(), d.header.charset = static_cast<std::uint8_t>(expression());
      } else if (is_word("MENU")) {
        next();
        d.menu = name_or_id("menu");
      } else if (is_word("CLASS")) {
        next();
        d.windowClass = name_or_id("class");
      } else if (is_word("LANGUAGE")) {
        next();
        item.language = parse_language();
      } else if (is_word("CHARACTERISTICS") || is_word("VERSION")) {
        next();
        expression();
      } else {
        break;
      }
    }
    if (captioned && !styled) dlgStyle |= 0x00C00000u;  // WS_CAPTION
    if (d.header.pointSize != 0) dlgStyle |= 0x40;         // DS_SETFONT
    d.header.style = dlgStyle;
    expect_begin("the dialog header");
    while (!is_end()) d.items.push_back(control(ex));
    next();
    if (d.items.size() > 0xFFFF) fail(peek().where, "too many controls");
    return win32::encode_dialog_template(d);
  }

  struct ControlKind {
    std::uint16_t cls;
    std::uint32_t style;
    bool hasText;
  };

  win32::DialogItem control(bool ex) {
    static const std::map<std::string, ControlKind> kinds = {
        {"LTEXT", {0x82, 0x00000 | 0x20000, true}}, {"RTEXT", {0x82, 0x2 | 0x20000, true}},
        {"CTEXT", {0x82, 0x1 | 0x20000, true}}, {"PUSHBUTTON", {0x80, 0x0 | 0x10000, true}},
        {"DEFPUSHBUTTON", {0x80, 0x1 | 0x10000, true}}, {"CHECKBOX", {0x80, 0x2 | 0x10000, true}},
        {"AUTOCHECKBOX", {0x80, 0x3 | 0x10000, true}}, {"STATE3", {0x80, 0x5 | 0x10000, true}},
        {"AUTO3STATE", {0x80, 0x6 | 0x10000, true}}, {"RADIOBUTTON", {0x80, 0x4, true}},
        {"AUTORADIOBUTTON", {0x80, 0x9, true}}, {"GROUPBOX", {0x80, 0x7, true}},
        {"EDITTEXT", {0x81, 0x00800000 | 0x10000, false}}, {"COMBOBOX", {0x85, 0x1 | 0x10000, false}},
        {"LISTBOX", {0x83, 0x1 | 0x00800000, false}}, {"SCROLLBAR", {0x84, 0x0, false}},
    };
    static const std::map<std::string, std::uint16_t> classes = {
        {"BUTTON", 0x80}, {"EDIT", 0x81}, {"STATIC", 0x82}, {"LISTBOX", 0x83}, {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85}};
    constexpr std::uint32_t kChildVisible = 0x40000000u | 0x10000000u;
    const Token& kw = next();
    if (kw.kind != Kind::Word) fail(kw.where, "expected a control statement");
    const std::string k = upper(kw.text);
    win32::DialogItem item;
    auto text = [&]() -> win32::ResourceId {
      if (peek().kind == Kind::String) return next().wide;
      return name_or_id("text");
    };
    auto id = [&] {
      const Token& t = peek();
      const std::int64_t v = expression();
      if (v < -1 || v > 0xFFFF) fail(t.where, "control id out of range");
      return static_cast<std::uint32_t>(v);
    };
    auto rect = [&] {
      item.header.x = coord(); expect_comma();
      item.header.y = coord(); expect_comma();
      item.header.cx = coord(); expect_comma();
      item.header.cy = coord();
    };
    auto tail = [&](std::uint32_t defaults, bool styleAllowed) {
      item.header.style = defaults;
      if (styleAllowed && is_punct(",")) next(), item.header.style = style(defaults);
      if (is_punct(",")) next(), item.header.exStyle = static_cast<std::uint32_t>(expression());
      if (ex && is_punct(",")) next(), item.header.helpId = static_cast<std::uint32_t>(expression());
    };
    if (auto it = kinds.find(k); it != kinds.end()) {
      item.windowClass = it->second.cls;
      item.text = std::u16string();
      if (it->second.hasText) {
        item.text = text();
        expect_comma();
      }
      item.header.id = id();
      expect_comma();
      rect();
      tail(kChildVisible | it->second.style, true);
    } else if (k == "ICON") {
      item.windowClass = std::uint16_t{0x82};
      item.text = text();
      expect_comma();
      item.header.id = id();
      expect_comma();
      item.header.x = coord(); expect_comma();
      item.header.y = coord();
      if (is_punct(",")) {
        next(); item.header.cx = coord(); expect_comma(); item.header.cy = coord();
      }
      tail(kChildVisible | 0x3, true);
    } else if (k == "CONTROL") {
      item.text = text();
      expect_comma();
      item.header.id = id();
      expect_comma();
      const Token& c = peek();
      if (c.kind == Kind::String) {
        next();
        const std::string cls = upper(c.text);
        if (auto it = classes.find(cls); it != classes.end()) item.windowClass = it->second;
        else item.windowClass = c.wide;
      } else if (c.kind == Kind::Word && classes.count(upper(c.text))) {
        next();
        item.windowClass = classes.at(upper(c.text));
      } else {
        fail(c.where, "CONTROL needs a window class");
      }
      expect_comma();
      item.header.style = style(kChildVisible);
      expect_comma();
      rect();
      if (is_punct(",")) next(), item.header.exStyle = static_cast<std::uint32_t>(expression());
      if (ex && is_punct(",")) next(), item.header.helpId = static_cast<std::uint32_t>(expression());
    } else {
      fail(kw.where, "unknown control statement '" + kw.text + "'");
    }
    if (is_word("BEGIN") || is_punct("{")) fail(peek().where, "control creation data is not supported");
    return item;
  }
};

std::string escape_depfile(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == ' ' || c == '#' || c == '\\') out += '\\';
    if (c == '$') out += '$';
    out += c;
  }
  return out;
}

// The directory as a C++ array initialised by a string literal (fast to compile even for
// large font tables). The literal's terminating NUL is one byte past the directory.
std::string cpp_source(const Bytes& directory, const fs::path& script) {
  std::ostringstream s;
  s << "// Generated by w32rc from " << script.filename().string() << "; do not edit.\n"
    << "extern \"C\" __attribute__((visibility(\"default\"), used, aligned(16)))\n"
    << "const unsigned char " << win32::kResourceDirectorySymbol << "[" << directory.size() + 1 << "] =\n";
  static const char* kOct = "01234567";
  for (std::size_t i = 0; i < directory.size(); i += 64) {
    s << '"';
    for (std::size_t k = i; k < std::min(directory.size(), i + 64); ++k) {
      const unsigned v = directory[k];
      s << '\\' << kOct[(v >> 6) & 7] << kOct[(v >> 3) & 7] << kOct[v & 7];
    }
    s << "\"\n";
  }
  if (directory.empty()) s << "\"\"\n";
  s << ";\n";
  return s.str();
}

int usage() {
  std::cerr << "usage: w32rc [-I dir]... [--depfile file] -o out.cpp script.rc\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<fs::path> includeDirs;
  fs::path output, depfile, script;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "-o" || a == "-I" || a == "--depfile") && i + 1 < argc) {
      const fs::path v = argv[++i];
      (a == "-o" ? output : a == "-I" ? includeDirs.emplace_back() : depfile) = v;
    } else if (!a.empty() && a[0] == '-') {
      return usage();
    } else if (script.empty()) {
      script = a;
    } else {
      return usage();
    }
  }
  if (script.empty() || output.empty()) return usage();
  try {
    Lexer lexer(includeDirs);
    std::vector<Token> tokens = lexer.run(script);
    Parser parser(std::move(tokens), lexer, script.parent_path());
    std::vector<win32::ResourceItem> items = parser.run();
    if (items.empty()) fail(script.string() + ":1", "no resources in script");
    const Bytes directory = win32::encode_resource_directory(items);
    const fs::path tmp = output.string() + ".tmp";
    {
      std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
      out << cpp_source(directory, script);
      if (!out) fail(output.string(), "cannot write the output file");
    }
    fs::rename(tmp, output);
    if (!depfile.empty()) {
      std::ofstream dep(depfile, std::ios::trunc);
      dep << escape_depfile(output.string()) << ":";
      for (const auto& d : lexer.dependencies) dep << " " << escape_depfile(d.string());
      dep << "\n";
    }
  } catch (const Error& e) {
    std::cerr << e.where << ": error: " << e.message << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << script.string() << ": error: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
