// keld_fontmetrics: measures the printer's resident fonts for the driver data file.
//
//   keld_fontmetrics -o <folder>
//       [--font <id> <file.ttf> <name> <typeface> <stroke weight> <style>]...
//       [--substitute <document face> <id>]...
//
// The printer family's resident fonts are the DejaVu faces, so their metrics are read from
// the same TrueType files with FreeType at build time. Writes, into the folder:
//   metrics<id>.bin  keld::FontMetrics + 256 advance widths (code page 1252) + kerning pairs
//   fonts272.bin     the device-font list (one record per --font, in order)
//   fonts373.bin     the substitution list (one record per --substitute, named after the
//                    document face, pointing at the metrics of device font <id>)
// Layouts: keld/data_resources.h.
#include "keld/data_resources.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

static_assert(std::endian::native == std::endian::little, "the resources are written as little-endian memory images");

namespace {

struct FontSpec {
  std::uint16_t id;
  std::string file;
  std::string name;
  std::uint16_t typeface;
  std::uint16_t strokeWeight;
  std::uint16_t style;
};

struct Measured {
  keld::FontMetrics metrics{};
  bool fixedPitch = false;
  std::uint8_t charSet = 0;
};

// Code page 1252: the Unicode characters of bytes 0x80-0x9F (0 where the byte is unused).
const char32_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

char32_t cp1252(int byte) { return byte >= 0x80 && byte < 0xA0 ? kCp1252High[byte - 0x80] : static_cast<char32_t>(byte); }

std::u16string ascii16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

template <typename T>
void append(std::vector<std::uint8_t>& out, const T& value) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof value);
}

std::int16_t s16(long v) { return static_cast<std::int16_t>(v < -32768 ? -32768 : v > 32767 ? 32767 : v); }

std::vector<std::uint8_t> measure(FT_Library lib, const FontSpec& spec, Measured* result) {
  FT_Face face = nullptr;
  if (FT_New_Face(lib, spec.file.c_str(), 0, &face) != 0) throw std::runtime_error("cannot open font " + spec.file);
  keld::FontMetrics& m = result->metrics;
  std::memcpy(m.magic, "KFM1", 4);
  m.headerSize = sizeof(keld::FontMetrics);
  m.unitsPerEm = face->units_per_EM;
  m.ascender = face->ascender;
  m.descender = face->descender;
  m.lineGap = s16(face->height - (face->ascender - face->descender));
  m.maxCharInc = face->max_advance_width;
  m.underlinePosition = face->underline_position;
  m.underlineThickness = face->underline_thickness;
  m.boxXMin = s16(face->bbox.xMin);
  m.boxYMin = s16(face->bbox.yMin);
  m.boxXMax = s16(face->bbox.xMax);
  m.boxYMax = s16(face->bbox.yMax);
  m.italic = (face->style_flags & FT_STYLE_FLAG_ITALIC) ? 1 : 0;
  m.fixedPitch = FT_IS_FIXED_WIDTH(face) ? 1 : 0;
  m.weight = (face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2))) {
    m.avgCharWidth = os2->xAvgCharWidth;
    m.weight = os2->usWeightClass;
    m.strikeoutPosition = os2->yStrikeoutPosition;
    m.strikeoutSize = os2->yStrikeoutSize;
    if (os2->version >= 2) {
      m.capHeight = os2->sCapHeight;
      m.xHeight = os2->sxHeight;
    }
  }
  m.charSet = 0;
  m.firstChar = 32;
  m.lastChar = 255;
  m.defaultChar = '?';
  m.breakChar = ' ';
  m.codePage = 1252;
  m.widthCount = 256;
  m.widthsOffset = sizeof(keld::FontMetrics);
  const std::u16string face16 = ascii16(spec.name.substr(0, 31));
  std::copy(face16.begin(), face16.end(), m.faceName);

  std::vector<std::uint16_t> widths(256, 0);
  std::vector<FT_UInt> glyphs(256, 0);
  for (int c = 0; c < 256; ++c) {
    const char32_t u = cp1252(c);
    if (u == 0 || c < 32) continue;
    glyphs[c] = FT_Get_Char_Index(face, u);
    if (glyphs[c] != 0 && FT_Load_Glyph(face, glyphs[c], FT_LOAD_NO_SCALE) == 0) {
      widths[c] = static_cast<std::uint16_t>(face->glyph->advance.x);
    }
  }
  if (m.capHeight == 0 && glyphs['H'] && FT_Load_Glyph(face, glyphs['H'], FT_LOAD_NO_SCALE) == 0) {
    m.capHeight = s16(face->glyph->metrics.height);
  }
  if (m.xHeight == 0 && glyphs['x'] && FT_Load_Glyph(face, glyphs['x'], FT_LOAD_NO_SCALE) == 0) {
    m.xHeight = s16(face->glyph->metrics.height);
  }
  std::vector<keld::KerningPair> pairs;
  if (FT_HAS_KERNING(face)) {
    for (int a = 32; a < 127; ++a) {
      for (int b = 32; b < 127; ++b) {
        FT_Vector k{};
        if (glyphs[a] && glyphs[b] && FT_Get_Kerning(face, glyphs[a], glyphs[b], FT_KERNING_UNSCALED, &k) == 0 && k.x != 0) {
          pairs.push_back({static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), s16(k.x)});
        }
      }
    }
  }
  m.kerningCount = static_cast<std::uint32_t>(pairs.size());
  m.kerningOffset = m.widthsOffset + 2 * 256;
  result->fixedPitch = m.fixedPitch != 0;
  FT_Done_Face(face);

  std::vector<std::uint8_t> out;
  append(out, m);
  for (auto w : widths) append(out, w);
  for (const auto& p : pairs) append(out, p);
  return out;
}

