// The printer's resident (device) fonts, as the driver data file lists them.
//
// The driver data file carries the list as resource type 272, name 1: a DWORD count, a DWORD
// byte size, `count` 52-byte DeviceFontRecord (keld/data_resources.h) and the UTF-16 names
// they point at. The resource must be exactly byte size + 8 bytes long; anything else is a
// broken file and gives no object at all.
//
// A device-font object holds its own copy of the list. Two fields of each record are filled
// at load time, and both hold small numbers rather than addresses, so a record can be copied
// or handed to the other module without dangling:
//   - offset 0 (name): stays the offset of the name from the start of the copied resource;
//     DevFontName resolves it.
//   - offset 20 (substitution link): 1 + the index of the model's font-substitution default
//     whose printer font name equals the font's name (ASCII case ignored), 0 for none;
//     DevFontSubstitution resolves it against the model entry given at construction.
//   - offset 24 (rendering role only): 1 + the index of the font's metrics copy (resource
//     type 258 named by the record's metricsId), 0 when the module has none; DevFontMetrics
//     resolves it.
// Records of code page 932 are dropped unless the system's ANSI code page is 932. In the
// rendering role the object also carries the substitution list (type 373, name 2, same
// layout) that the text output uses to replace document fonts.
#pragma once

// The record layouts come with the data set that carries the resources.
#include "keld/data_resources.h"

#include <win32/base.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace keld {

struct ModelEntry;
struct FontSubstEntry;

// One font-list resource as copied: the resource as UTF-16 units (names are read from it;
// a record's name offset counts bytes from its start) and the records that were kept.
struct DevFontList {
  std::vector<char16_t> resource;
  std::vector<DeviceFontRecord> records;
};

struct DevFontObject {
  DevFontList fonts;                                // type 272, name 1
  ModelEntry const* entry = nullptr;                // substitution defaults of the links
  std::vector<std::vector<std::uint8_t>> metrics;   // rendering role: metrics copies
  DevFontList substitutes;                          // rendering role: type 373, name 2
};

// Checks and copies a font-list resource. nullopt when the size is not byte size + 8, the
// records do not fit in byte size, or a name is at an odd offset, lies outside the resource
// or is unterminated.
// With `dropCodePage932` the records of code page 932 are left out.
std::optional<DevFontList> ParseDevFontList(std::span<std::uint8_t const> resource, bool dropCodePage932);

// The name of a record of `list` (empty when the offset does not resolve).
std::u16string_view DevFontListName(DevFontList const& list, DeviceFontRecord const& record);

// Loads the device fonts of the driver data file `dataFile` (the driver's pDataFile: a path or
// a module name) for the model `entry` (may be null: no substitution links). Returns a new
// object, or null when the file, the resource or memory is missing or the resource is broken.
DevFontObject* ConstructDataObject(LPCWSTR dataFile, ModelEntry const* entry);
void DestructDataObject(DevFontObject* object);

// Number of kept fonts (-1 without an object) and their records (null without an object).
int GetDevFontCount(DevFontObject const* object);
DeviceFontRecord const* GetDevFontTable(DevFontObject const* object);

// Resolvers of the load-time fields of a record of the object's font list.
std::u16string_view DevFontName(DevFontObject const* object, DeviceFontRecord const& record);
FontSubstEntry const* DevFontSubstitution(DevFontObject const* object, DeviceFontRecord const& record);
// The TrueType face name of the linked substitution default (empty without a link).
std::u16string_view DevFontSubstitutionFace(DevFontObject const* object, DeviceFontRecord const& record);
std::span<std::uint8_t const> DevFontMetrics(DevFontObject const* object, DeviceFontRecord const& record);

}  // namespace keld
