// Globally unique identifiers: the 16-byte GUID and its CLSID and IID roles.
//
// A GUID names a class or an interface in the registry and in every object request. Its memory
// image is a contract (it is passed by address across module boundaries and written into the
// registry as text), so the layout is pinned: Data1, Data2, Data3 little-endian, Data4 as bytes.
// The text form is the registry's: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", hex digits of
// either case on input, upper case on output.
#pragma once

#include "win32/base.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];

  friend constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
      if (a.Data4[i] != b.Data4[i]) return false;
    return true;
  }
};
static_assert(sizeof(GUID) == 16);
static_assert(offsetof(GUID, Data1) == 0 && offsetof(GUID, Data2) == 4);
static_assert(offsetof(GUID, Data3) == 6 && offsetof(GUID, Data4) == 8);

using CLSID = GUID;
using IID = GUID;
using REFGUID = const GUID&;
using REFCLSID = const GUID&;
using REFIID = const GUID&;
using LPCLSID = CLSID*;
using LPIID = IID*;
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;

inline constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

extern "C" {
// Text of `guid` into `text` (39 characters with the terminator). Returns the characters
// written including the terminator, or 0 when `size` is too small (nothing written).
int StringFromGUID2(REFGUID guid, LPOLESTR text, int size);
// Parse the braced text form. NOERROR, or CO_E_CLASSSTRING (CLSID) / E_INVALIDARG (IID).
HRESULT CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
HRESULT IIDFromString(LPCOLESTR text, LPIID iid);
}

namespace win32 {

// Braced form; nullopt for anything else (wrong length, missing braces or dashes, non-hex).
std::optional<GUID> parse_guid(std::u16string_view text);
std::optional<GUID> parse_guid(std::string_view text);
std::u16string guid_text(REFGUID guid);
std::string guid_text_utf8(REFGUID guid);

}  // namespace win32
