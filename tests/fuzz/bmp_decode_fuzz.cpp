// Fuzz entry for the bitmap decoder: whole files from memory, and the same bytes split
// the way the engine's loader reads them (headers first, then the pixel block).
#include "bmp_decode.h"

#include <stdlib.h>

#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  BmpImage image;
  const BmpStatus whole = DecodeBmp(Data, Size, image);
  if (whole == BmpOk && image.Pixels.size() != static_cast<size_t>(image.Width) * image.Height) abort();

  // The loader's path must agree with the whole-file decode, picture for picture.
  BmpInfo info;
  if (ParseBmpHeader(Data, std::min(Size, BmpHeadBytes), info) != BmpOk) {
    if (whole == BmpOk) abort();
    return 0;
  }
  if (info.OffBits > Size) return 0;
  const size_t available = std::min(Size - info.OffBits, BmpPixelBytes(info));
  if (available < BmpPixelBytes(info)) {
    if (whole == BmpOk) abort();
    return 0;
  }
  // Exactly the bytes the loader reads, so a read past them trips AddressSanitizer.
  std::vector<uint8_t> rows(Data + info.OffBits, Data + info.OffBits + available);
  std::vector<uint16_t> picture(BmpPictureBytes(info) / sizeof(uint16_t));
  const BmpStatus split = DecodeBmpRows(info, rows.data(), rows.size(), picture.data());
  if (split != whole || (split == BmpOk && picture != image.Pixels)) abort();
  return 0;
}
