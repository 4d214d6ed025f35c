// make_overlay_icon: draws ZrSignIcon's overlay icon and writes the resource files that
// resources/zrsignicon.rc names. Run by hand when the design changes; its output is kept in
// the repository so that the build needs no generator step.
//
//   make_overlay_icon <folder>
//
// The overlay is a round green seal with a white check mark in the lower-left quarter of the
// icon (where a file manager expects an overlay), transparent elsewhere. It is drawn at 48, 32
// and 16 pixels, each at 4, 8 and 32 bits per pixel. Files written:
//   overlay_<size>_<bits>.dib  one icon image as an icon resource holds it: a 40-byte
//                              BITMAPINFOHEADER (height doubled for the mask), the palette
//                              (4 and 8 bits), the colour rows bottom-up, then the 1-bit
//                              transparency mask, every row padded to 4 bytes
//   overlay_group.bin          the icon group: reserved 0, type 1, count, then 14 bytes per
//                              image (width, height, colours, 0, planes, bits, bytes, id)
//   version.bin                the version resource (VS_VERSIONINFO of a shared library)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, unsigned v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
  put16(b, v & 0xFFFF);
  put16(b, v >> 16);
}

enum Pixel : std::uint8_t { kClear, kSeal, kRim, kMark };

// The design at `size` pixels, rows top-down.
std::vector<Pixel> draw(int size) {
  std::vector<Pixel> px(static_cast<std::size_t>(size * size), kClear);
  double r = size * 0.25;                        // seal radius: half the quarter
  double cx = size * 0.25, cy = size * 0.75;     // lower-left quarter
  double stroke = std::max(1.0, size / 16.0);
  // Check mark: two segments, from (-0.5, 0) to (-0.15, 0.35) to (0.5, -0.35), in radii.
  auto near_segment = [&](double x, double y, double x0, double y0, double x1, double y1) {
    double dx = x1 - x0, dy = y1 - y0;
    double t = ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    double ex = x0 + t * dx - x, ey = y0 + t * dy - y;
    return std::sqrt(ex * ex + ey * ey) <= stroke / 2 + 0.25;
  };
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      double fx = x + 0.5 - cx, fy = y + 0.5 - cy;
      double d = std::sqrt(fx * fx + fy * fy);
      if (d > r) continue;
      Pixel p = d > r - std::max(1.0, size / 24.0) ? kRim : kSeal;
      double a0x = -0.5 * r, a0y = 0.0, a1x = -0.15 * r, a1y = 0.35 * r, a2x = 0.5 * r,
             a2y = -0.35 * r;
      if (near_segment(fx, fy, a0x, a0y, a1x, a1y) || near_segment(fx, fy, a1x, a1y, a2x, a2y))
        p = kMark;
      px[static_cast<std::size_t>(y * size + x)] = p;
    }
  return px;
}

struct Rgb {
  std::uint8_t r, g, b;
};
constexpr Rgb kColours[] = {{0, 0, 0}, {0x1E, 0x8E, 0x3E}, {0x0B, 0x4F, 0x1F}, {0xFF, 0xFF, 0xFF}};

int row_bytes(int width, int bits) { return ((width * bits + 31) / 32) * 4; }

