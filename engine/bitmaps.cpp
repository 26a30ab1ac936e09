// Bitmap surfaces: records made from bitmap files, loaded at first use, and colour
// keys picked from a picture's own pixels.
#include "engine_internal.h"

#include "bmp_decode.h"

#include <memory>
#include <new>

namespace {

struct FileHandle {
  HANDLE Handle;
  explicit FileHandle(const char* Name)
      : Handle(CreateFileA(Name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr)) {}
  ~FileHandle() {
    if (Handle != INVALID_HANDLE_VALUE) CloseHandle(Handle);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool Open() const { return Handle != INVALID_HANDLE_VALUE; }
  // Reads up to Size bytes; answers how many were read (0 on failure).
  DWORD Read(void* Buffer, size_t Size) const {
    DWORD got = 0;
    if (Size > MAXDWORD || !ReadFile(Handle, Buffer, static_cast<DWORD>(Size), &got, nullptr)) return 0;
    return got;
  }
  bool Seek(uint32_t Offset) const {
    LARGE_INTEGER to;
    to.QuadPart = Offset;
    return SetFilePointerEx(Handle, to, nullptr, FILE_BEGIN) != 0;
  }
};

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
  FileHandle file(FileName);
  if (!file.Open()) return nullptr;

  uint8_t head[BmpHeadBytes];
  BmpInfo info;
  if (ParseBmpHeader(head, file.Read(head, sizeof head), info) != BmpOk) return nullptr;
  Width = info.Width;
  Height = info.Height;

  // One read for the pixel rows, one temporary 16-bit picture; a file shorter than
  // its headers promise fails here without touching anything.
  const size_t rowBytes = BmpPixelBytes(info);
  std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[rowBytes]);
  std::unique_ptr<uint16_t[]> picture(new (std::nothrow) uint16_t[BmpPictureBytes(info) / 2]);
  if (!rows || !picture || !file.Seek(info.OffBits)) return nullptr;
  if (DecodeBmpRows(info, rows.get(), file.Read(rows.get(), rowBytes), picture.get()) != BmpOk) return nullptr;

  IDirectDrawSurface7* surface = CreatePlainSurface(Width, Height, VideoMemory);
  // A surface whose picture could not be copied in would show whatever it held.
  if (surface && !CopyToSurface(surface, picture.get(), Width, Height)) {
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