// A device-font list: header, records, then the names.
std::vector<std::uint8_t> font_list(const std::vector<std::pair<std::string, keld::DeviceFontRecord>>& fonts) {
  std::vector<std::uint8_t> names;
  std::vector<keld::DeviceFontRecord> records;
  const std::size_t namesStart = sizeof(keld::DeviceFontListHeader) + fonts.size() * sizeof(keld::DeviceFontRecord);
  for (auto [name, record] : fonts) {
    record.nameOffset = static_cast<std::uint32_t>(namesStart + names.size());
    for (char16_t c : ascii16(name) + u'\0') append(names, c);
    records.push_back(record);
  }
  std::vector<std::uint8_t> out;
  append(out, keld::DeviceFontListHeader{static_cast<std::uint32_t>(records.size()),
                                          static_cast<std::uint32_t>(records.size() * sizeof(keld::DeviceFontRecord) + names.size())});
  for (const auto& r : records) append(out, r);
  out.insert(out.end(), names.begin(), names.end());
  return out;
}

void write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

keld::DeviceFontRecord record_for(const FontSpec& spec, const Measured& m) {
  keld::DeviceFontRecord r{};
  r.typeface = spec.typeface;
  r.kind = 0;
  r.metricsId = spec.id;
  r.codePage = 1252;
  r.charSet = m.charSet;
  r.flags = static_cast<std::uint8_t>((m.fixedPitch ? 0 : keld::kFontProportional) | keld::kFontSubstitutionTarget);
  r.strokeWeight = spec.strokeWeight;
  r.style = spec.style;
  r.symbolSet = 629;  // "19U", the Windows 3.1 Latin 1 set of code page 1252
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  std::vector<FontSpec> fonts;
  std::vector<std::pair<std::string, std::uint16_t>> substitutes;
  try {
    for (int i = 1; i < argc; ++i) {
      const std::string a = argv[i];
      if (a == "-o" && i + 1 < argc) {
        folder = argv[++i];
      } else if (a == "--font" && i + 6 < argc) {
        FontSpec f;
        f.id = static_cast<std::uint16_t>(std::stoi(argv[++i]));
        f.file = argv[++i];
        f.name = argv[++i];
        f.typeface = static_cast<std::uint16_t>(std::stoi(argv[++i]));
        f.strokeWeight = static_cast<std::uint16_t>(std::stoi(argv[++i]));
        f.style = static_cast<std::uint16_t>(std::stoi(argv[++i]));
        fonts.push_back(f);
      } else if (a == "--substitute" && i + 2 < argc) {
        const std::string face = argv[++i];
        substitutes.emplace_back(face, static_cast<std::uint16_t>(std::stoi(argv[++i])));
      } else {
        throw std::runtime_error("bad argument '" + a + "'");
      }
    }
    if (folder.empty() || fonts.empty()) throw std::runtime_error("need -o and at least one --font");
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) throw std::runtime_error("cannot start FreeType");
    std::map<std::uint16_t, std::pair<FontSpec, Measured>> byId;
    std::vector<std::pair<std::string, keld::DeviceFontRecord>> deviceList;
    for (const auto& f : fonts) {
      Measured m;
      write(folder + "/metrics" + std::to_string(f.id) + ".bin", measure(lib, f, &m));
      byId[f.id] = {f, m};
      deviceList.emplace_back(f.name, record_for(f, m));
    }
    FT_Done_FreeType(lib);
    std::vector<std::pair<std::string, keld::DeviceFontRecord>> substituteList;
    for (const auto& [face, id] : substitutes) {
      auto it = byId.find(id);
      if (it == byId.end()) throw std::runtime_error("--substitute " + face + ": no font " + std::to_string(id));
      substituteList.emplace_back(face, record_for(it->second.first, it->second.second));
    }
    write(folder + "/fonts272.bin", font_list(deviceList));
    write(folder + "/fonts373.bin", font_list(substituteList));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "keld_fontmetrics: %s\n", e.what());
    return 1;
  }
  return 0;
}
