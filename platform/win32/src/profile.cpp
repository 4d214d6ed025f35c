// Profile files.
//
// The printer data layer reads its model files and "KELD.INI" through these calls, about a
// hundred keys per model and thousands per start-up, and writes rarely (whole sections at a
// time). So each file is parsed once into a ProfileFile and kept in a cache keyed by its
// path; every call checks the file's identity (inode, size, modification and change times)
// with one stat and parses again only when the file changed. File times on Linux move in
// coarse ticks, so a file modified less than two seconds before it was read is not trusted
// from the cache: its bytes are read again on each call (and parsed again only when they
// differ) until it has been quiet for that long. Files this process wrote itself are
// trusted, since their content is known.
//
// A write reads the newest file, changes the lines it must, and replaces the file through a
// temporary file and a rename, so a reader never sees half a file. Writers are not locked
// against each other: two processes writing the same file at once keep the later whole file.
#include "win32/profile.h"

#include "win32/error.h"
#include "win32/root.h"
#include "win32/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>

namespace fs = std::filesystem;

namespace win32 {
namespace {

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view trim(std::u16string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string strip_quotes(std::u16string_view v) {
  if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
    return std::u16string(v.substr(1, v.size() - 2));
  return std::u16string(v);
}

std::u16string decode_utf16(std::string_view bytes, bool big_endian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto const a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
    out += static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a));
  }
  return out;
}

std::string encode_utf16(std::u16string_view text, bool big_endian) {
  std::string out;
  out.reserve(text.size() * 2);
  for (char16_t c : text) {
    char const lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
    out += big_endian ? hi : lo;
    out += big_endian ? lo : hi;
  }
  return out;
}

}  // namespace

// ---- ProfileFile ----

ProfileFile ProfileFile::empty() { return ProfileFile{}; }

namespace {

ProfileEncoding detect(std::string_view bytes) {
  auto starts = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
  if (starts("\xFF\xFE")) return ProfileEncoding::Utf16Le;
  if (starts("\xFE\xFF")) return ProfileEncoding::Utf16Be;
  if (starts("\xEF\xBB\xBF")) return ProfileEncoding::Utf8Bom;
  if (bytes.size() >= 2 && bytes[0] != 0 && bytes[1] == 0) return ProfileEncoding::Utf16LeNoBom;
  return is_valid_utf8(bytes) ? ProfileEncoding::Utf8 : ProfileEncoding::Ansi;
}

}  // namespace

ProfileFile ProfileFile::parse(std::string_view bytes) {
  ProfileFile f;
  f.encoding_ = detect(bytes);
  std::u16string text;
  switch (f.encoding_) {
    case ProfileEncoding::Utf16Le: text = decode_utf16(bytes.substr(2), false); break;
    case ProfileEncoding::Utf16Be: text = decode_utf16(bytes.substr(2), true); break;
    case ProfileEncoding::Utf8Bom: text = to_utf16(bytes.substr(3)); break;
    case ProfileEncoding::Utf16LeNoBom: text = decode_utf16(bytes, false); break;
    case ProfileEncoding::Utf8: text = to_utf16(bytes); break;
    case ProfileEncoding::Ansi: text = from_cp1252(bytes); break;
  }
  std::erase(text, u'\0');

  bool eol_seen = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find_first_of(u"\r\n", pos);
    if (end == std::u16string::npos) end = text.size();
    std::size_t next = end;
    if (end < text.size()) {
      next = (text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? end + 2 : end + 1;
      if (!eol_seen) f.eol_ = text.substr(end, next - end), eol_seen = true;
    }
    f.lines_.push_back(classify(text.substr(pos, end - pos)));
    pos = next;
  }
  f.reindex();
  return f;
}

ProfileFile::Line ProfileFile::classify(std::u16string text) {
  Line line;
  std::u16string_view const t = trim(text);
  if (t.empty() || t.front() == u';') {
    // blank or comment
  } else if (t.front() == u'[') {
    if (std::size_t const close = t.rfind(u']'); close != std::u16string_view::npos) {
      line.kind = Kind::Section;
      line.name = trim(t.substr(1, close - 1));
    }
  } else {
    std::size_t const eq = t.find(u'=');
    line.name = trim(t.substr(0, eq));
    if (eq != std::u16string_view::npos) line.value = trim(t.substr(eq + 1));
    if (!line.name.empty()) line.kind = Kind::Entry;
  }
  line.text = std::move(text);
  return line;
}

