// Bitmap surfaces: records made from bitmap files, loaded at first use, and colour
// keys picked from a picture's own pixels.
#include "engine_internal.h"

#include "bmp_decode.h"


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

// Copies a picture into a surface row by row at the surface's own pitch.
bool CopyToSurface(IDirectDrawSurface7* Surface, const uint16_t* Picture, int32_t Width, int32_t Height) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  if (Surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return false;
  for (int32_t row = 0; row < Height; ++row)
    memcpy(static_cast<uint8_t*>(desc.lpSurface) + static_cast<size_t>(row) * desc.lPitch,
           Picture + static_cast<size_t>(row) * Width, static_cast<size_t>(Width) * 2);
  Surface->Unlock(nullptr);
  return true;
}

// The pixel at (X, Y), made the surface's colour key; 0 when the surface cannot be read.
uint32_t ReadPixelAndKey(IDirectDrawSurface7* Surface, int32_t X, int32_t Y) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  if (Surface->Lock(nullptr, &desc, 0, nullptr) != DD_OK) return 0;
  const uint32_t pixel =
      *reinterpret_cast<const uint16_t*>(static_cast<uint8_t*>(desc.lpSurface) + static_cast<size_t>(Y) * desc.lPitch +
                                         static_cast<size_t>(X) * 2);
  ApplyColorKey(Surface, pixel);
  Surface->Unlock(nullptr);
  return pixel;
}

} // namespace

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
