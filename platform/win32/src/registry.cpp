// The registry store.
//
// The whole registry of the machine is one tree held in memory and kept in one file,
// <root>/registry.dat. The registry is small (a few hundred keys at most) and read far more
// often than written, so every call works on the in-memory tree and a change rewrites the
// whole file. Each call first takes an exclusive flock on <root>/registry.lock and checks the
// file's identity (device, inode, size, modification time); when another process has
// replaced the file since, the tree is read again. So two processes never lose each other's
// writes: a read-modify-write happens under the lock on the newest file.
//
// A write never leaves a half-written store: the tree goes to registry.dat.tmp, which is
// fsync'ed and renamed over registry.dat, then the folder is fsync'ed. A crash before the
// rename leaves the old store intact and a stray temp file, which is ignored and overwritten
// by the next write.
//
// File format (all integers little-endian, strings UTF-16LE without terminator):
//   header (24 bytes):
//     0  char[8] magic "W32REG\r\n"
//     8  u32     format version, 1
//     12 u32     number of key records
//     16 u32     payload size in bytes (file size - 24)
//     20 u32     CRC-32 (IEEE, as in zlib) of the payload
//   payload: key records, each parent before its children:
//     u32 parent   index of the parent record, 0xFFFFFFFF for a top-level key
//     u16 n, n units name   (1..255 units, no '\'; a top-level key is HKEY_LOCAL_MACHINE,
//                            HKEY_CURRENT_USER or HKEY_USERS)
//     u64 last write time (FILETIME units)
//     u32 number of values, then for each value:
//       u16 n, n units name (0..16383 units; empty is the key's default value)
//       u32 type
//       u32 m, m bytes data
// The reader is strict: a wrong magic, version, size or checksum, a record running past the
// payload, a parent index not before its child, a duplicate key or value name (ignoring
// ASCII case), or bytes left over make the store corrupt. A corrupt store is renamed to
// registry.dat.bad-<seconds since 1970>[-n], the call that found it returns ERROR_BADDB, and the
// registry starts empty; the bad file stays for inspection.
#include "win32/registry.h"

#include "win32/error.h"
#include "win32/root.h"
#include "win32/text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'W', '3', '2', 'R', 'E', 'G', '\r', '\n'};
constexpr std::uint32_t kVersion = 1;
constexpr std::uint32_t kNoParent = 0xFFFFFFFFu;
constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kMaxKeyName = 255;
constexpr std::size_t kMaxValueName = 16383;

struct Header {
  char magic[8];
  std::uint32_t version;
  std::uint32_t key_count;
  std::uint32_t payload_size;
  std::uint32_t payload_crc;
};
static_assert(sizeof(Header) == kHeaderSize);
static_assert(offsetof(Header, version) == 8 && offsetof(Header, key_count) == 12);
static_assert(offsetof(Header, payload_size) == 16 && offsetof(Header, payload_crc) == 20);