void ProfileFile::reindex() {
  index_.clear();
  for (std::size_t i = 0; i < lines_.size(); ++i)
    if (lines_[i].kind == Kind::Section) index_[lower_ascii(lines_[i].name)].push_back(i);
}

std::vector<std::size_t> const* ProfileFile::headers(std::u16string_view section) const {
  auto it = index_.find(lower_ascii(section));
  return it == index_.end() ? nullptr : &it->second;
}

std::size_t ProfileFile::block_end(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
  return i;
}

ProfileFile::Line const* ProfileFile::find_entry(std::u16string_view section, std::u16string_view key) const {
  auto const* hs = headers(section);
  if (!hs) return nullptr;
  for (std::size_t h : *hs)
    for (std::size_t i = h + 1, end = block_end(h); i < end; ++i)
      if (lines_[i].kind == Kind::Entry && equal_nocase(lines_[i].name, key)) return &lines_[i];
  return nullptr;
}

std::vector<std::u16string> ProfileFile::section_names() const {
  std::vector<std::u16string> names;
  for (auto const& line : lines_)
    if (line.kind == Kind::Section && headers(line.name)->front() == static_cast<std::size_t>(&line - lines_.data()))
      names.push_back(line.name);
  return names;
}

std::optional<std::vector<std::u16string>> ProfileFile::key_names(std::u16string_view section) const {
  auto const* hs = headers(section);
  if (!hs) return std::nullopt;
  std::vector<std::u16string> keys;
  for (std::size_t h : *hs)
    for (std::size_t i = h + 1, end = block_end(h); i < end; ++i) {
      Line const& l = lines_[i];
      if (l.kind == Kind::Entry &&
          std::none_of(keys.begin(), keys.end(), [&](auto const& k) { return equal_nocase(k, l.name); }))
        keys.push_back(l.name);
    }
  return keys;
}

std::optional<std::u16string> ProfileFile::value(std::u16string_view section, std::u16string_view key) const {
  Line const* l = find_entry(section, key);
  if (!l) return std::nullopt;
  return strip_quotes(l->value);
}

std::optional<std::vector<std::u16string>> ProfileFile::section_lines(std::u16string_view section) const {
  auto const* hs = headers(section);
  if (!hs) return std::nullopt;
  std::vector<std::u16string> out;
  for (std::size_t h : *hs)
    for (std::size_t i = h + 1, end = block_end(h); i < end; ++i)
      if (lines_[i].kind == Kind::Entry) out.push_back(lines_[i].name + u"=" + lines_[i].value);
  return out;
}

void ProfileFile::set(std::u16string_view section, std::u16string_view key, std::u16string_view value) {
  std::u16string const text = std::u16string(key) + u"=" + std::u16string(value);
  if (Line const* found = find_entry(section, key)) {
    Line& l = lines_[static_cast<std::size_t>(found - lines_.data())];
    l = classify(l.name + u"=" + std::u16string(value));
    return;
  }
  if (auto const* hs = headers(section)) {
    std::size_t const h = hs->front();
    std::size_t at = block_end(h);
    while (at > h + 1 && trim(lines_[at - 1].text).empty()) --at;  // before trailing blank lines
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), classify(text));
  } else {
    if (!lines_.empty() && !trim(lines_.back().text).empty()) lines_.push_back(classify(u""));
    lines_.push_back(classify(u"[" + std::u16string(section) + u"]"));
    lines_.push_back(classify(text));
  }
  reindex();
}

void ProfileFile::erase_key(std::u16string_view section, std::u16string_view key) {
  auto const* hs = headers(section);
  if (!hs) return;
  std::vector<bool> drop(lines_.size());
  for (std::size_t h : *hs)
    for (std::size_t i = h + 1, end = block_end(h); i < end; ++i)
      drop[i] = lines_[i].kind == Kind::Entry && equal_nocase(lines_[i].name, key);
  std::size_t n = 0;
  std::erase_if(lines_, [&](Line const&) { return drop[n++]; });
  reindex();
}

