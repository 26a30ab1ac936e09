// Fuzz entry for the bitmap loader: whole files through LoadBmp, the entry point the
// engine calls, read the way a file is (in pieces, never past its end).
#include "bmp_decode.h"

#include <stdlib.h>
#include <string.h>

namespace {

struct FuzzFile {
  const uint8_t* Bytes;
  size_t Size;
};

// Serves at most 4096 bytes a read, so the loader's read loop is exercised too.
size_t ReadPiece(void* Context, uint64_t Offset, void* Buffer, size_t Count) {
  const FuzzFile& file = *static_cast<const FuzzFile*>(Context);
  if (Offset > file.Size) abort(); // the loader must never seek past the end it was told
  size_t n = file.Size - static_cast<size_t>(Offset);
  if (n > Count) n = Count;
  if (n > 4096) n = 4096;
  memcpy(Buffer, file.Bytes + Offset, n);
  return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzFile file{Data, Size};
  BmpImage image;
  const BmpStatus status = LoadBmp(BmpSource{Size, ReadPiece, &file}, image);
  if (status == BmpOk) {
    if (image.Width <= 0 || image.Height <= 0 || image.Pixels.size() != size_t(image.Width) * size_t(image.Height))
      abort();
    // A picture is never larger than the file could describe: at least one byte a pixel.
    if (image.Pixels.size() > Size) abort();
  } else if (image.Width != 0 || image.Height != 0 || !image.Pixels.empty()) {
    abort();
  }
  return 0;
}
