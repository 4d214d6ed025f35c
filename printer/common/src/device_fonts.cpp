// Device-font lists from the driver data file.
//
// The list resource is trusted no further than its own header: the size must be exactly
// byte size + 8, every record must lie within byte size, and every name must start inside
// the resource and end with a NUL before its end. A list that fails any of these gives no
// object, so no later reader can walk off a copy.
#include "keld/device_fonts.h"

#include "device_fonts_links.h"
#include "keld/data_role.h"

#include <win32/locale.h>
#include <win32/module.h>
#include <win32/resource.h>
#include <win32/text.h>

#include <cstring>
#include <new>

namespace keld {
namespace {

constexpr WORD kFontListName = 1;
constexpr WORD kSubstituteListName = 2;
constexpr WORD kJapaneseCodePage = 932;

bool ansi_code_page_is_932() {
  DWORD cp = 0;
  if (GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                     reinterpret_cast<LPWSTR>(&cp), sizeof cp / sizeof(WCHAR)) == 0)
    return false;
  return cp == kJapaneseCodePage;
}

// The name at byte `offset` of a resource held as UTF-16 units; nullopt when the offset is
// odd or outside the resource, or the name has no terminator there.
std::optional<std::u16string_view> name_at(std::vector<char16_t> const& resource, std::uint32_t offset) {
  if (offset % 2 != 0 || offset / 2 >= resource.size()) return std::nullopt;
  std::u16string_view const rest(resource.data() + offset / 2, resource.size() - offset / 2);
  std::size_t const end = rest.find(u'\0');
  if (end == std::u16string_view::npos) return std::nullopt;
  return rest.substr(0, end);
}

std::span<std::uint8_t const> resource_of(HMODULE module, WORD type, WORD name) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(name), MAKEINTRESOURCEW(type));
  if (!found) return {};
  HGLOBAL data = LoadResource(module, found);
  auto const* bytes = static_cast<std::uint8_t const*>(LockResource(data));
  DWORD const size = SizeofResource(module, found);
  if (!bytes || size == 0) return {};
  return {bytes, size};
}

class LoadedModule {
 public:
  explicit LoadedModule(LPCWSTR path) : module_(path && *path ? LoadLibraryW(path) : nullptr) {}
  ~LoadedModule() {
    if (module_) FreeLibrary(module_);
  }
  LoadedModule(LoadedModule const&) = delete;
  LoadedModule& operator=(LoadedModule const&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

// Rendering role: a copy of each kept font's metrics; the record's offset 24 gets 1 + the
// copy's index, or 0 when the module has no metrics of that name.
void load_metrics(HMODULE module, DevFontObject& object) {
  for (auto& record : object.fonts.records) {
    record.metricsCopy = 0;
    auto const bytes = resource_of(module, kFontMetricsType, record.metricsId);
    if (bytes.empty()) continue;
    object.metrics.emplace_back(bytes.begin(), bytes.end());
    record.metricsCopy = static_cast<std::uint32_t>(object.metrics.size());
  }
}

}  // namespace

std::optional<DevFontList> ParseDevFontList(std::span<std::uint8_t const> resource, bool dropCodePage932) {
  DeviceFontListHeader header{};
  if (resource.size() < sizeof header) return std::nullopt;
  std::memcpy(&header, resource.data(), sizeof header);
  if (static_cast<std::uint64_t>(header.byteSize) + sizeof header != resource.size()) return std::nullopt;
  if (static_cast<std::uint64_t>(header.count) * sizeof(DeviceFontRecord) > header.byteSize) return std::nullopt;

  DevFontList list;
  // An odd last byte cannot be part of a name; it is dropped from the unit copy.
  list.resource.resize(resource.size() / 2);
  std::memcpy(list.resource.data(), resource.data(), list.resource.size() * 2);
  list.records.reserve(header.count);
  for (std::uint32_t i = 0; i < header.count; ++i) {
    DeviceFontRecord record;
    std::memcpy(&record, resource.data() + sizeof header + i * sizeof record, sizeof record);
    if (!name_at(list.resource, record.nameOffset)) return std::nullopt;
    if (dropCodePage932 && record.codePage == kJapaneseCodePage) continue;
    record.substitution = 0;
    record.metricsCopy = 0;
    list.records.push_back(record);
  }
  return list;
}

std::u16string_view DevFontListName(DevFontList const& list, DeviceFontRecord const& record) {
  return name_at(list.resource, record.nameOffset).value_or(std::u16string_view());
}

DevFontObject* ConstructDataObject(LPCWSTR dataFile, ModelEntry const* entry) {
  LoadedModule module(dataFile);
  if (!module.get()) return nullptr;
  bool const drop932 = !ansi_code_page_is_932();
  bool const rendering = GetDataRole() == DataRole::Rendering;
  try {
    auto fonts = ParseDevFontList(resource_of(module.get(), kDeviceFontListType, kFontListName), drop932);
    if (!fonts) return nullptr;
    auto object = std::make_unique<DevFontObject>();
    object->fonts = std::move(*fonts);
    object->entry = entry;
    for (auto& record : object->fonts.records)
      record.substitution = detail::FindSubstitutionLink(entry, DevFontListName(object->fonts, record));
    if (rendering) {
      load_metrics(module.get(), *object);
      if (auto substitutes = ParseDevFontList(resource_of(module.get(), kSubstituteFontListType, kSubstituteListName), false))
        object->substitutes = std::move(*substitutes);
    }
    return object.release();
  } catch (std::bad_alloc const&) {
    return nullptr;
  }
}

void DestructDataObject(DevFontObject* object) { delete object; }

int GetDevFontCount(DevFontObject const* object) {
  return object ? static_cast<int>(object->fonts.records.size()) : -1;
}

DeviceFontRecord const* GetDevFontTable(DevFontObject const* object) {
  return object ? object->fonts.records.data() : nullptr;
}

std::u16string_view DevFontName(DevFontObject const* object, DeviceFontRecord const& record) {
  return object ? DevFontListName(object->fonts, record) : std::u16string_view();
}

FontSubstEntry const* DevFontSubstitution(DevFontObject const* object, DeviceFontRecord const& record) {
  return object ? detail::SubstitutionAt(object->entry, record.substitution) : nullptr;
}

std::u16string_view DevFontSubstitutionFace(DevFontObject const* object, DeviceFontRecord const& record) {
  return detail::SubstitutionFaceName(DevFontSubstitution(object, record));
}

std::span<std::uint8_t const> DevFontMetrics(DevFontObject const* object, DeviceFontRecord const& record) {
  if (!object || record.metricsCopy == 0 || record.metricsCopy > object->metrics.size()) return {};
  return object->metrics[record.metricsCopy - 1];
}

}  // namespace keld
