// Surface records: platform surfaces made on demand and remade after a loss.
#include "engine_internal.h"

#include <cstdlib>

namespace {

constexpr uint32_t KeyedBltFlags = DDBLT_WAIT | DDBLT_KEYSRC;
constexpr uint32_t PlainBltFlags = DDBLT_WAIT;
constexpr uint32_t KeyedBltFastFlags = DDBLTFAST_WAIT | DDBLTFAST_SRCCOLORKEY;
constexpr uint32_t PlainBltFastFlags = DDBLTFAST_WAIT;

void RebuildUserSurface(SurfaceRecord** Variable) {
  SurfaceRecord* s = *Variable;
  s->DDSurface = CreatePlainSurface(s->Width, s->Height, (s->VideoMemory & 0xFF) != 0);
  if (!s->DDSurface) return;
  if (IsKeyed(s)) ApplyColorKey(s->DDSurface, s->ColorKey);
  FillSurface(0, s->DDSurface);
  if (s->RestoreProc) s->RestoreProc(Variable);
}

} // namespace

bool IsKeyed(const SurfaceRecord* S) { return (S->BltFastFlags & DDBLTFAST_SRCCOLORKEY) != 0; }

void SetKeyFlags(SurfaceRecord* S, int32_t UseColorKey) {
  S->BltFlags = UseColorKey ? KeyedBltFlags : PlainBltFlags;
  S->BltFastFlags = UseColorKey ? KeyedBltFastFlags : PlainBltFastFlags;
}

SurfaceRecord* AllocateSurfaceRecord(int32_t Kind, int32_t VideoMemory, int32_t UseColorKey, uint32_t ColorKey,
                                     const char* Source) {
  auto* s = static_cast<SurfaceRecord*>(std::calloc(1, sizeof(SurfaceRecord)));
  if (!s) return nullptr;
  s->Kind = Kind;
  s->VideoMemory = VideoMemory;
  s->ColorKey = ColorKey;
  SetKeyFlags(s, UseColorKey);
  s->Source = Source;
  return s;
}

IDirectDrawSurface7* CreatePlainSurface(int32_t Width, int32_t Height, bool VideoMemory) {
  if (!DirectDrawObject) return nullptr;
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc; // not 124: the structure is larger on x86-64
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.dwWidth = static_cast<DWORD>(Width);
  desc.dwHeight = static_cast<DWORD>(Height);
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (VideoMemory ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
  IDirectDrawSurface7* surface = nullptr;
  HRESULT hr = DirectDrawObject->CreateSurface(&desc, &surface, nullptr);
  if (hr == DDERR_OUTOFVIDEOMEMORY && VideoMemory) {
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    hr = DirectDrawObject->CreateSurface(&desc, &surface, nullptr);
  }
  return hr == DD_OK ? surface : nullptr;
}

void ApplyColorKey(IDirectDrawSurface7* Surface, uint32_t Key) {
  DDCOLORKEY key{Key, Key};
  Surface->SetColorKey(DDCKEY_SRCBLT, &key);
}

void RebuildSurface(SurfaceRecord** Variable) {
  if (!Variable || !*Variable) return;
  SurfaceRecord* s = *Variable;
  switch (s->Kind) {
    case SurfaceKindBitmap:
      s->DDSurface = LoadBitmapSurface(s->Source, s->Width, s->Height, (s->VideoMemory & 0xFF) != 0);
      if (s->DDSurface && IsKeyed(s)) ApplyColorKey(s->DDSurface, s->ColorKey);
      break;
    case SurfaceKindUser:
      RebuildUserSurface(Variable);
      break;
    case SurfaceKindText:
    case SurfaceKindFont:
      s->DDSurface = s->Kind == SurfaceKindText ? RenderTextSurface(s) : RenderFontSurface(s);
      if (s->DDSurface && IsKeyed(s)) ApplyColorKey(s->DDSurface, s->ColorKey);
      break;
    default:
      break;
  }
}

extern "C" {

void WINAPI ReleaseSurface(SurfaceRecord** Surface) {
  if (!Surface || !*Surface || !(*Surface)->DDSurface) return;
  (*Surface)->DDSurface->Release();
  (*Surface)->DDSurface = nullptr;
}

void WINAPI FreeSurface(SurfaceRecord** Surface) {
  if (!Surface || !*Surface) return;
  ReleaseSurface(Surface);
  SurfaceRecord* s = *Surface;
  s->Source = nullptr;
  s->Text = nullptr;
  if (s->GlyphTableSize > 0 && s->GlyphTable) std::free(s->GlyphTable);
  s->GlyphTable = nullptr;
  s->GlyphTableSize = 0;
  std::free(s);
  SurfaceCount -= 1;
  *Surface = nullptr;
}

void WINAPI CreateSurfaceUser(SurfaceRecord** Surface, int32_t Width, int32_t Height, int32_t VideoMemory,
                              int32_t UseColorKey, uint32_t ColorKey, ::RestoreProc Restore) {
  if (!Surface) return;
  FreeSurface(Surface);
  SurfaceRecord* s = AllocateSurfaceRecord(SurfaceKindUser, VideoMemory, UseColorKey, ColorKey, "");
  if (!s) return; // out of memory: the variable stays nil
  *Surface = s;
  s->Width = Width;
  s->Height = Height;
  s->RestoreProc = Restore;
  RebuildSurface(Surface);
  SurfaceCount += 1;
}

int32_t WINAPI SurfaceGetDC(HDC* DC, SurfaceRecord* Surface) {
  IDirectDrawSurface7* target = Surface ? Surface->DDSurface : BackBuffer;
  if (!target || !DC) return -1;
  return target->GetDC(DC);
}

int32_t WINAPI SurfaceReleaseDC(HDC* DC, SurfaceRecord* Surface) {
  IDirectDrawSurface7* target = Surface ? Surface->DDSurface : BackBuffer;
  if (!target || !DC) return -1;
  return target->ReleaseDC(*DC);
}

int32_t WINAPI SurfaceLock(SurfaceRecord* Surface, RECT* Rect, DDSURFACEDESC2* Desc) {
  IDirectDrawSurface7* target = Surface ? Surface->DDSurface : BackBuffer;
  if (!target || !Desc) return -1;
  ZeroMemory(Desc, sizeof *Desc);
  Desc->dwSize = sizeof *Desc;
  return target->Lock(Rect, Desc, 0, nullptr);
}

int32_t WINAPI SurfaceUnLock(SurfaceRecord* Surface, RECT* Rect) {
  IDirectDrawSurface7* target = Surface ? Surface->DDSurface : BackBuffer;
  if (!target) return -1;
  return target->Unlock(Rect);
}

} // extern "C"
