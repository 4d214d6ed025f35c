// Resources: the directory format, its lookups, string tables and dialog templates.
//
// Lookups are rare next to the work done with what they find (a dialog is built once, a
// string is loaded once per control), so the directory is checked in full on every lookup
// rather than cached; that keeps a module that is unloaded and reloaded at another address
// from ever being read through a stale pointer.
#include "win32/resource.h"

#include "win32/error.h"
#include "win32/module.h"

#include <algorithm>
#include <cstring>

namespace {

using Bytes = std::vector<std::uint8_t>;
using win32::ResourceEntry;
using win32::ResourceId;

char16_t upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

std::u16string upper(std::u16string s) {
  for (auto& c : s) c = upper(c);
  return s;
}

ResourceId upper_id(const ResourceId& id) {
  if (const auto* s = std::get_if<std::u16string>(&id)) return upper(*s);
  return id;
}

void put16(Bytes& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put_at(Bytes& out, std::size_t at, const void* p, std::size_t n) {
  std::memcpy(out.data() + at, p, n);
}

void pad_to(Bytes& out, std::size_t align, std::size_t from = 0) {
  while ((out.size() - from) % align != 0) out.push_back(0);
}

// Little-endian reads that never pass `end` (the caller checks `ok` once at the end).
struct Reader {
  std::span<const std::uint8_t> bytes;
  std::size_t at = 0;
  bool ok = true;

  bool need(std::size_t n) {
    if (!ok || n > bytes.size() || at > bytes.size() - n) ok = false;
    return ok;
  }
  std::uint16_t u16() {
    if (!need(2)) return 0;
    const std::uint16_t v = static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    at += 2;
    return v;
  }
  template <typename T>
  T pod() {
    T v{};
    if (need(sizeof(T))) std::memcpy(&v, bytes.data() + at, sizeof(T)), at += sizeof(T);
    return v;
  }
  std::u16string chars(std::size_t n) {
    std::u16string s;
    if (!need(n * 2)) return s;
    s.resize(n);
    for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char16_t>(bytes[at + 2 * i] | (bytes[at + 2 * i + 1] << 8));
    at += n * 2;
    return s;
  }
  void align(std::size_t a) {
    const std::size_t to = (at + a - 1) / a * a;
    if (to <= bytes.size()) at = to;  // trailing padding may be cut off at the very end
    else at = bytes.size();
  }
};

// A directory name: WORD count + units.
std::u16string read_name(std::span<const std::uint8_t> dir, std::uint32_t offset, bool* ok) {
  Reader r{dir, offset};
  if (offset % 2 != 0) *ok = false;
  const std::uint16_t n = r.u16();
  std::u16string s = r.chars(n);
  if (r.u16() != 0 || !r.ok) *ok = false;  // the NUL after the name
  return s;
}

// The directory of a module, checked: header, entry table, names and data ranges.
struct Directory {
  std::span<const std::uint8_t> bytes;
  std::uint32_t count = 0;

  const std::uint8_t* entry_ptr(std::uint32_t i) const {
    return bytes.data() + sizeof(win32::ResourceDirectoryHeader) + std::size_t{i} * sizeof(ResourceEntry);
  }
  ResourceEntry entry(std::uint32_t i) const {
    ResourceEntry e;
    std::memcpy(&e, entry_ptr(i), sizeof e);
    return e;
  }
};

std::optional<Directory> check_directory(std::span<const std::uint8_t> bytes) {
  win32::ResourceDirectoryHeader h;
  if (bytes.size() < sizeof h) return std::nullopt;
  std::memcpy(&h, bytes.data(), sizeof h);
  if (std::memcmp(h.magic, "W32R", 4) != 0 || h.version != 1 || h.entrySize != sizeof(ResourceEntry) ||
      h.totalSize > bytes.size() || h.totalSize < sizeof h ||
      std::uint64_t{h.count} * sizeof(ResourceEntry) > h.totalSize - sizeof h) {
    return std::nullopt;
  }
  Directory dir{bytes.first(h.totalSize), h.count};
  for (std::uint32_t i = 0; i < dir.count; ++i) {
    const ResourceEntry e = dir.entry(i);
    bool ok = std::uint64_t{e.dataOffset} + e.dataSize <= h.totalSize;
    if (e.typeNameOffset != 0) read_name(dir.bytes, e.typeNameOffset, &ok);
    if (e.nameOffset != 0) read_name(dir.bytes, e.nameOffset, &ok);
    ok = ok && (e.typeNameOffset != 0) != (e.typeId != 0) && (e.nameOffset != 0) != (e.nameId != 0);
    if (!ok) return std::nullopt;
  }
  return dir;
}

// The module's directory; sets the last error and returns nothing when there is none.
std::optional<Directory> directory_of(HMODULE module) {
  std::size_t size = 0;
  const void* p = win32::module_own_symbol(module, win32::kResourceDirectorySymbol, &size);
  if (p == nullptr) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return std::nullopt;
  }
  auto dir = check_directory({static_cast<const std::uint8_t*>(p), size});
  if (!dir) SetLastError(ERROR_INVALID_DATA);
  return dir;
}

bool id_matches(const Directory& dir, std::uint32_t id, std::uint32_t nameOffset, LPCWSTR query) {
  if (IS_INTRESOURCE(query)) return nameOffset == 0 && id == reinterpret_cast<ULONG_PTR>(query);
  std::u16string_view q(query);
  if (!q.empty() && q[0] == u'#') {
    std::uint32_t n = 0;
    if (q.size() < 2 || q.size() > 6) return false;
    for (char16_t c : q.substr(1)) {
      if (c < u'0' || c > u'9') return false;
      n = n * 10 + (c - u'0');
    }
    return nameOffset == 0 && id == n;
  }
  if (nameOffset == 0) return false;
  bool ok = true;
  return read_name(dir.bytes, nameOffset, &ok) == upper(std::u16string(q));
}

// Preference of a match: lower is better; the first entry of the best rank wins.
using Rank = int (*)(WORD entryLanguage, WORD wanted);

int rank_explicit(WORD lang, WORD wanted) { return lang == wanted ? 0 : lang == LANG_NEUTRAL ? 1 : 2; }

int rank_thread(WORD lang, WORD wanted) {
  if (lang == wanted) return 0;
  if (PRIMARYLANGID(lang) == PRIMARYLANGID(wanted)) return 1;
  if (lang == LANG_NEUTRAL) return 2;
  if (lang == 0x0409) return 3;
  return 4;
}

HRSRC find(HMODULE module, LPCWSTR type, LPCWSTR name, WORD wanted, Rank rank) {
  if (type == nullptr || name == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto dir = directory_of(module);
  if (!dir) return nullptr;
  bool typeSeen = false;
  std::optional<std::uint32_t> pick;
  int best = 0;
  for (std::uint32_t i = 0; i < dir->count; ++i) {
    const ResourceEntry e = dir->entry(i);
    if (!id_matches(*dir, e.typeId, e.typeNameOffset, type)) continue;
    typeSeen = true;
    if (!id_matches(*dir, e.nameId, e.nameOffset, name)) continue;
    const int r = rank(e.language, wanted);
    if (!pick || r < best) pick = i, best = r;
  }
  if (!pick) {
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HRSRC>(const_cast<std::uint8_t*>(dir->entry_ptr(*pick)));
}

// The entry behind a handle, after checking that the handle is one of the module's entries.
std::optional<std::pair<Directory, ResourceEntry>> entry_of(HMODULE module, HRSRC resource) {
  auto dir = directory_of(module);
  if (!dir) return std::nullopt;
  const auto* p = reinterpret_cast<const std::uint8_t*>(resource);
  const auto* first = dir->entry_ptr(0);
  const auto* last = dir->entry_ptr(dir->count);
  if (p < first || p >= last || (p - first) % sizeof(ResourceEntry) != 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return std::nullopt;
  }
  return std::pair{*dir, dir->entry(static_cast<std::uint32_t>((p - first) / sizeof(ResourceEntry)))};
}

// A name field of a dialog template.
void put_name(Bytes& out, const ResourceId& id) {
  if (const auto* n = std::get_if<std::uint16_t>(&id)) {
    put16(out, 0xFFFF);
    put16(out, *n);
    return;
  }
  const auto& s = std::get<std::u16string>(id);
  put16(out, static_cast<std::uint16_t>(std::min<std::size_t>(s.size(), 0xFFFE)));
  for (std::size_t i = 0; i < std::min<std::size_t>(s.size(), 0xFFFE); ++i) put16(out, s[i]);
}

ResourceId get_name(Reader& r) {
  const std::uint16_t tag = r.u16();
  if (tag == 0xFFFF) return r.u16();
  return r.chars(tag);
}

}  // namespace

namespace win32 {

std::vector<std::uint8_t> encode_resource_directory(const std::vector<ResourceItem>& items) {
  Bytes out(sizeof(ResourceDirectoryHeader) + items.size() * sizeof(ResourceEntry), 0);
  std::vector<ResourceEntry> entries(items.size());
  auto place_id = [&](const ResourceId& id, std::uint32_t* number, std::uint32_t* offset) {
    if (const auto* n = std::get_if<std::uint16_t>(&id)) {
      *number = *n;
      *offset = 0;
      return;
    }
    pad_to(out, 2);
    *number = 0;
    *offset = static_cast<std::uint32_t>(out.size());
    const auto name = upper(std::get<std::u16string>(id));
    put16(out, static_cast<std::uint16_t>(name.size()));
    for (char16_t c : name) put16(out, c);
    put16(out, 0);
  };
  // Windows order: string ids before numbers; strings by code units, numbers ascending.
  auto id_less = [](const ResourceId& a, const ResourceId& b) {
    if (a.index() != b.index()) return a.index() > b.index();  // u16string (index 1) first
    return a < b;
  };
  std::vector<const ResourceItem*> sorted;
  for (const auto& item : items) sorted.push_back(&item);
  std::stable_sort(sorted.begin(), sorted.end(), [&](const ResourceItem* a, const ResourceItem* b) {
    if (a->type != b->type) return id_less(upper_id(a->type), upper_id(b->type));
    if (a->name != b->name) return id_less(upper_id(a->name), upper_id(b->name));
    return a->language < b->language;
  });
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    place_id(sorted[i]->type, &entries[i].typeId, &entries[i].typeNameOffset);
    place_id(sorted[i]->name, &entries[i].nameId, &entries[i].nameOffset);
    entries[i].language = sorted[i]->language;
  }
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    pad_to(out, 8);
    entries[i].dataOffset = static_cast<std::uint32_t>(out.size());
    entries[i].dataSize = static_cast<std::uint32_t>(sorted[i]->data.size());
    out.insert(out.end(), sorted[i]->data.begin(), sorted[i]->data.end());
  }
  pad_to(out, 8);
  ResourceDirectoryHeader h{{'W', '3', '2', 'R'}, 1, sizeof(ResourceEntry),
                            static_cast<std::uint32_t>(items.size()), static_cast<std::uint32_t>(out.size())};
  put_at(out, 0, &h, sizeof h);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    put_at(out, sizeof h + i * sizeof(ResourceEntry), &entries[i], sizeof(ResourceEntry));
  }
  return out;
}