std::uint32_t crc32(std::string_view bytes) {
  static auto const table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (char b : bytes) c = table[(c ^ static_cast<unsigned char>(b)) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint64_t filetime_now() {
  auto const since_1970 = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return static_cast<std::uint64_t>(since_1970.count() / 100) + 116444736000000000ull;
}

struct Value {
  std::u16string name;
  DWORD type = REG_NONE;
  std::string data;
};

struct Key {
  std::u16string name;
  std::map<std::u16string, std::unique_ptr<Key>> children;  // by lower-cased name
  std::vector<Value> values;                                // in creation order
  std::uint64_t last_write = 0;

  Key* child(std::u16string_view n) {
    auto it = children.find(win32::lower_ascii(n));
    return it == children.end() ? nullptr : it->second.get();
  }
  Value* value(std::u16string_view n) {
    for (auto& v : values)
      if (win32::equal_nocase(v.name, n)) return &v;
    return nullptr;
  }
};

// ---- encoding ----

struct Writer {
  std::string out;
  void u16(std::uint16_t v) { out.append({static_cast<char>(v), static_cast<char>(v >> 8)}); }
  void u32(std::uint32_t v) { u16(static_cast<std::uint16_t>(v)), u16(static_cast<std::uint16_t>(v >> 16)); }
  void u64(std::uint64_t v) { u32(static_cast<std::uint32_t>(v)), u32(static_cast<std::uint32_t>(v >> 32)); }
  void text(std::u16string_view s) {
    u16(static_cast<std::uint16_t>(s.size()));
    for (char16_t c : s) u16(c);
  }
};

void encode_key(Writer& w, Key const& key, std::uint32_t parent, std::uint32_t& count) {
  std::uint32_t const self = count++;
  w.u32(parent);
  w.text(key.name);
  w.u64(key.last_write);
  w.u32(static_cast<std::uint32_t>(key.values.size()));
  for (auto const& v : key.values) {
    w.text(v.name);
    w.u32(v.type);
    w.u32(static_cast<std::uint32_t>(v.data.size()));
    w.out += v.data;
  }
  for (auto const& [_, child] : key.children) encode_key(w, *child, self, count);
}

std::string encode_store(Key const& root) {
  Writer w;
  std::uint32_t count = 0;
  for (auto const& [_, hive] : root.children) encode_key(w, *hive, kNoParent, count);
  Writer head;
  head.out.assign(kMagic, 8);
  head.u32(kVersion);
  head.u32(count);
  head.u32(static_cast<std::uint32_t>(w.out.size()));
  head.u32(crc32(w.out));
  return head.out + w.out;
}

// ---- strict decoding ----

struct Reader {
  std::string_view in;
  std::size_t pos = 0;
  bool ok = true;
  bool need(std::size_t n) { return ok = ok && in.size() - pos >= n; }
  std::uint32_t byte(std::size_t i) const { return static_cast<unsigned char>(in[pos + i]); }
  std::uint16_t u16() {
    if (!need(2)) return 0;
    std::uint16_t v = static_cast<std::uint16_t>(byte(0) | byte(1) << 8);
    pos += 2;
    return v;
  }
  std::uint32_t u32() { std::uint32_t lo = u16(); return lo | static_cast<std::uint32_t>(u16()) << 16; }
  std::uint64_t u64() { std::uint64_t lo = u32(); return lo | static_cast<std::uint64_t>(u32()) << 32; }
  std::u16string text() {
    std::size_t const n = u16();
    std::u16string s;
    if (!need(n * 2)) return s;
    for (std::size_t i = 0; i < n; ++i) s += static_cast<char16_t>(u16());
    return s;
  }
  std::string bytes(std::size_t n) {
    if (!need(n)) return {};
    std::string s(in.substr(pos, n));
    pos += n;
    return s;
  }
};

bool is_hive_name(std::u16string_view n) {
  return n == u"HKEY_LOCAL_MACHINE" || n == u"HKEY_CURRENT_USER" || n == u"HKEY_USERS";
}

// Parses a store file into root; false when it is corrupt in any way.
bool decode_store(std::string_view file, Key& root) {
  if (file.size() < kHeaderSize || std::memcmp(file.data(), kMagic, 8) != 0) return false;
  Reader hr{file.substr(8, kHeaderSize - 8)};
  std::uint32_t const version = hr.u32(), key_count = hr.u32(), size = hr.u32(), crc = hr.u32();
  std::string_view const payload = file.substr(kHeaderSize);
  if (version != kVersion || size != payload.size() || crc != crc32(payload)) return false;
  Reader r{payload};
  std::vector<Key*> keys;
  for (std::uint32_t i = 0; i < key_count && r.ok; ++i) {
    std::uint32_t const parent = r.u32();
    auto key = std::make_unique<Key>();
    key->name = r.text();
    key->last_write = r.u64();
    std::uint32_t const value_count = r.u32();
    if (!r.ok || key->name.empty() || key->name.size() > kMaxKeyName ||
        key->name.find(u'\\') != std::u16string::npos)
      return false;
    if (value_count > payload.size()) return false;  // each value takes at least 10 bytes
    for (std::uint32_t v = 0; v < value_count && r.ok; ++v) {
      Value val;
      val.name = r.text();
      val.type = r.u32();
      val.data = r.bytes(r.u32());
      if (!r.ok || val.name.size() > kMaxValueName || key->value(val.name)) return false;
      key->values.push_back(std::move(val));
    }
    Key* parent_key = nullptr;
    if (parent == kNoParent) {
      if (!is_hive_name(key->name)) return false;
      parent_key = &root;
    } else if (parent < keys.size()) {
      parent_key = keys[parent];
    } else {
      return false;
    }
    auto const lower = win32::lower_ascii(key->name);
    if (parent_key->children.count(lower)) return false;
    keys.push_back(key.get());
    parent_key->children.emplace(lower, std::move(key));
  }
  return r.ok && r.pos == payload.size() && keys.size() == key_count;
}

// ---- the store and its file ----

struct FileId {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = -1;
  long long mtime_ns = 0;
  bool operator==(FileId const&) const = default;
};

std::optional<FileId> file_id(fs::path const& p) {
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino, st.st_size,
                static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec};
}

bool read_file(fs::path const& p, std::string& out) {
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  out.clear();
  char buf[65536];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
  ::close(fd);
  return n == 0;
}

bool write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t const n = ::write(fd, data.data(), data.size());
    if (n < 0) return false;
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

struct Store {
  std::mutex mutex;
  fs::path file;                 // the store file the tree came from
  std::optional<FileId> id;      // its identity when read; nullopt: no file
  bool loaded = false;
  Key root;
};

Store& store() {
  static Store s;
  return s;
}

void ensure_fixed_keys(Key& root) {
  auto add = [](Key& parent, std::u16string_view name) -> Key& {
    auto& slot = parent.children[win32::lower_ascii(name)];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = name;
    }
    return *slot;
  };
  add(root, u"HKEY_CURRENT_USER");
  add(root, u"HKEY_USERS");
  add(add(add(root, u"HKEY_LOCAL_MACHINE"), u"SOFTWARE"), u"Classes");
}