Bytes image(int size, int bits) {
  std::vector<Pixel> px = draw(size);
  int colours = bits <= 8 ? 1 << bits : 0;
  int xor_row = row_bytes(size, bits), and_row = row_bytes(size, 1);
  Bytes b;
  put32(b, 40);
  put32(b, static_cast<std::uint32_t>(size));
  put32(b, static_cast<std::uint32_t>(size * 2));  // colour rows and mask rows
  put16(b, 1);
  put16(b, static_cast<unsigned>(bits));
  put32(b, 0);  // uncompressed
  put32(b, static_cast<std::uint32_t>((xor_row + and_row) * size));
  put32(b, 0);
  put32(b, 0);
  put32(b, 0);
  put32(b, 0);
  for (int i = 0; i < colours; ++i) {  // palette entries are blue, green, red, 0
    Rgb c = i < 4 ? kColours[i] : Rgb{0, 0, 0};
    b.insert(b.end(), {c.b, c.g, c.r, 0});
  }
  for (int y = size - 1; y >= 0; --y) {  // colour rows, bottom-up
    Bytes row(static_cast<std::size_t>(xor_row), 0);
    for (int x = 0; x < size; ++x) {
      Pixel p = px[static_cast<std::size_t>(y * size + x)];
      if (bits == 32) {
        Rgb c = kColours[p];
        std::uint8_t alpha = p == kClear ? 0 : 0xFF;
        std::size_t o = static_cast<std::size_t>(x) * 4;
        row[o] = c.b, row[o + 1] = c.g, row[o + 2] = c.r, row[o + 3] = alpha;
      } else if (bits == 8) {
        row[static_cast<std::size_t>(x)] = p;
      } else {  // 4 bits: high nibble first
        row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 ? p : p << 4);
      }
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  for (int y = size - 1; y >= 0; --y) {  // mask rows: 1 = transparent
    Bytes row(static_cast<std::size_t>(and_row), 0);
    for (int x = 0; x < size; ++x)
      if (px[static_cast<std::size_t>(y * size + x)] == kClear)
        row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

// A VS_VERSIONINFO-style block: length, value length, type (1 text, 0 binary), key, value,
// children, each part aligned to 4 bytes.
void align4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}
void put_wide(Bytes& b, const std::u16string& s) {
  for (char16_t c : s) put16(b, c);
  put16(b, 0);
}
Bytes block(const std::u16string& key, const Bytes& value, unsigned valueLength, bool text,
            const std::vector<Bytes>& children) {
  Bytes b(6, 0);
  put_wide(b, key);
  align4(b);
  b.insert(b.end(), value.begin(), value.end());
  for (const Bytes& c : children) {
    align4(b);
    b.insert(b.end(), c.begin(), c.end());
  }
  b[0] = static_cast<std::uint8_t>(b.size()), b[1] = static_cast<std::uint8_t>(b.size() >> 8);
  b[2] = static_cast<std::uint8_t>(valueLength), b[3] = static_cast<std::uint8_t>(valueLength >> 8);
  b[4] = text ? 1 : 0;
  return b;
}
Bytes text_value(const std::u16string& key, const std::u16string& value) {
  Bytes v;
  put_wide(v, value);
  return block(key, v, static_cast<unsigned>(value.size() + 1), true, {});
}

Bytes version() {
  Bytes fixed;  // VS_FIXEDFILEINFO, 52 bytes
  put32(fixed, 0xFEEF04BD);
  put32(fixed, 0x00010000);
  put32(fixed, 0x00010000), put32(fixed, 0);  // file version 1.0.0.0
  put32(fixed, 0x00010000), put32(fixed, 0);  // product version 1.0.0.0
  put32(fixed, 0x3F), put32(fixed, 0);        // flags mask, flags
  put32(fixed, 0x00040004);                   // 32-bit Windows NT
  put32(fixed, 2);                            // a shared library
  put32(fixed, 0), put32(fixed, 0), put32(fixed, 0);
  Bytes strings = block(u"040904B0", {}, 0, true,
                        {text_value(u"FileDescription", u"Digital signature icon overlay"),
                         text_value(u"FileVersion", u"1.0.0.0"),
                         text_value(u"InternalName", u"ZrSignIcon"),
                         text_value(u"OriginalFilename", u"ZrSignIcon.dll"),
                         text_value(u"ProductVersion", u"1.0.0.0")});
  Bytes translation;
  put16(translation, 0x0409), put16(translation, 0x04B0);
  return block(u"VS_VERSION_INFO", fixed, 52, false,
               {block(u"StringFileInfo", {}, 0, true, {strings}),
                block(u"VarFileInfo", {}, 0, true,
                      {block(u"Translation", translation, 4, false, {})})});
}

bool write(const std::string& path, const Bytes& b) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
  if (!out) std::cerr << "make_overlay_icon: cannot write " << path << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: make_overlay_icon <folder>\n";
    return 2;
  }
  std::string folder = argv[1];
  Bytes group;
  put16(group, 0), put16(group, 1), put16(group, 9);
  unsigned id = 1;
  for (int size : {48, 32, 16})
    for (int bits : {4, 8, 32}) {
      Bytes img = image(size, bits);
      std::string name = "overlay_" + std::to_string(size) + "_" + std::to_string(bits) + ".dib";
      if (!write(folder + "/" + name, img)) return 1;
      group.push_back(static_cast<std::uint8_t>(size));
      group.push_back(static_cast<std::uint8_t>(size));
      group.push_back(static_cast<std::uint8_t>(bits == 4 ? 16 : 0));
      group.push_back(0);
      put16(group, 1);
      put16(group, static_cast<unsigned>(bits));
      put32(group, static_cast<std::uint32_t>(img.size()));
      put16(group, id++);
    }
  if (!write(folder + "/overlay_group.bin", group) || !write(folder + "/version.bin", version()))
    return 1;
  return 0;
}
