// keld_dither: writes the three dither tables of the common resource module.
//
//   keld_dither <output folder>   ->  dither1.bin, dither2.bin, dither3.bin (516 bytes each)
//
// Layout: keld::DitherResource (data_resources.h). The tables are classic ordered-dither
// threshold matrices; a threshold is 1 + rank x 254 / (cells - 1), so the darkest cell turns
// on at grey level 1 and the last at 255:
//   1  Bayer 16 x 16 (dispersed dot, 256 levels), linear tone curve: photos at 600 dpi.
//   2  Clustered dot 8 x 8 (two dots per cell, growing from the dot centres), tone curve
//      lightened by a gamma of 1.25 to offset dot gain: the printer's default mesh screen.
//   3  Bayer 8 x 8 (dispersed dot, 64 levels), linear tone curve: fast and low-resolution work.
// The rank order of Bayer matrices follows the recursive rule M(2n) = [4M, 4M+2; 4M+3, 4M+1].
#include "keld/data_resources.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<int> bayer(int n) {
  std::vector<int> m{0};
  for (int size = 1; size < n; size *= 2) {
    std::vector<int> next(4 * size * size);
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const int v = 4 * m[y * size + x];
        next[y * 2 * size + x] = v;
        next[y * 2 * size + x + size] = v + 2;
        next[(y + size) * 2 * size + x] = v + 3;
        next[(y + size) * 2 * size + x + size] = v + 1;
      }
    }
    m = std::move(next);
  }
  return m;
}

// Ranks of an 8 x 8 cell with two dot centres (a 45-degree screen): cells closer to a dot
// centre turn on first; ties broken by position so every rank is used once.
std::vector<int> clustered8() {
  struct Cell { double d; int index; };
  std::vector<Cell> cells;
  const double centres[2][2] = {{1.5, 1.5}, {5.5, 5.5}};
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      double best = 1e9;
      for (const auto& c : centres) {
        for (int dy = -8; dy <= 8; dy += 8) {
          for (int dx = -8; dx <= 8; dx += 8) {
            best = std::min(best, std::hypot(x - c[0] + dx, y - c[1] + dy));
          }
        }
      }
      cells.push_back({best, y * 8 + x});
    }
  }
  std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) { return a.d < b.d; });
  std::vector<int> rank(64);
  for (int r = 0; r < 64; ++r) rank[cells[r].index] = r;
  return rank;
}

keld::DitherResource make(int side, const std::vector<int>& rank, double gamma) {
  keld::DitherResource t{};
  t.cellWidth = static_cast<std::uint16_t>(side);
  t.cellHeight = static_cast<std::uint16_t>(side);
  for (int i = 0; i < 256; ++i) {
    t.toneCurve[i] = static_cast<std::uint8_t>(std::lround(255.0 * std::pow(i / 255.0, 1.0 / gamma)));
  }
  const int cells = side * side;
  for (int i = 0; i < cells; ++i) {
    t.thresholds[i] = static_cast<std::uint8_t>(1 + (rank[i] * 254 + (cells - 1) / 2) / (cells - 1));
  }
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: keld_dither <output folder>\n");
    return 2;
  }
  const keld::DitherResource tables[3] = {make(16, bayer(16), 1.0), make(8, clustered8(), 1.25), make(8, bayer(8), 1.0)};
  for (int i = 0; i < 3; ++i) {
    const std::string path = std::string(argv[1]) + "/dither" + std::to_string(i + 1) + ".bin";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&tables[i]), sizeof tables[i]);
    if (!out) {
      std::fprintf(stderr, "keld_dither: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