// Brings the tree in step with the file; ERROR_BADDB when the file was corrupt.
LONG refresh(Store& s) {
  fs::path const file = win32::machine_root() / "registry.dat";
  auto const id = file_id(file);
  if (s.loaded && s.file == file && s.id == id) return ERROR_SUCCESS;
  s.root = Key{};
  s.file = file;
  s.id = std::nullopt;
  s.loaded = true;
  LONG result = ERROR_SUCCESS;
  std::string bytes;
  if (id && read_file(file, bytes)) {
    if (decode_store(bytes, s.root)) {
      s.id = id;
    } else {
      s.root = Key{};
      auto const stamp = std::chrono::duration_cast<std::chrono::seconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
      fs::path aside;
      std::error_code ec;
      for (int n = 0; aside.empty() || fs::exists(aside, ec); ++n) {
        aside = file;
        aside += ".bad-" + std::to_string(stamp) + (n ? "-" + std::to_string(n) : "");
      }
      fs::rename(file, aside, ec);
      std::fprintf(stderr, "win32: registry store %s is corrupt; moved to %s, starting empty\n",
                   file.c_str(), aside.c_str());
      result = ERROR_BADDB;
    }
  } else if (id) {
    std::fprintf(stderr, "win32: cannot read registry store %s\n", file.c_str());
    s.loaded = false;
    return ERROR_CANTREAD;
  }
  ensure_fixed_keys(s.root);
  return result;
}