void ProfileFile::erase_section(std::u16string_view section) {
  auto const* hs = headers(section);
  if (!hs) return;
  std::vector<bool> drop(lines_.size());
  for (std::size_t h : *hs)
    for (std::size_t i = h, end = block_end(h); i < end; ++i) drop[i] = true;
  std::size_t n = 0;
  std::erase_if(lines_, [&](Line const&) { return drop[n++]; });
  reindex();
}

void ProfileFile::replace_section(std::u16string_view section, std::vector<std::u16string> const& lines) {
  std::vector<Line> fresh;
  for (auto const& l : lines) fresh.push_back(classify(l));
  auto const* hs = headers(section);
  if (!hs) {
    if (!lines_.empty() && !trim(lines_.back().text).empty()) lines_.push_back(classify(u""));
    lines_.push_back(classify(u"[" + std::u16string(section) + u"]"));
    lines_.insert(lines_.end(), fresh.begin(), fresh.end());
    reindex();
    return;
  }
  // Keep the first header, drop every line of every block of the section, then put the new
  // lines after that header.
  std::size_t const first = hs->front();
  std::vector<bool> drop(lines_.size());
  for (std::size_t h : *hs)
    for (std::size_t i = h, end = block_end(h); i < end; ++i) drop[i] = i != first;
  std::vector<Line> kept;
  std::size_t insert_at = 0;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (drop[i]) continue;
    kept.push_back(std::move(lines_[i]));
    if (i == first) insert_at = kept.size();
  }
  kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(insert_at), fresh.begin(), fresh.end());
  lines_ = std::move(kept);
  reindex();
}

std::string ProfileFile::serialize() {
  std::u16string text;
  for (auto const& l : lines_) text += l.text + eol_;
  std::string bytes;
  bool lossless = true;
  switch (encoding_) {
    case ProfileEncoding::Utf16Le: return "\xFF\xFE" + encode_utf16(text, false);
    case ProfileEncoding::Utf16Be: return "\xFE\xFF" + encode_utf16(text, true);
    case ProfileEncoding::Utf8Bom: return "\xEF\xBB\xBF" + to_utf8(text);
    case ProfileEncoding::Utf16LeNoBom: bytes = encode_utf16(text, false); break;
    case ProfileEncoding::Utf8: bytes = to_utf8(text); break;
    case ProfileEncoding::Ansi: bytes = to_cp1252(text, &lossless); break;
  }
  // Without a BOM the bytes must read back as the same text: a Windows-1252 text that is
  // also valid UTF-8 (and not plain ASCII) or any text that starts like a BOM would not.
  // Then, and when a character has no byte in the code page, the file becomes UTF-16LE.
  ProfileEncoding const seen = detect(bytes);
  bool const ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
  if (lossless && (seen == encoding_ || (encoding_ == ProfileEncoding::Ansi && seen == ProfileEncoding::Utf8 && ascii)))
    return bytes;
  encoding_ = ProfileEncoding::Utf16Le;
  return "\xFF\xFE" + encode_utf16(text, false);
}

// ---- the cache and the files ----

