// The DirectDraw 7 display device: binding, set-up and release.
#include "engine_internal.h"

IDirectDraw7* DirectDrawObject;
IDirectDrawSurface7* PrimarySurface;
IDirectDrawSurface7* BackBuffer;
IDirectDrawSurface7* ScratchSurface;

namespace {

typedef HRESULT(WINAPI* DirectDrawCreateExFn)(GUID*, void**, REFIID, IUnknown*);

HMODULE DirectDrawLibrary;
DirectDrawCreateExFn DirectDrawCreateExEntry;

} // namespace

void BindDisplayLibrary() {
  DirectDrawLibrary = LoadLibraryA("DDraw.dll");
  DirectDrawCreateExEntry = DirectDrawLibrary ? reinterpret_cast<DirectDrawCreateExFn>(reinterpret_cast<void*>(
                                                    GetProcAddress(DirectDrawLibrary, "DirectDrawCreateEx")))
                                              : nullptr;
}

void UnbindDisplayLibrary() {
  if (DirectDrawLibrary) FreeLibrary(DirectDrawLibrary);
  DirectDrawLibrary = nullptr;
  DirectDrawCreateExEntry = nullptr;
}

HRESULT InitDisplay(HWND Window, int32_t Width, int32_t Height, int32_t Bpp, int32_t Refresh, int32_t IsFullScreen,
                    int32_t VideoMemory) {
  ReleaseDisplay();
  FullScreen = IsFullScreen;

  if (!DirectDrawCreateExEntry) return E_FAIL;
  HRESULT hr = DirectDrawCreateExEntry(nullptr, reinterpret_cast<void**>(&DirectDrawObject), IID_IDirectDraw7, nullptr);
  if (hr != DD_OK) return hr;

  hr = DirectDrawObject->SetCooperativeLevel(
      Window, FullScreen ? DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE : DDSCL_NORMAL);
  if (hr != DD_OK) return hr;

  if (FullScreen) {
    hr = DirectDrawObject->SetDisplayMode(Width, Height, Bpp, Refresh, 0);
    if (hr != DD_OK) return hr;
  }

  const DWORD memory = VideoMemory ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY;
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc; // not 124: the structure is larger on x86-64
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | memory;
  if (FullScreen) {
    desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
    desc.dwBackBufferCount = 1;
    desc.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
  }
  hr = DirectDrawObject->CreateSurface(&desc, &PrimarySurface, nullptr);
  if (hr != DD_OK) return hr;

  if (FullScreen) {
    DDSCAPS2 caps;
    ZeroMemory(&caps, sizeof caps);
    caps.dwCaps = DDSCAPS_BACKBUFFER | memory;
    hr = PrimarySurface->GetAttachedSurface(&caps, &BackBuffer);
    if (hr != DD_OK) return hr;
  } else {
    BackBuffer = PrimarySurface;
  }

  ScratchSurface = CreatePlainSurface(8, 8, false);
  return DD_OK;
}

void ReleaseDisplay() {
  if (ScratchSurface) ScratchSurface->Release();
  ScratchSurface = nullptr;
  // In a window the back buffer is only another name for the primary surface.
  if (BackBuffer && FullScreen && BackBuffer != PrimarySurface) BackBuffer->Release();
  BackBuffer = nullptr;
  if (PrimarySurface) PrimarySurface->Release();
  PrimarySurface = nullptr;
  if (DirectDrawObject) DirectDrawObject->Release();
  DirectDrawObject = nullptr;
}

void ForgetDisplay() {
  ScratchSurface = BackBuffer = PrimarySurface = nullptr;
  DirectDrawObject = nullptr;
}

extern "C" void WINAPI CompactVidMem(void) {
  if (DirectDrawObject) DirectDrawObject->Compact();
}
