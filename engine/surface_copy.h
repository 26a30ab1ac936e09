// Copying 16-bit 5-6-5 pictures into locked surfaces, free of platform calls: the
// surface's own description (format, size, pitch) is checked before a byte is written.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The pixel-format flags of a surface description that the copy looks at.
constexpr uint32_t SurfaceFormatRgb = 0x40;       // the pixels are RGB values (DDPF_RGB)
constexpr uint32_t SurfaceFormatFourCC = 0x4;     // a compressed or YUV layout named by a code (DDPF_FOURCC)
constexpr uint32_t SurfaceFormatPalette = 0x1838; // any palette-indexed layout (DDPF_PALETTEINDEXED1, 2, 4, 8, TO8)

// A locked surface as the platform describes it.
struct LockedSurface {
  void* Bits;           // the first byte of the top row
  int64_t Pitch;        // bytes from one row to the next
  uint32_t Width;       // pixels per row
  uint32_t Height;      // rows
  uint32_t FormatFlags; // the pixel format's flags
  uint32_t BitCount;    // bits per pixel
  uint32_t RedMask;     // bits of red in a pixel
  uint32_t GreenMask;   // bits of green
  uint32_t BlueMask;    // bits of blue
};

// True when the surface holds 16-bit 5-6-5 pixels, the only layout the engine's
// pictures and colour keys are made for.
bool IsSurface565(const LockedSurface& Surface);

// True when a Width x Height picture of 5-6-5 pixels fits the surface: its format is
// 5-6-5, the picture is no larger than the surface, and each row of the picture fits
// in the surface's pitch.
bool PictureFitsSurface(const LockedSurface& Surface, int32_t Width, int32_t Height);

// Copies a picture (Width x Height pixels, top row first, no padding) row by row at
// the surface's pitch; answers false and writes nothing unless PictureFitsSurface.
bool CopyPictureToSurface(const LockedSurface& Surface, const uint16_t* Picture, int32_t Width, int32_t Height);

// The 5-6-5 pixel at (X, Y) into Pixel; false, and Pixel untouched, when the surface is
// not 5-6-5 or the point lies outside it.
bool ReadSurfacePixel(const LockedSurface& Surface, int32_t X, int32_t Y, uint16_t& Pixel);