std::optional<std::vector<ResourceItem>> decode_resource_directory(std::span<const std::uint8_t> bytes) {
  auto dir = check_directory(bytes);
  if (!dir) return std::nullopt;
  std::vector<ResourceItem> items;
  for (std::uint32_t i = 0; i < dir->count; ++i) {
    const ResourceEntry e = dir->entry(i);
    bool ok = true;
    ResourceItem item;
    item.type = e.typeNameOffset ? ResourceId(read_name(dir->bytes, e.typeNameOffset, &ok))
                                 : ResourceId(static_cast<std::uint16_t>(e.typeId));
    item.name = e.nameOffset ? ResourceId(read_name(dir->bytes, e.nameOffset, &ok))
                             : ResourceId(static_cast<std::uint16_t>(e.nameId));
    item.language = e.language;
    item.data.assign(dir->bytes.begin() + e.dataOffset, dir->bytes.begin() + e.dataOffset + e.dataSize);
    items.push_back(std::move(item));
  }
  return items;
}

std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> encode_string_blocks(
    const std::vector<std::pair<std::uint16_t, std::u16string>>& strings) {
  std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> blocks;
  std::vector<std::pair<std::uint16_t, std::u16string>> sorted = strings;
  std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < sorted.size();) {
    const std::uint16_t block = static_cast<std::uint16_t>(sorted[i].first / 16 + 1);
    std::u16string slot[16];
    for (; i < sorted.size() && sorted[i].first / 16 + 1 == block; ++i) slot[sorted[i].first % 16] = sorted[i].second;
    Bytes bytes;
    for (const auto& s : slot) {
      put16(bytes, static_cast<std::uint16_t>(s.size()));
      for (char16_t c : s) put16(bytes, c);
    }
    blocks.emplace_back(block, std::move(bytes));
  }
  return blocks;
}