namespace {

struct FileId {
  ino_t ino = 0;
  off_t size = 0;
  long long mtime_ns = 0, ctime_ns = 0;
  bool operator==(FileId const&) const = default;
};

struct Cached {
  FileId id;
  bool trusted = false;  // quiet long enough, or written by this process
  std::shared_ptr<ProfileFile const> file;
  std::string bytes;     // the content parsed, to check an untrusted file cheaply
};

std::mutex cache_mutex;
std::map<fs::path, Cached>& cache() {
  static std::map<fs::path, Cached> c;
  return c;
}

long long ns(timespec const& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

fs::path profile_path(LPCWSTR file) {
  std::u16string_view const name = file ? std::u16string_view(file) : u"win.ini";
  if (is_bare_name(name)) {
    ensure_machine_root();
    return native_path(to_utf16(windows_dir().string()) + u"/" + std::u16string(name));
  }
  return native_path(name);
}

bool read_all(fs::path const& p, std::string& out) {
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  char buf[65536];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  return n == 0;
}

// The parsed file, or null when it does not exist or cannot be read (last error set).
// Call with cache_mutex held.
std::shared_ptr<ProfileFile const> load(fs::path const& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    cache().erase(p);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return nullptr;
  }
  FileId const id{st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)};
  auto it = cache().find(p);
  if (it != cache().end() && it->second.trusted && it->second.id == id) return it->second.file;
  std::string bytes;
  if (!read_all(p, bytes)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  auto const age = std::chrono::system_clock::now().time_since_epoch() - std::chrono::nanoseconds(id.mtime_ns);
  bool const quiet = age > std::chrono::seconds(2);
  // A file still inside its modification tick: reading it is cheap, parsing it is not.
  if (it != cache().end() && it->second.id == id && it->second.bytes == bytes) {
    it->second.trusted = quiet;
    return it->second.file;
  }
  auto file = std::make_shared<ProfileFile const>(ProfileFile::parse(bytes));
  cache()[p] = Cached{id, quiet, file, std::move(bytes)};
  return file;
}

// Writes the file through a temporary file and a rename; keeps the old file's mode. A new
// file gets 0666 less the process's umask, like any other file the process creates.
bool store(fs::path const& p, ProfileFile file) {
  static std::atomic<unsigned> counter{0};
  std::string const bytes = file.serialize();
  fs::path tmp = p;
  tmp += ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
  struct stat old {};
  bool const existed = ::stat(p.c_str(), &old) == 0;
  mode_t const mode = existed ? (old.st_mode & 07777) : 0666;
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) {
    SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return false;
  }
  if (existed) ::fchmod(fd, mode);  // open applied the umask; the old mode is kept exactly
  std::string_view rest = bytes;
  bool ok = true;
  while (ok && !rest.empty()) {
    ssize_t const n = ::write(fd, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) rest.remove_prefix(static_cast<std::size_t>(n));
  }
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(tmp.c_str(), p.c_str()) == 0;
  if (!ok) {
    ::unlink(tmp.c_str());
    cache().erase(p);
    SetLastError(ERROR_WRITE_FAULT);
    return false;
  }
  struct stat st {};
  if (::stat(p.c_str(), &st) == 0)
    cache()[p] = Cached{FileId{st.st_ino, st.st_size, ns(st.st_mtim), ns(st.st_ctim)}, true,
                        std::make_shared<ProfileFile const>(std::move(file)), bytes};
  return true;
}

// Copies a list of names, each NUL-terminated, plus a final NUL; cut to fit (size - 2).
DWORD copy_list(std::vector<std::u16string> const& names, LPWSTR buf, DWORD size) {
  if (!buf || size == 0) return 0;
  if (size == 1) {
    buf[0] = 0;
    return 0;
  }
  DWORD free = size - 1;  // room before the final NUL
  LPWSTR out = buf;
  for (auto const& n : names) {
    auto const need = static_cast<DWORD>(n.size() + 1);
    if (need > free) {
      if (free > 0) out += copy_truncated(n, out, free) + 1;  // free - 1 units and a NUL
      *out = 0;                                               // buf[size - 1]
      SetLastError(ERROR_MORE_DATA);
      return size - 2;
    }
    copy_truncated(n, out, need);
    out += need;
    free -= need;
  }
  *out = 0;
  return static_cast<DWORD>(out - buf);
}

bool has_line_break(std::u16string_view s) { return s.find_first_of(u"\r\n") != std::u16string_view::npos; }

// A section or key name as the file holds it: the blanks around it are not part of it, so
// " k" finds and changes the line "k=..." instead of adding one that reads back as "k".
std::u16string_view name_arg(LPCWSTR name) { return trim(wview(name)); }

// A key written as a line must read back as that key: not empty ("=v" is ignored), not a
// comment (';') and not a section header ('[').
bool writable_key(std::u16string_view key) {
  return !key.empty() && key.front() != u';' && key.front() != u'[';
}

std::u16string_view trim_trailing(std::u16string_view s) {
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  return s;
}

// Runs change on the newest content of the file and stores the result. create: make the
// file when it does not exist (a delete does not).
template <class Change>
BOOL modify(LPCWSTR file_name, bool create, Change change) {
  fs::path const p = profile_path(file_name);
  std::lock_guard lock(cache_mutex);
  auto current = load(p);
  if (!current) {
    std::error_code ec;
    if (fs::exists(p, ec)) return FALSE;  // unreadable: last error set by load
    if (!create) return TRUE;
    if (!fs::is_directory(p.parent_path(), ec)) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return FALSE;
    }
  }
  ProfileFile file = current ? *current : ProfileFile::empty();
  change(file);
  return store(p, std::move(file)) ? TRUE : FALSE;
}

}  // namespace

