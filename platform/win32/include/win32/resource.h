// Resources: typed, named blobs that a module carries (strings, dialogs, bitmaps, tables).
//
// The resource compiler w32rc turns a text script into one exported, read-only array per
// module, `W32ResourceDirectory`; FindResourceW and its kin read that array through the module
// handle. The array is trusted no further than its ELF symbol size: every offset and length in
// it is checked against that size before use, and a directory that does not check out is
// reported as ERROR_INVALID_DATA, never read past its end.
//
// Directory layout (little-endian, offsets from the start of the array):
//   header   16 bytes  ResourceDirectoryHeader
//   entries  count x 28 bytes  ResourceEntry, right after the header
//   names    a name is a WORD character count followed by that many UTF-16 units and a NUL
//            unit, stored in upper case (names compare without regard to ASCII case); at an
//            even offset
//   data     each resource's bytes, at an offset that is a multiple of 8
// A type or name is either a number (1..65535; the offset field is 0) or a string (the number
// field is 0 and the offset field points at the name). Entries are sorted as the enumeration
// calls report them: by type, then name, then language; string types and names come before
// numbered ones (strings in code-unit order, numbers ascending).
//
// Resource data formats:
//   RT_STRING   blocks of 16 strings: string `id` lives in block (id / 16) + 1 at index id % 16;
//               a block is 16 times (WORD length, length UTF-16 units, no terminator); an
//               absent string has length 0.
//   RT_BITMAP   a .bmp file without its 14-byte file header (the info header first).
//   RT_DIALOG   the template layout below (DialogTemplateHeader ...).
//   RT_RCDATA and numbered custom types: the bytes as the script gives them.
#pragma once

#include "win32/base.h"
#include "win32/locale.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

// A resource type or name given as a number travels in the pointer itself, as on Windows.
inline LPWSTR MAKEINTRESOURCEW(WORD id) { return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(id)); }
inline bool IS_INTRESOURCE(LPCWSTR p) { return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0; }

inline LPWSTR const RT_BITMAP = MAKEINTRESOURCEW(2);
inline LPWSTR const RT_DIALOG = MAKEINTRESOURCEW(5);
inline LPWSTR const RT_STRING = MAKEINTRESOURCEW(6);
inline LPWSTR const RT_RCDATA = MAKEINTRESOURCEW(10);
inline LPWSTR const RT_VERSION = MAKEINTRESOURCEW(16);

inline constexpr LONG ERROR_RESOURCE_ENUM_USER_STOP = 15106;

// Enumeration callbacks: return TRUE to go on. Names and types are integer atoms or
// NUL-terminated upper-case strings that stay valid while the module is loaded.
using ENUMRESTYPEPROCW = BOOL (*)(HMODULE module, LPWSTR type, LONG_PTR param);
using ENUMRESNAMEPROCW = BOOL (*)(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param);
using ENUMRESLANGPROCW = BOOL (*)(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param);

inline constexpr WORD LANG_NEUTRAL = 0;

extern "C" {
// Lookup in the calling thread's language (GetThreadLocale): that language, then another of
// its primary language, then neutral, then U.S. English, then the first of any language.
// LoadStringW looks up the same way, so switching the thread locale switches the language
// of a module that carries several.
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
// The given language first, then neutral, then the first of any language.
HRSRC FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
DWORD SizeofResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
// Copies string `id` into `buffer` (at most size - 1 units, terminated) and returns the number
// of units copied; 0 when the string does not exist. With size 0 the string is not copied:
// `buffer` receives a read-only pointer to it (not terminated) and its length is returned.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);
// Each distinct type, name (of one type) or language (of one resource) once, in directory
// order. FALSE when there is nothing to enumerate (the lookup's error) or when a callback
// stopped the walk (ERROR_RESOURCE_ENUM_USER_STOP).
BOOL EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW proc, LONG_PTR param);
BOOL EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW proc, LONG_PTR param);
BOOL EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW proc, LONG_PTR param);
}