std::vector<std::uint8_t> encode_dialog_template(const DialogTemplate& dialog) {
  Bytes out(sizeof(DialogTemplateHeader), 0);
  DialogTemplateHeader h = dialog.header;
  std::memcpy(h.magic, "DLGT", 4);
  h.version = 1;
  h.itemCount = static_cast<std::uint16_t>(dialog.items.size());
  put_at(out, 0, &h, sizeof h);
  put_name(out, dialog.menu);
  put_name(out, dialog.windowClass);
  put_name(out, dialog.caption);
  put_name(out, dialog.fontFace);
  pad_to(out, 4);
  for (const auto& item : dialog.items) {
    const std::size_t at = out.size();
    out.resize(at + sizeof(DialogItemHeader));
    put_at(out, at, &item.header, sizeof item.header);
    put_name(out, item.windowClass);
    put_name(out, item.text);
    put16(out, static_cast<std::uint16_t>(item.creationData.size()));
    out.insert(out.end(), item.creationData.begin(), item.creationData.end());
    pad_to(out, 4);
  }
  return out;
}

std::optional<DialogTemplate> decode_dialog_template(std::span<const std::uint8_t> bytes) {
  Reader r{bytes};
  DialogTemplate d;
  d.header = r.pod<DialogTemplateHeader>();
  if (!r.ok || std::memcmp(d.header.magic, "DLGT", 4) != 0 || d.header.version != 1) return std::nullopt;
  d.menu = get_name(r);
  d.windowClass = get_name(r);
  d.caption = get_name(r);
  const ResourceId face = get_name(r);
  if (const auto* s = std::get_if<std::u16string>(&face)) d.fontFace = *s;
  r.align(4);
  for (std::uint16_t i = 0; i < d.header.itemCount && r.ok; ++i) {
    DialogItem item;
    item.header = r.pod<DialogItemHeader>();
    item.windowClass = get_name(r);
    item.text = get_name(r);
    const std::uint16_t n = r.u16();
    if (r.need(n)) item.creationData.assign(bytes.begin() + r.at, bytes.begin() + r.at + n), r.at += n;
    r.align(4);
    d.items.push_back(std::move(item));
  }
  if (!r.ok) return std::nullopt;
  return d;
}

