// Bitmap surfaces: records made from bitmap files, loaded at first use, and colour
// keys picked from a picture's own pixels.
#include "engine_internal.h"

#include "bmp_decode.h"
#include "surface_copy.h"


namespace {

// Reads a bitmap file for the decoder, at the offsets it asks for.
size_t ReadFileAt(void* Context, uint64_t Offset, void* Buffer, size_t Count) {
  const HANDLE file = static_cast<HANDLE>(Context);
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(Offset);
  DWORD got = 0;
  const DWORD wanted = Count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(Count);
  if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN) || !ReadFile(file, Buffer, wanted, &got, nullptr)) return 0;
  return got;
}

// Decodes a bitmap file, checked against its size before anything is allocated.
BmpStatus DecodeBitmapFile(const char* FileName, BmpImage& Image) {
  const HANDLE file = CreateFileA(FileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return BmpUnreadable;
  LARGE_INTEGER size;
  BmpStatus status = BmpUnreadable;
  if (GetFileSizeEx(file, &size) && size.QuadPart >= 0)
    status = LoadBmp(BmpSource{static_cast<uint64_t>(size.QuadPart), ReadFileAt, file}, Image);
  CloseHandle(file);
  return status;
}

bool FileExists(const char* Name) {
  const DWORD attributes = GetFileAttributesA(Name);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

LockedSurface DescribeLocked(const DDSURFACEDESC2& Desc, const DDPIXELFORMAT* SurfaceFormat) {
  LockedSurface locked = {};
  locked.Bits = Desc.lpSurface;
  // A description without its size, pitch or format describes nothing that may be
  // written (the pitch shares its field with the size of a linear surface).
  if (Desc.dwFlags & DDSD_PITCH) locked.Pitch = Desc.lPitch;
  if ((Desc.dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) == (DDSD_WIDTH | DDSD_HEIGHT)) {
    locked.Width = Desc.dwWidth;
    locked.Height = Desc.dwHeight;
  }
  // A lock may leave out the format when it is the primary surface's: the surface's
  // own then says it.
  const DDPIXELFORMAT* format = Desc.dwFlags & DDSD_PIXELFORMAT ? &Desc.ddpfPixelFormat : SurfaceFormat;
  if (format) {
    locked.FormatFlags = format->dwFlags;
    locked.BitCount = format->dwRGBBitCount;
    locked.RedMask = format->dwRBitMask;
    locked.GreenMask = format->dwGBitMask;
    locked.BlueMask = format->dwBBitMask;
  }
  return locked;
}

namespace {

// The surface's pixel format, asked for when its lock did not give it.
LockedSurface DescribeLocked(IDirectDrawSurface7* Surface, const DDSURFACEDESC2& Desc) {
  DDPIXELFORMAT format;
  ZeroMemory(&format, sizeof format);
  format.dwSize = sizeof format;
  const bool known = Desc.dwFlags & DDSD_PIXELFORMAT || Surface->GetPixelFormat(&format) == DD_OK;
  return DescribeLocked(Desc, known ? &format : nullptr);
}

// The platform's flags under the names the pure copy knows them by.
static_assert(SurfaceFormatRgb == DDPF_RGB && SurfaceFormatFourCC == DDPF_FOURCC, "pixel format flags");
static_assert(SurfaceFormatPalette == (DDPF_PALETTEINDEXED1 | DDPF_PALETTEINDEXED2 | DDPF_PALETTEINDEXED4 |
                                       DDPF_PALETTEINDEXED8 | DDPF_PALETTEINDEXEDTO8),
              "palette flags");

// The pixel at (X, Y), made the surface's colour key; 0 when the surface cannot be
// read, is not 5-6-5 or does not hold the point.
uint32_t ReadPixelAndKey(IDirectDrawSurface7* Surface, int32_t X, int32_t Y) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  if (Surface->Lock(nullptr, &desc, 0, nullptr) != DD_OK) return 0;
  uint16_t pixel = 0;
  if (ReadSurfacePixel(DescribeLocked(Surface, desc), X, Y, pixel)) ApplyColorKey(Surface, pixel);
  Surface->Unlock(nullptr);
  return pixel;
}

} // namespace

bool CopyToSurface(IDirectDrawSurface7* Surface, const uint16_t* Picture, int32_t Width, int32_t Height) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  if (Surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return false;
  // A surface of another format (a window on a desktop that is not 16-bit) or one
  // smaller than the picture is left as it is: copying would write past its rows.
  const bool copied = CopyPictureToSurface(DescribeLocked(Surface, desc), Picture, Width, Height);
  Surface->Unlock(nullptr);
  return copied;
}

IDirectDrawSurface7* LoadBitmapSurface(const char* FileName, int32_t& Width, int32_t& Height, bool VideoMemory) {
  if (!DirectDrawObject || !FileName) return nullptr;
  BmpImage image;
  if (DecodeBitmapFile(FileName, image) != BmpOk) return nullptr;
  Width = image.Width;
  Height = image.Height;

  IDirectDrawSurface7* surface = CreatePlainSurface(Width, Height, VideoMemory);
  // A surface whose picture could not be copied in would show whatever it held.
  if (surface && !CopyToSurface(surface, image.Pixels.data(), Width, Height)) {
    surface->Release();
    surface = nullptr;
  }
  return surface;
}

extern "C" {

SurfaceRecord* WINAPI CreateSurfaceFromBMPFile(int32_t VideoMemory, int32_t UseColorKey, uint32_t ColorKey,
                                               const char* FileName) {
  if (!FileName || !FileExists(FileName)) return nullptr;
  SurfaceRecord* s = AllocateSurfaceRecord(SurfaceKindBitmap, VideoMemory, UseColorKey, ColorKey, FileName);
  if (!s) return nullptr;
  SurfaceCount += 1;
  return s;
}

void WINAPI SetColorKeyXY(SurfaceRecord** Surface, int32_t X, int32_t Y) {
  if (!Surface || !*Surface) return;
  if (!(*Surface)->DDSurface) RebuildSurface(Surface);
  SurfaceRecord* s = *Surface;
  if (!s->DDSurface || X < 0 || X >= s->Width || Y < 0 || Y >= s->Height) return;
  SetKeyFlags(s, 1);
  s->ColorKey = ReadPixelAndKey(s->DDSurface, X, Y);
}

} // extern "C"