namespace win32 {

inline constexpr const char* kResourceDirectorySymbol = "W32ResourceDirectory";

#pragma pack(push, 1)
struct ResourceDirectoryHeader {
  char magic[4];        // "W32R"
  std::uint16_t version;  // 1
  std::uint16_t entrySize;  // 28
  std::uint32_t count;
  std::uint32_t totalSize;  // bytes of the whole directory
};
struct ResourceEntry {
  std::uint32_t typeId;
  std::uint32_t typeNameOffset;
  std::uint32_t nameId;
  std::uint32_t nameOffset;
  std::uint32_t dataOffset;
  std::uint32_t dataSize;
  std::uint16_t language;
  std::uint16_t reserved;
};
#pragma pack(pop)
static_assert(sizeof(ResourceDirectoryHeader) == 16 && offsetof(ResourceDirectoryHeader, count) == 8 &&
              offsetof(ResourceDirectoryHeader, totalSize) == 12);
static_assert(sizeof(ResourceEntry) == 28 && offsetof(ResourceEntry, dataOffset) == 16 &&
              offsetof(ResourceEntry, language) == 24);

// A resource type or name: a number or an (upper-case) string.
using ResourceId = std::variant<std::uint16_t, std::u16string>;

struct ResourceItem {
  ResourceId type;
  ResourceId name;
  std::uint16_t language = 0;
  std::vector<std::uint8_t> data;
};

// Encoder and decoder of the directory layout above. The decoder checks everything and
// returns nothing for a directory that is corrupt.
std::vector<std::uint8_t> encode_resource_directory(const std::vector<ResourceItem>& items);
std::optional<std::vector<ResourceItem>> decode_resource_directory(std::span<const std::uint8_t> bytes);

// String table blocks: `strings` maps id -> text; the result maps block number -> block bytes.
std::vector<std::pair<std::uint16_t, std::vector<std::uint8_t>>> encode_string_blocks(
    const std::vector<std::pair<std::uint16_t, std::u16string>>& strings);

// Dialog templates (RT_DIALOG).
//
//   DialogTemplateHeader (36 bytes), then four name fields: menu, window class, caption,
//   font face; padding to a multiple of 4 from the template start; then `itemCount` items,
//   each: DialogItemHeader (24 bytes), name fields window class and text, a WORD count of
//   creation-data bytes and those bytes, padding to a multiple of 4.
//   A name field is either 0xFFFF followed by a WORD ordinal, or a WORD character count n
//   followed by n UTF-16 units (n = 0: no name). Predefined control classes are ordinals:
//   0x80 button, 0x81 edit, 0x82 static, 0x83 list box, 0x84 scroll bar, 0x85 combo box.
#pragma pack(push, 1)
struct DialogTemplateHeader {
  char magic[4];  // "DLGT"
  std::uint16_t version;  // 1
  std::uint16_t itemCount;
  std::uint32_t style;
  std::uint32_t exStyle;
  std::uint32_t helpId;
  std::int16_t x, y, cx, cy;  // dialog units
  std::uint16_t pointSize;  // 0: no FONT statement
  std::uint16_t weight;
  std::uint8_t italic;
  std::uint8_t charset;
  std::uint16_t flags;  // bit 0: written as DIALOGEX
};
struct DialogItemHeader {
  std::uint32_t id;
  std::uint32_t style;
  std::uint32_t exStyle;
  std::uint32_t helpId;
  std::int16_t x, y, cx, cy;
};
#pragma pack(pop)
static_assert(sizeof(DialogTemplateHeader) == 36 && offsetof(DialogTemplateHeader, style) == 8 &&
              offsetof(DialogTemplateHeader, x) == 20 && offsetof(DialogTemplateHeader, pointSize) == 28 &&
              offsetof(DialogTemplateHeader, flags) == 34);
static_assert(sizeof(DialogItemHeader) == 24 && offsetof(DialogItemHeader, x) == 16);

inline constexpr std::uint16_t kDialogEx = 0x0001;

struct DialogItem {
  DialogItemHeader header{};
  ResourceId windowClass;
  ResourceId text;
  std::vector<std::uint8_t> creationData;
};

struct DialogTemplate {
  DialogTemplateHeader header{};  // magic, version and itemCount are set by the encoder
  ResourceId menu = std::u16string();
  ResourceId windowClass = std::u16string();
  ResourceId caption = std::u16string();
  std::u16string fontFace;
  std::vector<DialogItem> items;
};

std::vector<std::uint8_t> encode_dialog_template(const DialogTemplate& dialog);
std::optional<DialogTemplate> decode_dialog_template(std::span<const std::uint8_t> bytes);

// The bytes of a resource (empty span when missing), for callers that want the whole blob.
std::span<const std::uint8_t> resource_bytes(HMODULE module, LPCWSTR type, LPCWSTR name);

}  // namespace win32