std::span<const std::uint8_t> resource_bytes(HMODULE module, LPCWSTR type, LPCWSTR name) {
  HRSRC res = FindResourceW(module, name, type);
  if (res == nullptr) return {};
  const void* data = LockResource(LoadResource(module, res));
  return {static_cast<const std::uint8_t*>(data), SizeofResource(module, res)};
}

}  // namespace win32

extern "C" HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
  return find(module, type, name, LANGIDFROMLCID(GetThreadLocale()), rank_thread);
}

extern "C" HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language) {
  return find(module, type, name, language, rank_explicit);
}

extern "C" HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  auto found = entry_of(module, resource);
  if (!found) return nullptr;
  return const_cast<std::uint8_t*>(found->first.bytes.data() + found->second.dataOffset);
}

extern "C" DWORD SizeofResource(HMODULE module, HRSRC resource) {
  auto found = entry_of(module, resource);
  return found ? found->second.dataSize : 0;
}

extern "C" LPVOID LockResource(HGLOBAL data) { return data; }

namespace {

// The type or name of an entry as the enumeration callbacks receive it.
LPWSTR atom(const Directory& dir, std::uint32_t id, std::uint32_t offset) {
  if (offset == 0) return MAKEINTRESOURCEW(static_cast<WORD>(id));
  return reinterpret_cast<LPWSTR>(const_cast<std::uint8_t*>(dir.bytes.data() + offset + 2));
}

bool same(const Directory& dir, std::uint32_t id, std::uint32_t offset, LPCWSTR other) {
  return id_matches(dir, id, offset, other);
}

// Walks the entries that `match` accepts, calling `visit` for each one whose `key` differs
// from the previous one (entries are sorted, so equal keys are adjacent).
std::pair<std::uint32_t, std::u16string> key_of(const Directory& dir, std::uint32_t id, std::uint32_t offset) {
  bool ok = true;
  return {id, offset ? read_name(dir.bytes, offset, &ok) : std::u16string()};
}

template <typename Match, typename Key, typename Visit>
BOOL walk(HMODULE module, Match match, Key key, Visit visit) {
  auto dir = directory_of(module);
  if (!dir) return FALSE;
  bool any = false;
  std::optional<std::pair<std::uint32_t, std::u16string>> last;
  for (std::uint32_t i = 0; i < dir->count; ++i) {
    const ResourceEntry e = dir->entry(i);
    if (!match(*dir, e)) continue;
    const auto k = key(*dir, e);
    if (last && *last == k) continue;
    last = k;
    any = true;
    if (!visit(*dir, e)) {
      SetLastError(ERROR_RESOURCE_ENUM_USER_STOP);
      return FALSE;
    }
  }
  if (!any) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
  return any ? TRUE : FALSE;
}

}  // namespace

