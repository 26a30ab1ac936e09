// Bitmap decoding: the headers, the 8-bit palette, the padded rows and their 5-6-5 conversion.
#include "bmp_decode.h"

#include <assert.h>
#include <string.h>

#include <memory>
#include <new>
#include <utility>

namespace {

constexpr uint16_t BitmapMagic = 0x4D42; // "BM", little-endian
constexpr uint32_t CompressionNone = 0;  // BI_RGB
constexpr size_t HeadersBytes = BmpFileHeaderBytes + BmpInfoHeaderBytes;

// With both sides capped, the largest row block (4 bytes a pixel) fits in size_t even
// on 32-bit targets, so the products below cannot overflow once the sides are checked.
static_assert(uint64_t{BmpMaxSide} * BmpMaxSide * 4 + BmpMaxSide * 3 <= SIZE_MAX, "row block fits in size_t");

uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

int32_t ReadI32(const uint8_t* p) {
  return static_cast<int32_t>(ReadU32(p));
}

// The sides and depth that the row arithmetic relies on. Height is the stored biHeight.
BmpStatus CheckShape(int32_t Width, int32_t Height, uint16_t BitCount) {
  if (BitCount != 8 && BitCount != 24 && BitCount != 32) return BmpUnsupportedDepth;
  // Compared before negating, so that biHeight = INT32_MIN cannot overflow.
  if (Width <= 0 || Width > BmpMaxSide || Height == 0 || Height > BmpMaxSide || Height < -BmpMaxSide)
    return BmpBadDimensions;
  return BmpOk;
}

// The same for a record, whose Height is already the number of rows.
BmpStatus CheckInfo(const BmpInfo& Info) {
  if (Info.Height < 0) return BmpBadDimensions;
  return CheckShape(Info.Width, Info.Height, Info.BitCount);
}

size_t RowStrideOf(int32_t Width, uint16_t BitCount) {
  return (static_cast<size_t>(Width) * (BitCount / 8) + 3) & ~size_t{3};
}

// Reads Count bytes at Offset, in as many reads as the source needs; answers how many
// were read before the source gave none.
size_t ReadFully(const BmpSource& File, uint64_t Offset, uint8_t* Buffer, size_t Count) {
  size_t done = 0;
  while (done < Count) {
    const size_t got = File.Read(File.Context, Offset + done, Buffer + done, Count - done);
    if (got == 0 || got > Count - done) break;
    done += got;
  }
  return done;
}

} // namespace

BmpStatus ParseBmpHeader(const uint8_t* Data, size_t Size, BmpInfo& Info) {
  if (Data == nullptr || Size < HeadersBytes) return BmpTruncatedHeader;
  if (ReadU16(Data) != BitmapMagic) return BmpNotBitmap;
  const uint32_t offBits = ReadU32(Data + 10);
  const uint8_t* header = Data + BmpFileHeaderBytes;
  const uint32_t infoSize = ReadU32(header);
  const int32_t width = ReadI32(header + 4);
  const int32_t height = ReadI32(header + 8);
  const uint16_t bitCount = ReadU16(header + 14);
  const uint32_t compression = ReadU32(header + 16);

  if (infoSize < BmpInfoHeaderBytes) return BmpBadInfoSize;
  if (compression != CompressionNone) return BmpCompressed;
  const BmpStatus shape = CheckShape(width, height, bitCount);
  if (shape != BmpOk) return shape;
  // Pixel rows that overlap the headers mean a damaged file.
  if (offBits < HeadersBytes) return BmpBadOffset;
  // The palette always sits right after the first 40 bytes of the info header, and it
  // is always read whole, whatever biClrUsed says.
  if (bitCount == 8 && Size < BmpHeadBytes) return BmpTruncatedPalette;

  Info = BmpInfo{};
  Info.Width = width;
  Info.Height = height < 0 ? -height : height;
  Info.BitCount = bitCount;
  Info.TopDown = height < 0;
  Info.OffBits = offBits;
  Info.RowStride = RowStrideOf(width, bitCount);
  if (bitCount == 8) {
    const uint8_t* entry = Data + HeadersBytes;
    for (uint16_t& colour : Info.Palette) {
      colour = Pack565(entry[2], entry[1], entry[0]);
      entry += 4;
    }
  }
  return BmpOk;
}