void profile_flush_cache() {
  std::lock_guard lock(cache_mutex);
  cache().clear();
}

}  // namespace win32

using namespace win32;

extern "C" DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR default_value, LPWSTR buffer,
                                          DWORD size, LPCWSTR file) {
  if (!buffer || size == 0) return 0;
  fs::path const p = profile_path(file);
  std::shared_ptr<ProfileFile const> f;
  {
    std::lock_guard lock(cache_mutex);
    f = load(p);
  }
  if (!section) return copy_list(f ? f->section_names() : std::vector<std::u16string>{}, buffer, size);
  if (!key) {
    auto keys = f ? f->key_names(name_arg(section)) : std::nullopt;
    if (!keys) SetLastError(ERROR_FILE_NOT_FOUND);
    return copy_list(keys.value_or(std::vector<std::u16string>{}), buffer, size);
  }
  std::optional<std::u16string> value = f ? f->value(name_arg(section), name_arg(key)) : std::nullopt;
  if (!value) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    value = std::u16string(trim_trailing(wview(default_value)));
  }
  auto const n = static_cast<DWORD>(copy_truncated(*value, buffer, size));
  if (n < value->size()) SetLastError(ERROR_MORE_DATA);
  return n;
}

extern "C" UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT default_value, LPCWSTR file) {
  if (!section || !key) return static_cast<UINT>(default_value);
  fs::path const p = profile_path(file);
  std::shared_ptr<ProfileFile const> f;
  {
    std::lock_guard lock(cache_mutex);
    f = load(p);
  }
  std::optional<std::u16string> const value = f ? f->value(name_arg(section), name_arg(key)) : std::nullopt;
  if (!value || value->empty()) return static_cast<UINT>(default_value);
  std::u16string_view v = *value;
  bool negative = false;
  if (!v.empty() && (v[0] == u'-' || v[0] == u'+')) negative = v[0] == u'-', v.remove_prefix(1);
  UINT base = 10, result = 0;
  if (v.size() >= 2 && v[0] == u'0' && (v[1] == u'x' || v[1] == u'X')) base = 16, v.remove_prefix(2);
  for (char16_t c : v) {
    UINT digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else break;
    result = result * base + digit;  // wraps modulo 2^32 like the 32-bit original
  }
  return negative ? 0u - result : result;
}

extern "C" BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
  if (!section) {
    if (key || value) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    profile_flush_cache();
    return TRUE;
  }
  std::u16string_view const s = name_arg(section), k = name_arg(key);
  if (has_line_break(s) || has_line_break(k) || has_line_break(wview(value)) ||
      k.find(u'=') != std::u16string_view::npos || (key && value && !writable_key(k))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!key) return modify(file, false, [&](ProfileFile& f) { f.erase_section(s); });
  if (!value) return modify(file, false, [&](ProfileFile& f) { f.erase_key(s, k); });
  return modify(file, true, [&](ProfileFile& f) { f.set(s, k, wview(value)); });
}

extern "C" DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR file) {
  if (!buffer || size == 0) return 0;
  if (!section) {
    buffer[0] = 0;
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  fs::path const p = profile_path(file);
  std::shared_ptr<ProfileFile const> f;
  {
    std::lock_guard lock(cache_mutex);
    f = load(p);
  }
  auto lines = f ? f->section_lines(name_arg(section)) : std::nullopt;
  return copy_list(lines.value_or(std::vector<std::u16string>{}), buffer, size);
}

extern "C" BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR data, LPCWSTR file) {
  if (!section) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!data) return modify(file, false, [&](ProfileFile& f) { f.erase_section(name_arg(section)); });
  std::vector<std::u16string> lines;
  for (LPCWSTR p = data; *p; p += lines.back().size() + 1) lines.emplace_back(p);
  if (has_line_break(wview(section)) ||
      std::any_of(lines.begin(), lines.end(), [](auto const& l) { return has_line_break(l); })) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return modify(file, true, [&](ProfileFile& f) { f.replace_section(name_arg(section), lines); });
}

extern "C" DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR file) {
  return GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, size, file);
}