LONG save(Store& s) {
  fs::path tmp = s.file;
  tmp += ".tmp";
  std::string const bytes = encode_store(s.root);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && write_all(fd, bytes) && ::fsync(fd) == 0;
  if (fd >= 0) ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(tmp.c_str(), s.file.c_str()) == 0;
  if (!ok) {
    std::fprintf(stderr, "win32: cannot write registry store %s: %s\n", s.file.c_str(), std::strerror(errno));
    ::unlink(tmp.c_str());
    s.loaded = false;  // the tree holds changes the file lacks: read the file again next time
    return ERROR_CANTWRITE;
  }
  if (int dir = ::open(s.file.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  s.id = file_id(s.file);
  return ERROR_SUCCESS;
}

// Runs op on the current tree under the process mutex and the machine-wide file lock; saves
// when op reports a change. op returns a result code and sets changed.
LONG with_store(std::function<LONG(Key& root, bool& changed)> const& op) {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  if (!win32::ensure_machine_root()) return ERROR_CANTOPEN;
  fs::path const lock_path = win32::machine_root() / "registry.lock";
  int lock_fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_fd < 0) return ERROR_CANTOPEN;
  while (::flock(lock_fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  LONG result = refresh(s);
  if (result == ERROR_SUCCESS) {
    bool changed = false;
    result = op(s.root, changed);
    if (changed) {
      LONG const saved = save(s);
      if (saved != ERROR_SUCCESS) result = saved;
    }
  }
  ::close(lock_fd);  // releases the flock
  return result;
}

// ---- handles ----

struct KeyHandle {
  std::vector<std::u16string> path;  // from the top: hive name first
  REGSAM access = 0;
};

std::mutex handles_mutex;
std::set<KeyHandle*>& live_handles() {
  static std::set<KeyHandle*> h;
  return h;
}

// The path and access of a handle; false when the handle is not a key.
bool handle_info(HKEY key, std::vector<std::u16string>& path, REGSAM& access) {
  if (key == HKEY_CLASSES_ROOT) path = {u"HKEY_LOCAL_MACHINE", u"SOFTWARE", u"Classes"};
  else if (key == HKEY_CURRENT_USER) path = {u"HKEY_CURRENT_USER"};
  else if (key == HKEY_LOCAL_MACHINE) path = {u"HKEY_LOCAL_MACHINE"};
  else if (key == HKEY_USERS) path = {u"HKEY_USERS"};
  else {
    std::lock_guard lock(handles_mutex);
    auto* h = reinterpret_cast<KeyHandle*>(key);
    if (!live_handles().count(h)) return false;
    path = h->path;
    access = h->access;
    return true;
  }
  access = KEY_ALL_ACCESS;
  return true;
}

bool is_predefined(HKEY key) {
  return key == HKEY_CLASSES_ROOT || key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE || key == HKEY_USERS;
}

HKEY new_handle(std::vector<std::u16string> path, REGSAM access) {
  auto* h = new KeyHandle{std::move(path), access};
  std::lock_guard lock(handles_mutex);
  live_handles().insert(h);
  return reinterpret_cast<HKEY>(h);
}

REGSAM effective_access(REGSAM access) {
  constexpr REGSAM kGenericRead = 0x80000000u, kGenericWrite = 0x40000000u, kGenericAll = 0x10000000u;
  REGSAM r = access & ~(KEY_WOW64_32KEY | KEY_WOW64_64KEY);
  if (r & (MAXIMUM_ALLOWED | kGenericAll)) r |= KEY_ALL_ACCESS;
  if (r & kGenericRead) r |= KEY_READ;
  if (r & kGenericWrite) r |= KEY_WRITE;
  return r;
}

Key* find_path(Key& root, std::vector<std::u16string> const& path) {
  Key* k = &root;
  for (auto const& part : path)
    if (!(k = k->child(part))) return nullptr;
  return k;
}

// Splits a subkey path at '\'. A trailing '\' is allowed; a leading one or an empty
// component is ERROR_BAD_PATHNAME, a component over 255 units ERROR_INVALID_PARAMETER.
LONG split_subkey(LPCWSTR sub_key, std::vector<std::u16string>& parts) {
  std::u16string_view s = win32::wview(sub_key);
  if (!s.empty() && s.back() == u'\\') s.remove_suffix(1);
  if (s.empty()) return ERROR_SUCCESS;
  std::size_t pos = 0;
  while (true) {
    std::size_t const next = std::min(s.find(u'\\', pos), s.size());
    if (next == pos) return ERROR_BAD_PATHNAME;
    if (next - pos > kMaxKeyName) return ERROR_INVALID_PARAMETER;
    parts.emplace_back(s.substr(pos, next - pos));
    if (next == s.size()) return ERROR_SUCCESS;
    pos = next + 1;
  }
}

// Resolves an open handle to its key in the tree and checks the access it needs.
struct Opened {
  std::vector<std::u16string> path;
  REGSAM access = 0;
};

LONG open_handle(HKEY key, REGSAM needed, Opened& out) {
  if (!handle_info(key, out.path, out.access)) return ERROR_INVALID_HANDLE;
  if ((out.access & needed) != needed) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

// Copies a name into an enumeration buffer sized in units with the NUL.
LONG copy_name(std::u16string_view name, LPWSTR buf, LPDWORD size) {
  if (!buf || !size) return ERROR_INVALID_PARAMETER;
  if (*size <= name.size()) return ERROR_MORE_DATA;
  win32::copy_truncated(name, buf, *size);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

// Copies value data the way the query calls do: a size query with no buffer, ERROR_MORE_DATA
// and the needed size when the buffer is short.
LONG copy_data(std::string_view data, LPBYTE buf, LPDWORD size) {
  if (buf && !size) return ERROR_INVALID_PARAMETER;
  if (!size) return ERROR_SUCCESS;
  DWORD const have = *size;
  *size = static_cast<DWORD>(data.size());
  if (!buf) return ERROR_SUCCESS;
  if (have < data.size()) return ERROR_MORE_DATA;
  std::memcpy(buf, data.data(), data.size());
  return ERROR_SUCCESS;
}

std::u16string expand_environment(std::u16string_view s) {
  std::u16string out;
  std::size_t pos = 0;
  while (pos < s.size()) {
    std::size_t const open = s.find(u'%', pos);
    std::size_t const close = open == std::u16string_view::npos ? open : s.find(u'%', open + 1);
    if (close == std::u16string_view::npos) {
      out += s.substr(pos);
      break;
    }
    out += s.substr(pos, open - pos);
    std::string const name = win32::to_utf8(s.substr(open + 1, close - open - 1));
    char const* v = name.empty() ? nullptr : std::getenv(name.c_str());
    if (v) out += win32::to_utf16(v), pos = close + 1;
    else out += s.substr(open, close - open), pos = close;  // keep the text, retry at the second '%'
  }
  return out;
}

std::u16string units_of(std::string_view bytes) {
  std::u16string s(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                 static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return s;
}

std::string bytes_of(std::u16string_view s) {
  std::string b;
  for (char16_t c : s) b.append({static_cast<char>(c), static_cast<char>(c >> 8)});
  return b;
}

DWORD type_flag(DWORD type) {
  switch (type) {
    case REG_NONE: return RRF_RT_REG_NONE;
    case REG_SZ: return RRF_RT_REG_SZ;
    case REG_EXPAND_SZ: return RRF_RT_REG_EXPAND_SZ;
    case REG_BINARY: return RRF_RT_REG_BINARY;
    case REG_DWORD: return RRF_RT_REG_DWORD;
    case REG_MULTI_SZ: return RRF_RT_REG_MULTI_SZ;
    case REG_QWORD: return RRF_RT_REG_QWORD;
    default: return 0;
  }
}

}  // namespace

void win32::registry_drop_cache() {
  Store& s = store();
  std::lock_guard lock(s.mutex);
  s.loaded = false;
  s.root = Key{};
}

extern "C" LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR sub_key, DWORD, LPWSTR, DWORD, REGSAM access,
                                   SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  Opened h;
  if (LONG r = open_handle(key, 0, h)) return r;
  std::vector<std::u16string> parts;
  if (LONG r = split_subkey(sub_key, parts)) return r;
  bool created = false;
  LONG const r = with_store([&](Key& root, bool& changed) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    for (auto const& part : parts) {
      Key* next = k->child(part);
      if (!next) {
        if (!(h.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        auto fresh = std::make_unique<Key>();
        fresh->name = part;
        fresh->last_write = filetime_now();
        next = fresh.get();
        k->children.emplace(win32::lower_ascii(part), std::move(fresh));
        k->last_write = filetime_now();
        changed = created = true;
      }
      h.path.push_back(next->name);
      k = next;
    }
    return ERROR_SUCCESS;
  });
  if (r != ERROR_SUCCESS) return r;
  *result = new_handle(std::move(h.path), effective_access(access));
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

extern "C" LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR sub_key, DWORD, REGSAM access, PHKEY result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  Opened h;
  if (LONG r = open_handle(key, 0, h)) return r;
  std::vector<std::u16string> parts;
  if (LONG r = split_subkey(sub_key, parts)) return r;
  LONG const r = with_store([&](Key& root, bool&) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    for (auto const& part : parts) {
      if (!(k = k->child(part))) return ERROR_FILE_NOT_FOUND;
      h.path.push_back(k->name);
    }
    return ERROR_SUCCESS;
  });
  if (r != ERROR_SUCCESS) return r;
  *result = new_handle(std::move(h.path), effective_access(access));
  return ERROR_SUCCESS;
}

extern "C" LSTATUS RegCloseKey(HKEY key) {
  if (is_predefined(key)) return ERROR_SUCCESS;
  std::lock_guard lock(handles_mutex);
  auto* h = reinterpret_cast<KeyHandle*>(key);
  if (!live_handles().erase(h)) return ERROR_INVALID_HANDLE;
  delete h;
  return ERROR_SUCCESS;
}

extern "C" LSTATUS RegQueryValueExW(HKEY key, LPCWSTR value_name, LPDWORD, LPDWORD type, LPBYTE data,
                                    LPDWORD data_size) {
  if (data && !data_size) return ERROR_INVALID_PARAMETER;
  Opened h;
  if (LONG r = open_handle(key, KEY_QUERY_VALUE, h)) return r;
  return with_store([&](Key& root, bool&) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    Value const* v = k->value(win32::wview(value_name));
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (type) *type = v->type;
    return copy_data(v->data, data, data_size);
  });
}

extern "C" LSTATUS RegSetValueExW(HKEY key, LPCWSTR value_name, DWORD, DWORD type, BYTE const* data,
                                  DWORD data_size) {
  if (!data && data_size) return ERROR_NOACCESS;
  std::u16string_view const name = win32::wview(value_name);
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  Opened h;
  if (LONG r = open_handle(key, KEY_SET_VALUE, h)) return r;
  return with_store([&](Key& root, bool& changed) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    Value* v = k->value(name);
    if (!v) v = &k->values.emplace_back(Value{std::u16string(name), REG_NONE, {}});
    v->type = type;
    v->data.assign(reinterpret_cast<char const*>(data), data ? data_size : 0);
    k->last_write = filetime_now();
    changed = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS RegDeleteValueW(HKEY key, LPCWSTR value_name) {
  Opened h;
  if (LONG r = open_handle(key, KEY_SET_VALUE, h)) return r;
  return with_store([&](Key& root, bool& changed) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    Value* v = k->value(win32::wview(value_name));
    if (!v) return ERROR_FILE_NOT_FOUND;
    k->values.erase(k->values.begin() + (v - k->values.data()));
    k->last_write = filetime_now();
    changed = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR sub_key) {
  if (!sub_key) return ERROR_INVALID_PARAMETER;
  Opened h;
  if (LONG r = open_handle(key, *sub_key ? 0 : DELETE, h)) return r;
  std::vector<std::u16string> parts;
  if (LONG r = split_subkey(sub_key, parts)) return r;
  std::vector<std::u16string> target = h.path;
  target.insert(target.end(), parts.begin(), parts.end());
  // The top keys and HKEY_LOCAL_MACHINE\SOFTWARE\Classes (HKEY_CLASSES_ROOT) stay.
  if (target.size() < 2 || (target.size() == 3 && win32::equal_nocase(target[0], u"HKEY_LOCAL_MACHINE") &&
                            win32::equal_nocase(target[1], u"SOFTWARE") &&
                            win32::equal_nocase(target[2], u"Classes")))
    return ERROR_ACCESS_DENIED;
  return with_store([&](Key& root, bool& changed) -> LONG {
    if (!find_path(root, h.path)) return ERROR_KEY_DELETED;
    Key* k = find_path(root, target);
    if (!k) return ERROR_FILE_NOT_FOUND;
    if (!k->children.empty()) return ERROR_ACCESS_DENIED;
    target.pop_back();
    Key* parent = find_path(root, target);
    parent->children.erase(win32::lower_ascii(k->name));
    parent->last_write = filetime_now();
    changed = true;
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD name_size, LPDWORD,
                                 LPWSTR class_name, LPDWORD class_size, PFILETIME last_write) {
  Opened h;
  if (LONG r = open_handle(key, KEY_ENUMERATE_SUB_KEYS, h)) return r;
  return with_store([&](Key& root, bool&) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    if (index >= k->children.size()) return ERROR_NO_MORE_ITEMS;
    Key const& child = *std::next(k->children.begin(), index)->second;
    if (LONG r = copy_name(child.name, name, name_size)) return r;
    if (class_name && class_size && *class_size) *class_name = 0;
    if (class_size) *class_size = 0;
    if (last_write) {
      last_write->dwLowDateTime = static_cast<DWORD>(child.last_write);
      last_write->dwHighDateTime = static_cast<DWORD>(child.last_write >> 32);
    }
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR value_name, LPDWORD value_name_size,
                                 LPDWORD, LPDWORD type, LPBYTE data, LPDWORD data_size) {
  if (data && !data_size) return ERROR_INVALID_PARAMETER;
  Opened h;
  if (LONG r = open_handle(key, KEY_QUERY_VALUE, h)) return r;
  return with_store([&](Key& root, bool&) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    if (index >= k->values.size()) return ERROR_NO_MORE_ITEMS;
    Value const& v = k->values[index];
    if (LONG r = copy_name(v.name, value_name, value_name_size)) return r;
    if (type) *type = v.type;
    return copy_data(v.data, data, data_size);
  });
}

extern "C" LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR class_name, LPDWORD class_size, LPDWORD,
                                    LPDWORD sub_keys, LPDWORD max_sub_key_len, LPDWORD max_class_len,
                                    LPDWORD values, LPDWORD max_value_name_len, LPDWORD max_value_len,
                                    LPDWORD security_descriptor_size, PFILETIME last_write) {
  Opened h;
  if (LONG r = open_handle(key, KEY_QUERY_VALUE, h)) return r;
  return with_store([&](Key& root, bool&) -> LONG {
    Key* k = find_path(root, h.path);
    if (!k) return ERROR_KEY_DELETED;
    DWORD max_key = 0, max_name = 0, max_data = 0;
    for (auto const& [_, c] : k->children) max_key = std::max<DWORD>(max_key, static_cast<DWORD>(c->name.size()));
    for (auto const& v : k->values) {
      max_name = std::max<DWORD>(max_name, static_cast<DWORD>(v.name.size()));
      max_data = std::max<DWORD>(max_data, static_cast<DWORD>(v.data.size()));
    }
    if (class_name && class_size && *class_size) *class_name = 0;
    if (class_size) *class_size = 0;
    if (sub_keys) *sub_keys = static_cast<DWORD>(k->children.size());
    if (max_sub_key_len) *max_sub_key_len = max_key;
    if (max_class_len) *max_class_len = 0;
    if (values) *values = static_cast<DWORD>(k->values.size());
    if (max_value_name_len) *max_value_name_len = max_name;
    if (max_value_len) *max_value_len = max_data;
    if (security_descriptor_size) *security_descriptor_size = 0;
    if (last_write) {
      last_write->dwLowDateTime = static_cast<DWORD>(k->last_write);
      last_write->dwHighDateTime = static_cast<DWORD>(k->last_write >> 32);
    }
    return ERROR_SUCCESS;
  });
}

extern "C" LSTATUS RegGetValueW(HKEY key, LPCWSTR sub_key, LPCWSTR value_name, DWORD flags, LPDWORD type,
                                PVOID data, LPDWORD data_size) {
  DWORD const types = flags & RRF_RT_ANY;
  DWORD const original_size = data_size ? *data_size : 0;
  auto fail = [&](LONG r) {
    if ((flags & RRF_ZEROONFAILURE) && data && original_size) std::memset(data, 0, original_size);
    return r;
  };
  if (!types || (data && !data_size)) return ERROR_INVALID_PARAMETER;
  // Asking for REG_EXPAND_SZ makes sense only unexpanded (RRF_RT_ANY asks for any type).
  if ((types & RRF_RT_REG_EXPAND_SZ) && !(flags & RRF_NOEXPAND) && types != RRF_RT_ANY)
    return ERROR_INVALID_PARAMETER;

  HKEY opened = key;
  if (sub_key && *sub_key) {
    if (LONG r = RegOpenKeyExW(key, sub_key, 0, KEY_QUERY_VALUE, &opened)) return fail(r);
  }
  DWORD value_type = REG_NONE, size = 0;
  std::string bytes;
  LONG r = RegQueryValueExW(opened, value_name, nullptr, &value_type, nullptr, &size);
  if (r == ERROR_SUCCESS) {
    bytes.resize(size);
    r = RegQueryValueExW(opened, value_name, nullptr, &value_type, reinterpret_cast<LPBYTE>(bytes.data()), &size);
    bytes.resize(size);
  }
  if (opened != key) RegCloseKey(opened);
  if (r != ERROR_SUCCESS) return fail(r);

  if (value_type == REG_EXPAND_SZ && !(flags & RRF_NOEXPAND)) {
    std::u16string text = units_of(bytes);
    text = expand_environment(text.substr(0, std::min(text.size(), text.find(u'\0'))));
    bytes = bytes_of(text);
    value_type = REG_SZ;
  }
  DWORD const flag = type_flag(value_type);
  if (types != RRF_RT_ANY && !(types & flag)) return fail(ERROR_UNSUPPORTED_TYPE);
  if ((value_type == REG_DWORD && bytes.size() != 4) || (value_type == REG_QWORD && bytes.size() != 8) ||
      (value_type == REG_BINARY && types == RRF_RT_DWORD && bytes.size() != 4) ||
      (value_type == REG_BINARY && types == RRF_RT_QWORD && bytes.size() != 8))
    return fail(ERROR_DATATYPE_MISMATCH);
  if (value_type == REG_SZ || value_type == REG_EXPAND_SZ || value_type == REG_MULTI_SZ) {
    if (bytes.size() % 2) bytes.push_back('\0');
    std::size_t const nuls = value_type == REG_MULTI_SZ ? 2 : 1;
    auto const ends_with_nuls = [&] {
      if (bytes.size() < 2 * nuls) return false;
      return bytes.find_first_not_of('\0', bytes.size() - 2 * nuls) == std::string::npos;
    };
    while (!ends_with_nuls()) bytes.append(2, '\0');
  }
  if (type) *type = value_type;
  r = copy_data(bytes, static_cast<LPBYTE>(data), data_size);
  return r == ERROR_SUCCESS ? r : fail(r);
}

extern "C" LSTATUS RegFlushKey(HKEY key) {
  Opened h;
  return open_handle(key, 0, h);
}
