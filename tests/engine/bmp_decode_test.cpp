// Bitmap decoding: exact 5-6-5 pictures from every supported layout, and hostile files
// that must fail without reading outside the file (the native build runs under ASan).
#include "bmp_decode.h"

#include "bmp_builder.h"

#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using namespace bmptest;

BmpSpec Spec3x2(uint16_t bitCount, int32_t height = 2) {
  return {3, height, bitCount, Colours, Picture};
}

TEST(BmpDecode, EveryLayoutGivesTheSameUprightPicture) {
  const struct {
    const char* name;
    BmpSpec layout;
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
    const std::vector<uint8_t> file = BuildBmp(c.layout);
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

// A file read through a source, the way the engine reads one from disk.
struct PieceFile {
  std::vector<uint8_t> Bytes;
  size_t Piece;         // most bytes one read answers
  size_t FailAfter;     // reads answer nothing from this many bytes on
  uint64_t ClaimedSize; // the size the source reports
  BmpSource Source() {
    return BmpSource{ClaimedSize,
                     [](void* Context, uint64_t Offset, void* Buffer, size_t Count) -> size_t {
                       PieceFile& f = *static_cast<PieceFile*>(Context);
                       const size_t end = std::min(f.Bytes.size(), f.FailAfter);
                       if (Offset >= end) return 0;
                       const size_t n = std::min({Count, f.Piece, end - static_cast<size_t>(Offset)});
                       memcpy(Buffer, f.Bytes.data() + Offset, n);
                       return n;
                     },
                     this};
  }
};

TEST(BmpDecode, LoadsFromSourcesThatReadInPiecesOrStopShort) {
  const std::vector<uint8_t> file = BuildBmp(Spec3x2(8));
  const size_t all = file.size();
  const struct {
    const char* name;
    size_t piece, failAfter;
    uint64_t claimedSize;
    BmpStatus status;
  } cases[] = {
      {"one read each", all, all, all, BmpOk},
      {"a byte a read", 1, all, all, BmpOk},
      {"read fails inside the palette", 64, 600, all, BmpUnreadable},
      {"file shrank before its rows were read", all, all - 1, all, BmpUnreadable},
      {"size says the rows are not all there", all, all, all - 1, BmpTruncatedPixels},
      {"size says the file is empty", all, all, 0, BmpTruncatedHeader},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PieceFile f{file, c.piece, c.failAfter, c.claimedSize};
    BmpImage image{1, 1, {0x1234}};
    EXPECT_EQ(LoadBmp(f.Source(), image), c.status);
    if (c.status == BmpOk) {
      EXPECT_EQ(image.Pixels, Expected);
    } else {
      EXPECT_TRUE(image.Pixels.empty());
      EXPECT_EQ(image.Width, 0);
    }
  }
}

} // namespace

