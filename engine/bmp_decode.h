// Reading of Windows bitmap files into 16-bit 5-6-5 pictures, free of platform calls.
// Bitmaps are files anyone can replace, so every size is checked before it is used.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

constexpr size_t BmpFileHeaderBytes = 14;
constexpr size_t BmpInfoHeaderBytes = 40;
constexpr size_t BmpPaletteBytes = 1024; // 256 entries of blue, green, red, reserved
// Bytes to read from the start of a file for ParseBmpHeader: both headers and, for
// 8-bit files, the palette that always follows the first 40 bytes of the info header.
constexpr size_t BmpHeadBytes = BmpFileHeaderBytes + BmpInfoHeaderBytes + BmpPaletteBytes;
// Largest accepted width and height, in pixels.
constexpr int32_t BmpMaxSide = 16384;

enum BmpStatus {
  BmpOk = 0,
  BmpTruncatedHeader,  // fewer bytes than the file and info headers take
  BmpNotBitmap,        // the file does not start with "BM"
  BmpBadInfoSize,      // biSize below 40: an older header whose fields lie elsewhere
  BmpCompressed,       // biCompression other than 0 (BI_RGB)
  BmpBadDimensions,    // width or height 0, width negative, or a side over BmpMaxSide
  BmpUnsupportedDepth, // biBitCount other than 8, 24 or 32
  BmpTruncatedPalette, // an 8-bit file that ends inside its palette
  BmpBadOffset,        // bfOffBits inside the headers or past the end of the file
  BmpTruncatedPixels,  // fewer pixel bytes than Height rows of RowStride bytes
  BmpUnreadable,       // the source answered fewer bytes than its size promised
  BmpOutOfMemory,      // the picture or its rows could not be allocated
};

struct BmpInfo {
  int32_t Width;          // pixels per row, 1..BmpMaxSide
  int32_t Height;         // rows, 1..BmpMaxSide (the magnitude of biHeight)
  uint16_t BitCount;      // 8, 24 or 32
  bool TopDown;           // true when biHeight was negative: the first stored row is the top one
  uint32_t OffBits;       // bfOffBits: where the pixel rows start in the file
  size_t RowStride;       // bytes per stored row, padded to a multiple of 4
  uint16_t Palette[256];  // 8-bit files: the palette already in 5-6-5; otherwise 0
};

struct BmpImage {
  int32_t Width;               // pixels per row
  int32_t Height;              // rows
  std::vector<uint16_t> Pixels; // Width x Height 5-6-5 pixels, top row first, no padding
};

// The 5-6-5 pixel of a colour, each channel cut to its top bits (no rounding).
constexpr uint16_t Pack565(uint8_t r, uint8_t g, uint8_t b) {
  return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// Reads the headers (and an 8-bit file's palette) from the first Size bytes of a file;
// Size may be less than BmpHeadBytes when the file is shorter. Info is written only on BmpOk.
BmpStatus ParseBmpHeader(const uint8_t* Data, size_t Size, BmpInfo& Info);

// Bytes of pixel rows that DecodeBmpRows needs: Height x RowStride.
size_t BmpPixelBytes(const BmpInfo& Info);

// Bytes of the decoded picture: Width x Height x 2.
size_t BmpPictureBytes(const BmpInfo& Info);

// Converts the stored rows (Size bytes read from OffBits) into Out, which holds
// Width x Height pixels, top row first. Out is not touched on failure.
BmpStatus DecodeBmpRows(const BmpInfo& Info, const uint8_t* Pixels, size_t Size, uint16_t* Out);

// A bitmap file to decode: its size, and a way to read its bytes at an offset.
struct BmpSource {
  uint64_t Size; // bytes in the file
  // Reads up to Count bytes at Offset into Buffer; answers how many it read, fewer
  // only at the end of the file or on a failure.
  size_t (*Read)(void* Context, uint64_t Offset, void* Buffer, size_t Count);
  void* Context;
};

// Decodes a whole bitmap file: the one entry point of the engine's loader, its tests
// and its fuzz target. The headers are checked against the file's size before anything
// is allocated, so a small file cannot ask for a large picture. Out is left empty on
// failure.
BmpStatus LoadBmp(const BmpSource& File, BmpImage& Out);

// LoadBmp over a file held in memory.
BmpStatus DecodeBmp(const uint8_t* File, size_t Size, BmpImage& Out);
