// The user paper stores in "KELD.INI": reading them into the process's blocks, merging the
// regional predefined papers, and the queries on the blocks.
//
// The file is edited by hand and by older driver versions, so every number read from it is
// checked: identifiers outside the store's range, repeated identifiers and papers whose line
// is missing are left out of the block rather than turned into phantom papers.
#include "keld/user_paper_store.h"

#include <win32/profile.h>
#include <win32/text.h>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace keld {
namespace {

std::mutex g_mutex;
UserPaperStore g_papers;
UserLongPaperStore g_longs;

// The shape of one store: where it lives and which identifiers it may hold.
struct StoreKind {
  LPCWSTR section;
  int first, last;
  SHORT base;
  int capacity() const { return last - first + 1; }
  bool holds(int id) const { return id >= first && id <= last; }
};
constexpr StoreKind kPaperKind{kUserPaperSection, kFirstUserPaperId, kLastUserPaperId, kUserPaperBaseId};
constexpr StoreKind kLongKind{kUserLongSection, kFirstUserLongId, kLastUserLongId, kUserLongBaseId};

bool is_blank(char16_t c) { return c == u' ' || c == u'\t'; }

// A profile value of any length; nullopt when the key is missing or empty.
std::u16string read_value(LPCWSTR section, std::u16string const& key, LPCWSTR file) {
  std::u16string buffer(512, u'\0');
  for (;;) {
    DWORD n = GetPrivateProfileStringW(section, key.c_str(), u"", buffer.data(),
                                       static_cast<DWORD>(buffer.size()), file);
    if (n + 1 < buffer.size()) {
      buffer.resize(n);
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

int read_count(LPCWSTR section, LPCWSTR file, StoreKind const& kind) {
  auto n = static_cast<INT>(GetPrivateProfileIntW(section, u"numDefine", 0, file));
  return std::clamp(n, 0, kind.capacity());
}

// The identifiers of a "PaperEntry" that belong to the store, each once.
std::vector<int> read_entry(LPCWSTR section, LPCWSTR file, StoreKind const& kind) {
  int limit = read_count(section, file, kind);
  std::vector<int> ids;
  for (int id : ParsePaperEntry(read_value(section, u"PaperEntry", file), limit))
    if (kind.holds(id) && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
  return ids;
}

// The comma-separated items of a line after the name.
std::vector<std::u16string_view> split_items(std::u16string_view line) {
  std::vector<std::u16string_view> items;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = line.find(u',', start);
    items.push_back(line.substr(start, comma == std::u16string_view::npos ? comma : comma - start));
    if (comma == std::u16string_view::npos) return items;
    start = comma + 1;
  }
}

// Sign and decimal digits after optional blanks; anything else ends the number (none: 0).
long parse_number(std::u16string_view item) {
  std::size_t i = 0;
  while (i < item.size() && is_blank(item[i])) ++i;
  bool negative = false;
  if (i < item.size() && (item[i] == u'-' || item[i] == u'+')) negative = item[i++] == u'-';
  long value = 0;
  for (; i < item.size() && item[i] >= u'0' && item[i] <= u'9'; ++i)
    value = std::min(value * 10 + (item[i] - u'0'), 0x7FFFFFFFL);
  return negative ? -value : value;
}

SHORT to_short(long v) { return static_cast<SHORT>(std::clamp(v, -32768L, 32767L)); }
LONG to_long(long v) { return static_cast<LONG>(v); }

void copy_name(WCHAR (&dest)[40], std::u16string_view name) {
  std::memset(dest, 0, sizeof dest);
  name = name.substr(0, std::min(name.find(u'\0'), name.size()));
  std::size_t n = std::min<std::size_t>(name.size(), kUserPaperNameChars);
  std::copy_n(name.data(), n, dest);
}

std::u16string_view name_of(WCHAR const (&name)[40]) {
  return std::u16string_view(name, std::find(name, name + 40, u'\0') - name);
}

std::u16string to_text(long v) { return win32::to_utf16(std::to_string(v)); }

template <class Store, class Record, class Parse>
Store load_store(StoreKind const& kind, Parse parse) {
  Store store;
  store.header.highestId = kind.base;
  for (int id : read_entry(kind.section, kUserPaperFile, kind)) {
    std::u16string line = read_value(kind.section, UserPaperKey(id), kUserPaperFile);
    if (line.empty()) continue;
    store.papers.push_back(parse(static_cast<SHORT>(id), line));
    store.header.highestId = std::max<SHORT>(store.header.highestId, static_cast<SHORT>(id));
  }
  store.header.count = static_cast<SHORT>(store.papers.size());
  return store;
}

int merge_regional(StoreKind const& kind, LPCWSTR regional) {
  if (regional == nullptr || read_count(kind.section, regional, kind) == 0) return 0;
  std::vector<int> ids = read_entry(kind.section, kUserPaperFile, kind);
  for (int id : read_entry(kind.section, regional, kind)) {
    std::u16string line = read_value(kind.section, UserPaperKey(id), regional);
    if (line.empty()) continue;
    bool listed = std::find(ids.begin(), ids.end(), id) != ids.end();
    // A paper the user already keeps under this identifier stays as it is.
    if (listed && !read_value(kind.section, UserPaperKey(id), kUserPaperFile).empty()) continue;
    WritePrivateProfileStringW(kind.section, UserPaperKey(id).c_str(), line.c_str(), kUserPaperFile);
    if (!listed) ids.push_back(id);
  }
  WritePrivateProfileStringW(kind.section, u"PaperEntry", FormatPaperEntry(ids).c_str(), kUserPaperFile);
  WritePrivateProfileStringW(kind.section, u"numDefine", to_text(static_cast<long>(ids.size())).c_str(),
                             kUserPaperFile);
  return 1;
}

bool within(FreeSizeLimits const& l, int width, int length, int minLength) {
  return width >= l.wMinWidthMM && width <= l.wMaxWidthMM && length >= minLength && length <= l.wMaxLengthMM;
}

template <class T>
void put(void* out, std::size_t index, T const& value) {
  if (out) std::memcpy(static_cast<char*>(out) + index * sizeof(T), &value, sizeof(T));
}

void put_text(void* out, std::size_t index, std::size_t chars, std::u16string_view text) {
  if (!out) return;
  std::vector<WCHAR> buf(chars, u'\0');
  win32::copy_truncated(text, buf.data(), chars);
  std::memcpy(static_cast<char*>(out) + index * chars * sizeof(WCHAR), buf.data(), chars * sizeof(WCHAR));
}

// Long papers are never envelopes.
SHORT envelope_of(UserPaperRecord const& r) { return r.envelope; }
SHORT envelope_of(UserLongPaperRecord const&) { return 0; }

// Writes the element of one paper for a request at position index of out.
template <class Record>
void write_element(DWORD what, void* out, std::size_t index, Record const& r) {
  auto name = name_of(r.name);
  switch (what) {
    case kUdId: put(out, index, r.id); break;
    case kUdDisplayName:
      put_text(out, index, kUdDisplayNameChars, UserPaperDisplayName(name, r.width, r.length, r.unit == 1));
      break;
    case kUdIdName: {
      UdIdName e{};
      e.id = r.id;
      win32::copy_truncated(UserPaperDisplayName(name, r.width, r.length, r.unit == 1), e.name, kUdDisplayNameChars);
      put(out, index, e);
      break;
    }
    case kUdSize: put(out, index, UdSize{r.width, r.length}); break;
    case kUdIdSize: put(out, index, UdIdSize{r.id, r.width, r.length}); break;
    case kUdRecord: put(out, index, r); break;
    case kUdIdRecord: {
      if (!out) break;
      char* p = static_cast<char*>(out) + index * (sizeof(SHORT) + sizeof(Record));
      std::memcpy(p, &r.id, sizeof(SHORT));
      std::memcpy(p + sizeof(SHORT), &r, sizeof(Record));
      break;
    }
    case kUdEnvelope: put(out, index, static_cast<SHORT>(envelope_of(r))); break;
    case kUdIdEnvelope: put(out, index, UdIdValue{r.id, static_cast<SHORT>(envelope_of(r))}); break;
    case kUdSizeLong: put(out, index, UdSizeLong{r.width, r.length}); break;
    case kUdIdSizeLong: put(out, index, UdIdSizeLong{r.id, r.width, r.length}); break;
    case kUdName: put_text(out, index, kUdShortNameChars, name); break;
    case kUdUnit: put(out, index, r.unit); break;
    default: break;
  }
}

template <class Store>
LONG query(Store const& store, FreeSizeLimits const& limits, int minLength, DWORD request, void* out, int id) {
  DWORD what = request & 0xFF;
  if (what == kUdHighestId) {
    put(out, 0, store.header.highestId);
    return store.header.highestId;
  }
  auto const& papers = store.papers;
  if (id != 0) {
    auto it = std::find_if(papers.begin(), papers.end(), [&](auto const& r) { return r.id == id; });
    if (it == papers.end()) return -1;
    write_element(what, out, 0, *it);
    auto next = it + 1;
    DWORD result = next == papers.end() ? 0 : static_cast<DWORD>(static_cast<WORD>(next->id));
    if (!within(limits, it->width, it->length, minLength)) result |= 0x80000000u;
    return static_cast<LONG>(result);
  }
  LONG count = 0;
  for (auto const& r : papers) {
    bool inside = within(limits, r.width, r.length, minLength);
    bool selected = (request & kUdAll) ? true : (request & kUdViolating) ? !inside : inside;
    if (!selected) continue;
    write_element(what, out, static_cast<std::size_t>(count), r);
    ++count;
  }
  return count;
}

}  // namespace

// ---- Profile lines ---------------------------------------------------------------------------

std::vector<int> ParsePaperEntry(std::u16string_view text, int limit) {
  std::vector<int> ids;
  std::size_t i = 0;
  while (static_cast<int>(ids.size()) < limit) {
    while (i < text.size() && is_blank(text[i])) ++i;
    std::size_t start = i;
    if (i < text.size() && text[i] == u'-') ++i;
    while (i < text.size() && text[i] >= u'0' && text[i] <= u'9') ++i;
    if (i == start || (i == start + 1 && text[start] == u'-')) break;  // not a number
    ids.push_back(static_cast<int>(parse_number(text.substr(start, i - start))));
    while (i < text.size() && is_blank(text[i])) ++i;
    if (i >= text.size() || text[i] != u',') break;
    ++i;
  }
  return ids;
}

std::u16string FormatPaperEntry(std::vector<int> const& ids) {
  std::u16string text;
  for (int id : ids) text += to_text(id) + u",";
  return text;
}

std::u16string UserPaperKey(int id) { return u"Paper" + to_text(id); }

UserPaperRecord ParseUserPaperLine(SHORT id, std::u16string_view line) {
  UserPaperRecord r{};
  r.id = id;
  auto items = split_items(line);
  copy_name(r.name, items[0]);
  auto num = [&](std::size_t k) { return k < items.size() ? parse_number(items[k]) : 0L; };
  r.width = to_short(num(1));
  r.length = to_short(num(2));
  r.envelope = num(3) != 0 ? 1 : 0;
  r.unit = num(4) == 1 ? 1 : 0;
  return r;
}

UserLongPaperRecord ParseUserLongLine(SHORT id, std::u16string_view line) {
  UserLongPaperRecord r{};
  r.id = id;
  auto items = split_items(line);
  copy_name(r.name, items[0]);
  auto num = [&](std::size_t k) { return k < items.size() ? parse_number(items[k]) : 0L; };
  r.width = to_short(num(1));
  r.length = to_short(num(2));
  r.further = to_short(num(3));
  // The unit item counts as inches when it begins with the digit 1.
  r.unit = items.size() > 4 && !items[4].empty() && items[4][0] == u'1' ? 1 : 0;
  r.printMode = to_short(num(5));
  r.adjMode = to_short(num(6));
  r.paperCut = to_short(num(7));
  r.startDots = to_long(num(8));
  r.cutDots = to_long(num(9));
  r.marginDots = to_long(num(10));
  r.startMil = to_long(num(11));
  r.cutMil = to_long(num(12));
  r.marginMil = to_long(num(13));
  return r;
}

std::u16string FormatUserPaperLine(UserPaperRecord const& p) {
  return std::u16string(name_of(p.name)) + u"," + to_text(p.width) + u"," + to_text(p.length) + u"," +
         to_text(p.envelope) + u"," + to_text(p.unit);
}

std::u16string FormatUserLongLine(UserLongPaperRecord const& p) {
  std::u16string line(name_of(p.name));
  for (long v : {long{p.width}, long{p.length}, long{p.further}, long{p.unit}, long{p.printMode}, long{p.adjMode},
                 long{p.paperCut}, long{p.startDots}, long{p.cutDots}, long{p.marginDots}, long{p.startMil},
                 long{p.cutMil}, long{p.marginMil}})
    line += u"," + to_text(v);
  return line;
}

// ---- Loading ---------------------------------------------------------------------------------

int ReloadUDPInfo() {
  win32::profile_flush_cache();
  auto store = load_store<UserPaperStore, UserPaperRecord>(kPaperKind, ParseUserPaperLine);
  std::lock_guard lock(g_mutex);
  g_papers = std::move(store);
  return g_papers.header.count;
}

int ReloadUDLInfo() {
  win32::profile_flush_cache();
  auto store = load_store<UserLongPaperStore, UserLongPaperRecord>(kLongKind, ParseUserLongLine);
  std::lock_guard lock(g_mutex);
  g_longs = std::move(store);
  return g_longs.header.count;
}

int SetUDP_Read(LPCWSTR regionalFile) { return merge_regional(kPaperKind, regionalFile); }
int SetUDL_Read(LPCWSTR regionalFile) { return merge_regional(kLongKind, regionalFile); }

UserPaperStore GetUserPaperStore() {
  std::lock_guard lock(g_mutex);
  return g_papers;
}

UserLongPaperStore GetUserLongPaperStore() {
  std::lock_guard lock(g_mutex);
  return g_longs;
}

void SetUserPaperStore(UserPaperStore store) {
  store.header.count = static_cast<SHORT>(store.papers.size());
  std::lock_guard lock(g_mutex);
  g_papers = std::move(store);
}

void SetUserLongPaperStore(UserLongPaperStore store) {
  store.header.count = static_cast<SHORT>(store.papers.size());
  std::lock_guard lock(g_mutex);
  g_longs = std::move(store);
}

// ---- Queries ---------------------------------------------------------------------------------

LONG QueryUDPInfo(FreeSizeLimits const& limits, DWORD request, void* out, int id) {
  UserPaperStore store = GetUserPaperStore();
  return query(store, limits, limits.wMinLengthMM, request, out, id);
}

LONG QueryUDLInfo(FreeSizeLimits const& limits, DWORD request, void* out, int id) {
  UserLongPaperStore store = GetUserLongPaperStore();
  return query(store, limits, kUserLongMinLength, request, out, id);
}

std::size_t UdElementSize(DWORD request, bool longStore) {
  switch (request & 0xFF) {
    case kUdId: case kUdEnvelope: case kUdUnit: return sizeof(SHORT);
    case kUdDisplayName: return kUdDisplayNameChars * sizeof(WCHAR);
    case kUdIdName: return sizeof(UdIdName);
    case kUdSize: return sizeof(UdSize);
    case kUdIdSize: return sizeof(UdIdSize);
    case kUdRecord: return longStore ? sizeof(UserLongPaperRecord) : sizeof(UserPaperRecord);
    case kUdIdRecord: return sizeof(SHORT) + (longStore ? sizeof(UserLongPaperRecord) : sizeof(UserPaperRecord));
    case kUdIdEnvelope: return sizeof(UdIdValue);
    case kUdSizeLong: return sizeof(UdSizeLong);
    case kUdIdSizeLong: return sizeof(UdIdSizeLong);
    case kUdName: return kUdShortNameChars * sizeof(WCHAR);
    default: return 0;
  }
}

// ---- Display ---------------------------------------------------------------------------------

std::u16string FormatTenthsMm(int tenths) {
  std::u16string sign = tenths < 0 ? u"-" : u"";
  int v = tenths < 0 ? -tenths : tenths;
  return sign + to_text(v / 10) + u"." + to_text(v % 10);
}

std::u16string FormatHundredthsIn(int tenths) {
  std::u16string sign = tenths < 0 ? u"-" : u"";
  long v = tenths < 0 ? -tenths : tenths;
  long hundredths = (v * 100 + 127) / 254;
  std::u16string frac = to_text(hundredths % 100);
  if (frac.size() < 2) frac = u"0" + frac;
  return sign + to_text(hundredths / 100) + u"." + frac;
}

std::u16string UserPaperDisplayName(std::u16string_view name, int width, int length, bool inch) {
  std::u16string text(name);
  text += u" ";
  text += inch ? FormatHundredthsIn(width) : FormatTenthsMm(width);
  text += u" x ";
  text += inch ? FormatHundredthsIn(length) + u"in" : FormatTenthsMm(length) + u"mm";
  return text;
}

}  // namespace keld
