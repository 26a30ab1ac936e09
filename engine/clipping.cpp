// Sprite clipping arithmetic. Sums are taken in 64 bits so that positions and sizes
// anywhere in the int32 range cannot overflow.
#include "clipping.h"

namespace {

int32_t Narrow(int64_t Value) {
  if (Value > INT32_MAX) return INT32_MAX;
  if (Value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(Value);
}

} // namespace

bool SpriteOnTarget(int32_t PX, int32_t PY, int32_t Width, int32_t Height, int32_t DW, int32_t DH) {
  return int64_t{PX} + Width > 0 && PX < DW && int64_t{PY} + Height > 0 && PY < DH;
}

void ClipUnscaled(int32_t PX, int32_t PY, int32_t DW, int32_t DH, ClipRect& Src, int32_t& X0, int32_t& Y0) {
  X0 = PX;
  Y0 = PY;
  if (X0 < 0) {
    Src.Left = Narrow(int64_t{Src.Left} - X0);
    X0 = 0;
  }
  if (Y0 < 0) {
    Src.Top = Narrow(int64_t{Src.Top} - Y0);
    Y0 = 0;
  }
  if (int64_t{X0} + (int64_t{Src.Right} - Src.Left) >= DW) Src.Right = Narrow(int64_t{DW} - X0 + Src.Left);
  if (int64_t{Y0} + (int64_t{Src.Bottom} - Src.Top) >= DH) Src.Bottom = Narrow(int64_t{DH} - Y0 + Src.Top);
}

void ClipStretched(int32_t PX, int32_t PY, int32_t Width, int32_t Height, int32_t DW, int32_t DH, ClipRect& Src,
                   ClipRect& Dst) {
  if (PX < 0) {
    Src.Left = Narrow(int64_t{Src.Left} - PX);
    Dst.Left = 0;
  } else {
    Dst.Left = PX;
  }
  if (PY < 0) {
    Src.Top = Narrow(int64_t{Src.Top} - PY);
    Dst.Top = 0;
  } else {
    Dst.Top = PY;
  }
  if (int64_t{Dst.Left} + (int64_t{Src.Right} - Src.Left) > DW) Src.Right = Narrow(int64_t{DW} - Dst.Left + Src.Left);
  if (int64_t{Dst.Top} + (int64_t{Src.Bottom} - Src.Top) > DH) Src.Bottom = Narrow(int64_t{DH} - Dst.Top + Src.Top);
  const int64_t right = int64_t{PX} + Width;
  const int64_t bottom = int64_t{PY} + Height;
  Dst.Right = Narrow(right > DW ? DW : right);
  Dst.Bottom = Narrow(bottom > DH ? DH : bottom);
}