size_t BmpPixelBytes(const BmpInfo& Info) {
  if (CheckInfo(Info) != BmpOk) return 0;
  return RowStrideOf(Info.Width, Info.BitCount) * static_cast<size_t>(Info.Height);
}

size_t BmpPictureBytes(const BmpInfo& Info) {
  if (CheckInfo(Info) != BmpOk) return 0;
  return static_cast<size_t>(Info.Width) * static_cast<size_t>(Info.Height) * sizeof(uint16_t);
}

BmpStatus DecodeBmpRows(const BmpInfo& Info, const uint8_t* Pixels, size_t Size, uint16_t* Out) {
  // The record may have been filled by hand, so its shape is checked again rather than
  // trusted: a depth without a conversion below must never leave Out unwritten.
  const BmpStatus shape = CheckInfo(Info);
  if (shape != BmpOk) return shape;
  const size_t stride = RowStrideOf(Info.Width, Info.BitCount);
  if (Pixels == nullptr || Size / stride < static_cast<size_t>(Info.Height)) return BmpTruncatedPixels;
  assert(Out != nullptr);

  const size_t width = static_cast<size_t>(Info.Width);
  const size_t height = static_cast<size_t>(Info.Height);
  for (size_t k = 0; k < height; ++k) {
    const uint8_t* src = Pixels + k * stride;
    // Bottom-up files store the bottom row first.
    uint16_t* dst = Out + (Info.TopDown ? k : height - 1 - k) * width;
    switch (Info.BitCount) {
    case 8:
      for (size_t x = 0; x < width; ++x) dst[x] = Info.Palette[src[x]];
      break;
    case 24:
      for (size_t x = 0; x < width; ++x, src += 3) dst[x] = Pack565(src[2], src[1], src[0]);
      break;
    default: // 32: blue, green, red and an unused byte
      for (size_t x = 0; x < width; ++x, src += 4) dst[x] = Pack565(src[2], src[1], src[0]);
      break;
    }
  }
  return BmpOk;
}

BmpStatus LoadBmp(const BmpSource& File, BmpImage& Out) {
  Out.Width = 0;
  Out.Height = 0;
  Out.Pixels.clear();
  if (File.Read == nullptr) return BmpUnreadable;
  uint8_t head[BmpHeadBytes];
  const size_t headWanted = File.Size < sizeof head ? static_cast<size_t>(File.Size) : sizeof head;
  const size_t headGot = ReadFully(File, 0, head, headWanted);
  if (headGot != headWanted) return BmpUnreadable;
  BmpInfo info;
  const BmpStatus status = ParseBmpHeader(head, headGot, info);
  if (status != BmpOk) return status;
  if (info.OffBits > File.Size) return BmpBadOffset;
  // Checked before allocating, so a small file cannot ask for a huge picture.
  const size_t rowBytes = BmpPixelBytes(info);
  if (File.Size - info.OffBits < rowBytes) return BmpTruncatedPixels;

  std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[rowBytes]);
  if (!rows) return BmpOutOfMemory;
  std::vector<uint16_t> pixels;
  try {
    pixels.resize(BmpPictureBytes(info) / sizeof(uint16_t));
  } catch (const std::bad_alloc&) {
    return BmpOutOfMemory;
  }
  // One read for the pixel rows; a file that shrank since its size was taken fails here.
  if (ReadFully(File, info.OffBits, rows.get(), rowBytes) != rowBytes) return BmpUnreadable;
  const BmpStatus decoded = DecodeBmpRows(info, rows.get(), rowBytes, pixels.data());
  if (decoded != BmpOk) return decoded;
  Out.Width = info.Width;
  Out.Height = info.Height;
  Out.Pixels = std::move(pixels);
  return BmpOk;
}

BmpStatus DecodeBmp(const uint8_t* File, size_t Size, BmpImage& Out) {
  struct Memory {
    const uint8_t* Bytes;
    size_t Size;
  } memory{File, File ? Size : 0};
  const BmpSource source{memory.Size,
                         [](void* Context, uint64_t Offset, void* Buffer, size_t Count) -> size_t {
                           const Memory& m = *static_cast<const Memory*>(Context);
                           if (Offset >= m.Size) return 0;
                           const size_t n = Count < m.Size - Offset ? Count : static_cast<size_t>(m.Size - Offset);
                           memcpy(Buffer, m.Bytes + Offset, n);
                           return n;
                         },
                         &memory};
  return LoadBmp(source, Out);
}
