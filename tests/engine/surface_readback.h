// Reading pictures back in tests: a copy of a surface's 16-bit pixels.
#pragma once

#include "tavrik_engine.h"

#include <cstring>
#include <vector>

struct Pixels {
  int width = 0, height = 0;
  std::vector<uint16_t> data;
  uint16_t at(int x, int y) const { return data[y * width + x]; }
};

// The pixels of a surface (the back buffer for nil); empty when it cannot be locked.
inline Pixels ReadBack(SurfaceRecord* surface = nullptr) {
  Pixels p;
  DDSURFACEDESC2 desc;
  if (SurfaceLock(surface, nullptr, &desc) != DD_OK) return p;
  p.width = static_cast<int>(desc.dwWidth);
  p.height = static_cast<int>(desc.dwHeight);
  p.data.resize(static_cast<size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y)
    std::memcpy(&p.data[y * p.width], static_cast<uint8_t*>(desc.lpSurface) + y * desc.lPitch, p.width * 2);
  SurfaceUnLock(surface, nullptr);
  return p;
}
