// Bitmap decoding: exact 5-6-5 pictures from every supported layout, and hostile files
// that must fail without reading outside the file (the native build runs under ASan).
#include "bmp_decode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

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

void PutU16(std::vector<uint8_t>& f, size_t at, uint16_t v) {
  for (size_t i = 0; i < 2; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

void PutU32(std::vector<uint8_t>& f, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> BuildBmp(const BmpSpec& s) {
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
const std::vector<Rgb> Colours = {{255, 0, 0}, {255, 255, 255}, {8, 4, 8}, {7, 3, 7}, {0, 255, 0}, {0, 0, 255}};
const std::vector<uint8_t> Picture = {0, 1, 2, 3, 4, 5};
const std::vector<uint16_t> Expected = {0xF800, 0xFFFF, 0x0821, 0x0000, 0x07E0, 0x001F};

BmpSpec Spec3x2(uint16_t bitCount, int32_t height = 2) {
  return {3, height, bitCount, Colours, Picture};
}

TEST(BmpDecode, EveryLayoutGivesTheSameUprightPicture) {
  const struct {
    const char* name;
    BmpSpec spec;
  } cases[] = {
      {"24-bit bottom-up, rows padded from 9 to 12 bytes", Spec3x2(24)},
      {"24-bit top-down", Spec3x2(24, -2)},
      {"8-bit palette bottom-up", Spec3x2(8)},
      {"8-bit palette top-down", Spec3x2(8, -2)},
      {"32-bit bottom-up", Spec3x2(32)},
      {"32-bit top-down", Spec3x2(32, -2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> file = BuildBmp(c.spec);
    BmpImage image;
    ASSERT_EQ(DecodeBmp(file.data(), file.size(), image), BmpOk);
    EXPECT_EQ(image.Width, 3);
    EXPECT_EQ(image.Height, 2);
    EXPECT_EQ(image.Pixels, Expected);
  }
}

// The engine's loader reads the headers, then the pixel block in one read from OffBits.
TEST(BmpDecode, RowsReadApartFromTheHeaders) {
  const std::vector<uint8_t> file = BuildBmp(Spec3x2(24));
  BmpInfo info;
  ASSERT_EQ(ParseBmpHeader(file.data(), std::min(file.size(), BmpHeadBytes), info), BmpOk);
  ASSERT_EQ(BmpPixelBytes(info), 24u); // two rows of 9 bytes padded to 12
  std::vector<uint16_t> out(6, 0x1234);
  const uint8_t* rows = file.data() + info.OffBits;
  EXPECT_EQ(DecodeBmpRows(info, rows, 23, out.data()), BmpTruncatedPixels);
  EXPECT_EQ(out, std::vector<uint16_t>(6, 0x1234)); // a short read writes nothing
  ASSERT_EQ(DecodeBmpRows(info, rows, 24, out.data()), BmpOk);
  EXPECT_EQ(out, Expected);
}

TEST(BmpDecode, HostileFilesFailWithoutHarm) {
  using Damage = std::function<void(std::vector<uint8_t>&)>;
  const auto cut = [](size_t n) { return Damage([n](std::vector<uint8_t>& f) { f.resize(n); }); };
  const auto u16 = [](size_t at, uint16_t v) { return Damage([=](std::vector<uint8_t>& f) { PutU16(f, at, v); }); };
  const auto u32 = [](size_t at, uint32_t v) { return Damage([=](std::vector<uint8_t>& f) { PutU32(f, at, v); }); };
  const auto size2 = [](uint32_t w, uint32_t h) {
    return Damage([=](std::vector<uint8_t>& f) {
      PutU32(f, 18, w);
      PutU32(f, 22, h);
    });
  };
  const struct {
    const char* name;
    uint16_t bitCount; // of the intact 3 x 2 file that is damaged
    Damage damage;
    BmpStatus status;
  } cases[] = {
      {"empty file", 24, cut(0), BmpTruncatedHeader},
      {"shorter than the file header", 24, cut(10), BmpTruncatedHeader},
      {"info header cut short", 24, cut(53), BmpTruncatedHeader},
      {"not BM", 24, u16(0, 0x424D), BmpNotBitmap},
      {"12-byte info header", 24, u32(14, 12), BmpBadInfoSize},
      {"RLE8", 8, u32(30, 1), BmpCompressed},
      {"bit fields", 32, u32(30, 3), BmpCompressed},
      {"width 0", 24, size2(0, 2), BmpBadDimensions},
      {"height 0", 24, size2(3, 0), BmpBadDimensions},
      {"negative width", 24, size2(uint32_t(-3), 2), BmpBadDimensions},
      {"width over 16384", 24, size2(16385, 1), BmpBadDimensions},
      {"height over 16384", 24, size2(1, 16385), BmpBadDimensions},
      {"top-down height over 16384", 24, size2(1, uint32_t(-16385)), BmpBadDimensions},
      {"height INT32_MIN", 24, size2(1, 0x80000000u), BmpBadDimensions},
      {"width INT32_MAX", 24, size2(0x7FFFFFFF, 1), BmpBadDimensions},
      {"16384 x 16384 in a tiny file", 32, size2(16384, 16384), BmpTruncatedPixels},
      {"1-bit", 24, u16(28, 1), BmpUnsupportedDepth},
      {"4-bit", 24, u16(28, 4), BmpUnsupportedDepth},
      {"16-bit", 24, u16(28, 16), BmpUnsupportedDepth},
      {"palette cut short", 8, cut(54 + 1000), BmpTruncatedPalette},
      {"pixels inside the headers", 24, u32(10, 10), BmpBadOffset},
      {"bfOffBits past the end", 24, u32(10, 1000), BmpBadOffset},
      {"bfOffBits near 4 GiB", 8, u32(10, 0xFFFFFFF0u), BmpBadOffset},
      {"bfOffBits at the end", 24, u32(10, 54 + 24), BmpTruncatedPixels},
      {"last row cut", 24, cut(54 + 24 - 1), BmpTruncatedPixels},
      {"8-bit rows missing", 8, cut(54 + 1024 + 4), BmpTruncatedPixels},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = BuildBmp(Spec3x2(c.bitCount));
    c.damage(bytes);
    // An exact heap copy, so that any read past the end trips AddressSanitizer.
    std::unique_ptr<uint8_t[]> file(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), file.get());
    BmpImage image{1, 1, {0x1234}};
    EXPECT_EQ(DecodeBmp(file.get(), bytes.size(), image), c.status);
    EXPECT_EQ(image.Width, 0);
    EXPECT_EQ(image.Height, 0);
    EXPECT_TRUE(image.Pixels.empty());
  }
}

} // namespace
