// Copying 16-bit 5-6-5 pictures into locked surfaces after checking their layout.
#include "surface_copy.h"

#include <string.h>

bool IsSurface565(const LockedSurface& Surface) {
  return (Surface.FormatFlags & SurfaceFormatRgb) &&
         !(Surface.FormatFlags & (SurfaceFormatFourCC | SurfaceFormatPalette)) && Surface.BitCount == 16 &&
         Surface.RedMask == 0xF800 && Surface.GreenMask == 0x07E0 && Surface.BlueMask == 0x001F;
}

bool PictureFitsSurface(const LockedSurface& Surface, int32_t Width, int32_t Height) {
  if (!Surface.Bits || !IsSurface565(Surface) || Width < 0 || Height < 0) return false;
  if (static_cast<uint32_t>(Width) > Surface.Width || static_cast<uint32_t>(Height) > Surface.Height) return false;
  // Every row of the surface, not only the picture's, must lie within its pitch.
  return Surface.Pitch >= 0 && static_cast<uint64_t>(Surface.Pitch) >= static_cast<uint64_t>(Surface.Width) * 2;
}

bool CopyPictureToSurface(const LockedSurface& Surface, const uint16_t* Picture, int32_t Width, int32_t Height) {
  if (!PictureFitsSurface(Surface, Width, Height) || (!Picture && Width > 0 && Height > 0)) return false;
  const size_t rowBytes = static_cast<size_t>(Width) * 2;
  for (int32_t row = 0; row < Height; ++row)
    memcpy(static_cast<uint8_t*>(Surface.Bits) + static_cast<size_t>(row) * static_cast<size_t>(Surface.Pitch),
           Picture + static_cast<size_t>(row) * static_cast<size_t>(Width), rowBytes);
  return true;
}

bool ReadSurfacePixel(const LockedSurface& Surface, int32_t X, int32_t Y, uint16_t& Pixel) {
  if (!PictureFitsSurface(Surface, 0, 0) || X < 0 || Y < 0 || static_cast<uint32_t>(X) >= Surface.Width ||
      static_cast<uint32_t>(Y) >= Surface.Height)
    return false;
  memcpy(&Pixel,
         static_cast<const uint8_t*>(Surface.Bits) + static_cast<size_t>(Y) * static_cast<size_t>(Surface.Pitch) +
             static_cast<size_t>(X) * 2,
         sizeof Pixel);
  return true;
}
