// Pictures copied into DirectDraw surfaces of several formats under Wine: the engine
// reads each surface's format and size from the platform's own description, and
// writes only into a 16-bit 5-6-5 surface that holds the picture.
#include "engine_internal.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr uint8_t Canary = 0xA5;

// An off-screen system-memory surface of the given RGB format.
IDirectDrawSurface7* MakeSurface(IDirectDraw7* Device, int32_t Width, int32_t Height, DWORD Bits, DWORD Red,
                                 DWORD Green, DWORD Blue) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  desc.dwWidth = Width;
  desc.dwHeight = Height;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
  desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
  desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
  desc.ddpfPixelFormat.dwRGBBitCount = Bits;
  desc.ddpfPixelFormat.dwRBitMask = Red;
  desc.ddpfPixelFormat.dwGBitMask = Green;
  desc.ddpfPixelFormat.dwBBitMask = Blue;
  IDirectDrawSurface7* surface = nullptr;
  return Device->CreateSurface(&desc, &surface, nullptr) == DD_OK ? surface : nullptr;
}

// Every byte of the surface's rows, as locked.
std::vector<uint8_t> SurfaceBytes(IDirectDrawSurface7* Surface, LONG& Pitch) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  std::vector<uint8_t> bytes;
  if (Surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) return bytes;
  Pitch = desc.lPitch;
  const uint8_t* first = static_cast<uint8_t*>(desc.lpSurface);
  bytes.assign(first, first + static_cast<size_t>(desc.lPitch) * desc.dwHeight);
  Surface->Unlock(nullptr);
  return bytes;
}

void FillWithCanary(IDirectDrawSurface7* Surface) {
  DDSURFACEDESC2 desc;
  ZeroMemory(&desc, sizeof desc);
  desc.dwSize = sizeof desc;
  ASSERT_EQ(Surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
  memset(desc.lpSurface, Canary, static_cast<size_t>(desc.lPitch) * desc.dwHeight);
  Surface->Unlock(nullptr);
}

TEST(SurfaceFormat, APictureGoesOnlyIntoAFiveSixFiveSurfaceThatHoldsIt) {
  // Bound at run time, as the engine binds it: the tests need no DLL beyond the system's own.
  typedef HRESULT(WINAPI * CreateFn)(GUID*, void**, REFIID, IUnknown*);
  const HMODULE library = LoadLibraryA("DDraw.dll");
  ASSERT_NE(library, nullptr);
  const auto create = reinterpret_cast<CreateFn>(reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawCreateEx")));
  ASSERT_NE(create, nullptr);
  IDirectDraw7* device = nullptr;
  ASSERT_EQ(create(nullptr, reinterpret_cast<void**>(&device), IID_IDirectDraw7, nullptr), DD_OK);
  ASSERT_EQ(device->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
  constexpr int32_t Width = 5, Height = 3;
  std::vector<uint16_t> picture(Width * Height);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint16_t>(0xF000 + i);
  const struct {
    const char* Name;
    int32_t Width, Height;
    DWORD Bits, Red, Green, Blue;
    bool Copies;
  } cases[] = {
      {"5-6-5 of the picture's size", Width, Height, 16, 0xF800, 0x07E0, 0x001F, true},
      {"32-bit, as a window on a 32-bit desktop", Width, Height, 32, 0xFF0000, 0x00FF00, 0x0000FF, false},
      {"5-5-5", Width, Height, 16, 0x7C00, 0x03E0, 0x001F, false},
      {"5-6-5 narrower than the picture", Width - 1, Height, 16, 0xF800, 0x07E0, 0x001F, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    IDirectDrawSurface7* surface = MakeSurface(device, c.Width, c.Height, c.Bits, c.Red, c.Green, c.Blue);
    ASSERT_NE(surface, nullptr);
    FillWithCanary(surface);
    EXPECT_EQ(CopyToSurface(surface, picture.data(), Width, Height), c.Copies);
    LONG pitch = 0;
    const std::vector<uint8_t> bytes = SurfaceBytes(surface, pitch);
    ASSERT_FALSE(bytes.empty());
    for (int32_t y = 0; y < c.Height; ++y) {
      for (LONG b = 0; b < pitch; ++b) {
        const uint8_t got = bytes[y * pitch + b];
        const uint8_t want = c.Copies && b < Width * 2 ? static_cast<uint8_t>(picture[y * Width + b / 2] >> (8 * (b % 2)))
                                                       : Canary;
        ASSERT_EQ(got, want) << "row " << y << ", byte " << b;
      }
    }
    surface->Release();
  }
  device->Release();
  FreeLibrary(library);
}

// What a lock tells is taken only where its flags say it was given: a pitch shares its
// field with a linear surface's size, and a format left out is the surface's own.
TEST(SurfaceFormat, ALockIsReadOnlyForWhatItsFlagsSayItGave) {
  DDPIXELFORMAT rgb565;
  ZeroMemory(&rgb565, sizeof rgb565);
  rgb565.dwSize = sizeof rgb565;
  rgb565.dwFlags = DDPF_RGB;
  rgb565.dwRGBBitCount = 16;
  rgb565.dwRBitMask = 0xF800, rgb565.dwGBitMask = 0x07E0, rgb565.dwBBitMask = 0x001F;
  DDPIXELFORMAT rgb8888 = rgb565;
  rgb8888.dwRGBBitCount = 32;
  rgb8888.dwRBitMask = 0xFF0000, rgb8888.dwGBitMask = 0x00FF00, rgb8888.dwBBitMask = 0x0000FF;
  const struct {
    const char* Name;
    DWORD Flags;
    const DDPIXELFORMAT* Given;   // in the description
    const DDPIXELFORMAT* Surface; // the surface's own
    bool Fits;                    // a 4 x 2 picture may be copied
  } cases[] = {
      {"size, pitch and format given", DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT, &rgb565, nullptr, true},
      {"format left out: the surface's own", DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH, nullptr, &rgb565, true},
      {"format left out, a 32-bit surface", DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH, nullptr, &rgb8888, false},
      {"format unknown", DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH, nullptr, nullptr, false},
      {"a linear size, no pitch", DDSD_WIDTH | DDSD_HEIGHT | DDSD_LINEARSIZE | DDSD_PIXELFORMAT, &rgb565, nullptr, false},
      {"no height", DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT, &rgb565, nullptr, false},
  };
  uint16_t pixels[4 * 2] = {};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    DDSURFACEDESC2 desc;
    ZeroMemory(&desc, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = c.Flags;
    desc.dwWidth = 4;
    desc.dwHeight = 2;
    desc.lPitch = 8; // also the linear size of 4 x 2 pixels of 16 bits
    desc.lpSurface = pixels;
    if (c.Given) desc.ddpfPixelFormat = *c.Given;
    EXPECT_EQ(PictureFitsSurface(DescribeLocked(desc, c.Surface), 4, 2), c.Fits);
  }
}

} // namespace