extern "C" BOOL EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW proc, LONG_PTR param) {
  if (proc == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  return walk(
      module, [](const Directory&, const ResourceEntry&) { return true; },
      [](const Directory& dir, const ResourceEntry& e) { return key_of(dir, e.typeId, e.typeNameOffset); },
      [&](const Directory& dir, const ResourceEntry& e) { return proc(module, atom(dir, e.typeId, e.typeNameOffset), param) != FALSE; });
}

extern "C" BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW proc, LONG_PTR param) {
  if (proc == nullptr || type == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  return walk(
      module, [&](const Directory& dir, const ResourceEntry& e) { return same(dir, e.typeId, e.typeNameOffset, type); },
      [](const Directory& dir, const ResourceEntry& e) { return key_of(dir, e.nameId, e.nameOffset); },
      [&](const Directory& dir, const ResourceEntry& e) {
        return proc(module, type, atom(dir, e.nameId, e.nameOffset), param) != FALSE;
      });
}

extern "C" BOOL EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW proc, LONG_PTR param) {
  if (proc == nullptr || type == nullptr || name == nullptr) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  return walk(
      module,
      [&](const Directory& dir, const ResourceEntry& e) {
        return same(dir, e.typeId, e.typeNameOffset, type) && same(dir, e.nameId, e.nameOffset, name);
      },
      [](const Directory&, const ResourceEntry& e) { return std::pair{std::uint32_t{e.language}, std::u16string()}; },
      [&](const Directory&, const ResourceEntry& e) { return proc(module, type, name, e.language, param) != FALSE; });
}

extern "C" int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size) {
  if (buffer == nullptr || size < 0 || id > 0xFFFF) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (size > 0) buffer[0] = 0;
  HRSRC res = FindResourceW(instance, MAKEINTRESOURCEW(static_cast<WORD>(id / 16 + 1)), RT_STRING);
  if (res == nullptr) return 0;
  const auto* data = static_cast<const std::uint8_t*>(LoadResource(instance, res));
  Reader r{{data, SizeofResource(instance, res)}};
  for (UINT i = 0; i < id % 16; ++i) {
    const std::uint16_t n = r.u16();
    r.need(std::size_t{n} * 2);
    r.at += r.ok ? std::size_t{n} * 2 : 0;
  }
  const std::uint16_t n = r.u16();
  if (!r.ok || !r.need(std::size_t{n} * 2)) {
    SetLastError(ERROR_INVALID_DATA);
    return 0;
  }
  if (n == 0) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  const auto* text = reinterpret_cast<LPCWSTR>(data + r.at);  // even offset in a data block aligned to 8
  if (size == 0) {
    *reinterpret_cast<LPCWSTR*>(buffer) = text;
    return n;
  }
  const int copied = std::min<int>(n, size - 1);
  std::memcpy(buffer, text, static_cast<std::size_t>(copied) * 2);
  buffer[copied] = 0;
  return copied;
}
