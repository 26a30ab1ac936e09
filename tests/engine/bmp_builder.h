// Test bitmaps built in memory: every layout the engine reads, with padding bytes that
// would show if they were ever read as pixels.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace bmptest {

struct Rgb {
  uint8_t r, g, b;
};

// A picture to store (Height < 0 stores it top-down). Pixels, top row first, index
// Colours, which 8-bit files store as their palette.
struct BmpSpec {
  int32_t Width;
  int32_t Height;
  uint16_t BitCount;
  std::vector<Rgb> Colours;
  std::vector<uint8_t> Pixels;
};

inline void PutU16(std::vector<uint8_t>& f, size_t at, uint16_t v) {
  for (size_t i = 0; i < 2; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void PutU32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

inline std::vector<uint8_t> BuildBmp(const BmpSpec& s) {
  const size_t rows = static_cast<size_t>(s.Height < 0 ? -s.Height : s.Height);
  const size_t depth = s.BitCount / 8;
  const size_t offBits = 54 + (s.BitCount == 8 ? 1024 : 0);
  std::vector<uint8_t> f(offBits, 0);
  f[0] = 'B';
  f[1] = 'M';
  PutU32(f, 10, static_cast<uint32_t>(offBits));
  PutU32(f, 14, 40);
  PutU32(f, 18, static_cast<uint32_t>(s.Width));
  PutU32(f, 22, static_cast<uint32_t>(s.Height));
  PutU16(f, 26, 1);
  PutU16(f, 28, s.BitCount);
  for (size_t i = 0; s.BitCount == 8 && i < s.Colours.size(); ++i)
    f[54 + 4 * i] = s.Colours[i].b, f[55 + 4 * i] = s.Colours[i].g, f[56 + 4 * i] = s.Colours[i].r;
  for (size_t k = 0; k < rows; ++k) {
    const size_t y = s.Height < 0 ? k : rows - 1 - k;
    // Padding and the unused fourth byte are never zero, so reading them would show.
    std::vector<uint8_t> row((s.Width * depth + 3) & ~size_t{3}, 0xEE);
    for (size_t x = 0; x < static_cast<size_t>(s.Width); ++x) {
      const uint8_t p = s.Pixels[y * s.Width + x];
      const Rgb c = s.Colours[p];
      if (s.BitCount == 8)
        row[x] = p;
      else
        row[x * depth] = c.b, row[x * depth + 1] = c.g, row[x * depth + 2] = c.r;
    }
    f.insert(f.end(), row.begin(), row.end());
  }
  PutU32(f, 2, static_cast<uint32_t>(f.size()));
  return f;
}

// Red, white and (8, 4, 8) over (7, 3, 7), which is cut to black, green and blue.
inline const std::vector<Rgb> Colours = {{255, 0, 0}, {255, 255, 255}, {8, 4, 8}, {7, 3, 7}, {0, 255, 0}, {0, 0, 255}};
inline const std::vector<uint8_t> Picture = {0, 1, 2, 3, 4, 5};
inline const std::vector<uint16_t> Expected = {0xF800, 0xFFFF, 0x0821, 0x0000, 0x07E0, 0x001F};

} // namespace bmptest
