// Pictures copied into locked surfaces: only into 5-6-5 surfaces that hold them, at the
// surface's pitch. Each surface is a heap block of exactly Pitch x Height bytes, so the
// native build's AddressSanitizer stops any write past it.
#include "surface_copy.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Format {
  uint32_t Flags, BitCount, Red, Green, Blue;
};
constexpr Format Rgb565{SurfaceFormatRgb, 16, 0xF800, 0x07E0, 0x001F};
constexpr Format Rgb555{SurfaceFormatRgb, 16, 0x7C00, 0x03E0, 0x001F};
constexpr Format Xrgb8888{SurfaceFormatRgb, 32, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr Format Palette8{SurfaceFormatRgb | 0x20, 8, 0, 0, 0};

// A surface of its own memory, filled with a canary byte.
struct TestSurface {
  std::unique_ptr<uint8_t[]> Memory;
  LockedSurface Locked;
  size_t Bytes;
  TestSurface(Format F, uint32_t Width, uint32_t Height, int64_t Pitch)
      : Memory(new uint8_t[static_cast<size_t>(Pitch > 0 ? Pitch : 1) * Height]),
        Locked{Memory.get(), Pitch, Width, Height, F.Flags, F.BitCount, F.Red, F.Green, F.Blue},
        Bytes(static_cast<size_t>(Pitch > 0 ? Pitch : 1) * Height) {
    memset(Memory.get(), 0xA5, Bytes);
  }
  bool Untouched() const {
    for (size_t i = 0; i < Bytes; ++i)
      if (Memory[i] != 0xA5) return false;
    return true;
  }
};

std::vector<uint16_t> Picture(int32_t Width, int32_t Height) {
  std::vector<uint16_t> p(static_cast<size_t>(Width) * Height);
  for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint16_t>(0x1000 + i);
  return p;
}

TEST(SurfaceCopy, OnlyFiveSixFiveSurfacesThatHoldThePictureAreWritten) {
  // A 4 x 3 picture into surfaces of several layouts.
  const struct {
    const char* Name;
    Format F;
    uint32_t Width, Height;
    int64_t Pitch;
    bool Copies;
  } cases[] = {
      {"5-6-5, rows padded to 12 bytes", Rgb565, 4, 3, 12, true},
      {"5-6-5, pitch equal to the row", Rgb565, 4, 3, 8, true},
      {"5-6-5 larger than the picture", Rgb565, 6, 5, 16, true},
      {"32-bit desktop format, same size in pixels", Xrgb8888, 4, 3, 16, false},
      {"8-bit palette desktop: rows of 4 bytes", Palette8, 4, 3, 4, false},
      {"5-5-5", Rgb555, 4, 3, 8, false},
      {"5-6-5 masks without the RGB flag", {0, 16, 0xF800, 0x07E0, 0x001F}, 4, 3, 8, false},
      {"5-6-5 masks with a palette flag", {SurfaceFormatRgb | 0x20, 16, 0xF800, 0x07E0, 0x001F}, 4, 3, 8, false},
      {"5-6-5 masks with a FourCC flag", {SurfaceFormatRgb | SurfaceFormatFourCC, 16, 0xF800, 0x07E0, 0x001F}, 4, 3,
       8, false},
      {"5-6-5 narrower than the picture", Rgb565, 3, 3, 6, false},
      {"5-6-5 shorter than the picture", Rgb565, 4, 2, 8, false},
      {"5-6-5 whose pitch is shorter than its rows", Rgb565, 4, 3, 6, false},
      {"5-6-5 with a negative pitch", Rgb565, 4, 3, -8, false},
      {"no size described", Rgb565, 0, 0, 8, false},
  };
  const std::vector<uint16_t> picture = Picture(4, 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TestSurface s(c.F, c.Width, c.Height, c.Pitch);
    ASSERT_EQ(CopyPictureToSurface(s.Locked, picture.data(), 4, 3), c.Copies);
    if (!c.Copies) {
      EXPECT_TRUE(s.Untouched()) << "a refused copy writes nothing";
      continue;
    }
    for (int32_t y = 0; y < static_cast<int32_t>(c.Height); ++y) {
      const uint8_t* row = s.Memory.get() + y * c.Pitch;
      for (int32_t x = 0; x < static_cast<int32_t>(c.Width); ++x) {
        uint16_t pixel;
        memcpy(&pixel, row + x * 2, 2);
        if (y < 3 && x < 4)
          EXPECT_EQ(pixel, picture[y * 4 + x]) << "at " << x << ", " << y;
        else
          EXPECT_EQ(pixel, 0xA5A5) << "outside the picture at " << x << ", " << y;
      }
      for (int64_t b = c.Width * 2; b < c.Pitch; ++b) EXPECT_EQ(row[b], 0xA5) << "row padding";
    }
  }
}

TEST(SurfaceCopy, PixelsAreReadOnlyInsideAFiveSixFiveSurface) {
  const struct {
    const char* Name;
    Format F;
    int32_t X, Y;
    bool Reads;
  } cases[] = {
      {"last pixel", Rgb565, 3, 2, true},     {"first pixel", Rgb565, 0, 0, true},
      {"past the row", Rgb565, 4, 0, false},  {"past the last row", Rgb565, 0, 3, false},
      {"left of the row", Rgb565, -1, 0, false}, {"above the first row", Rgb565, 0, -1, false},
      {"32-bit surface", Xrgb8888, 0, 0, false},
      {"8-bit surface", Palette8, 3, 2, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const uint32_t bytesPerPixel = c.F.BitCount / 8;
    // Rows padded past their pixels, so that a read which ignored the pitch would miss.
    const int64_t pitch = 4 * bytesPerPixel + 6;
    TestSurface s(c.F, 4, 3, pitch);
    uint8_t* last = s.Memory.get() + 2 * pitch + 3 * bytesPerPixel;
    last[0] = 0x34;
    if (bytesPerPixel > 1) last[1] = 0x12;
    uint16_t pixel = 7;
    ASSERT_EQ(ReadSurfacePixel(s.Locked, c.X, c.Y, pixel), c.Reads);
    if (!c.Reads)
      EXPECT_EQ(pixel, 7) << "untouched";
    else
      EXPECT_EQ(pixel, c.X == 3 ? 0x1234 : 0xA5A5);
  }
}

} // namespace
