// Parsing and printing GUIDs in the registry's braced text form.
#include "win32/guid.h"

#include "win32/com.h"

namespace {

// Character positions of the dashes in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
constexpr std::size_t kGuidTextLength = 38;
constexpr std::size_t kDashes[] = {9, 14, 19, 24};

int hex_value(char32_t c) {
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}

template <typename Char>
std::optional<GUID> parse(std::basic_string_view<Char> text) {
  if (text.size() != kGuidTextLength || text.front() != '{' || text.back() != '}')
    return std::nullopt;
  for (std::size_t dash : kDashes)
    if (text[dash] != '-') return std::nullopt;
  // The 32 hex digits, in order, skipping braces and dashes.
  BYTE bytes[16] = {};
  std::size_t digit = 0;
  for (std::size_t i = 1; i + 1 < text.size(); ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) continue;
    int v = hex_value(static_cast<char32_t>(text[i]));
    if (v < 0) return std::nullopt;
    bytes[digit / 2] = static_cast<BYTE>(bytes[digit / 2] << 4 | v);
    ++digit;
  }
  GUID g{};
  g.Data1 = DWORD(bytes[0]) << 24 | DWORD(bytes[1]) << 16 | DWORD(bytes[2]) << 8 | bytes[3];
  g.Data2 = static_cast<WORD>(bytes[4] << 8 | bytes[5]);
  g.Data3 = static_cast<WORD>(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  return g;
}

std::u16string_view view_of(LPCOLESTR text) {
  if (!text) return {};
  std::size_t n = 0;
  while (n <= kGuidTextLength && text[n]) ++n;  // never read far past a valid length
  return {text, n};
}

}  // namespace

namespace win32 {

std::optional<GUID> parse_guid(std::u16string_view text) { return parse(text); }
std::optional<GUID> parse_guid(std::string_view text) { return parse(text); }

std::string guid_text_utf8(REFGUID g) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(kGuidTextLength);
  auto put = [&](unsigned long long v, int digits) {
    for (int i = digits - 1; i >= 0; --i) out.push_back(hex[(v >> (4 * i)) & 0xF]);
  };
  out.push_back('{');
  put(g.Data1, 8);
  out.push_back('-');
  put(g.Data2, 4);
  out.push_back('-');
  put(g.Data3, 4);
  out.push_back('-');
  put(g.Data4[0], 2);
  put(g.Data4[1], 2);
  out.push_back('-');
  for (int i = 2; i < 8; ++i) put(g.Data4[i], 2);
  out.push_back('}');
  return out;
}

std::u16string guid_text(REFGUID g) {
  std::string narrow = guid_text_utf8(g);
  return std::u16string(narrow.begin(), narrow.end());
}

}  // namespace win32

extern "C" int StringFromGUID2(REFGUID guid, LPOLESTR text, int size) {
  if (!text || size < static_cast<int>(kGuidTextLength + 1)) return 0;
  std::u16string s = win32::guid_text(guid);
  s.copy(text, s.size());
  text[s.size()] = 0;
  return static_cast<int>(s.size() + 1);
}

extern "C" HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid) {
  if (!clsid) return E_INVALIDARG;
  auto g = win32::parse_guid(view_of(text));
  if (!g) return CO_E_CLASSSTRING;
  *clsid = *g;
  return NOERROR;
}

extern "C" HRESULT IIDFromString(LPCOLESTR text, LPIID iid) {
  if (!iid) return E_INVALIDARG;
  auto g = win32::parse_guid(view_of(text));
  if (!g) return E_INVALIDARG;
  *iid = *g;
  return NOERROR;
}
