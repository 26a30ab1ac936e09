// Clipping of sprite draws against a target of DW x DH pixels, free of platform calls.
#pragma once

#include <stdint.h>

struct ClipRect {
  int32_t Left, Top, Right, Bottom; // Right and Bottom exclusive
};

// A sprite at (PX, PY) of Width x Height touches the target at all.
bool SpriteOnTarget(int32_t PX, int32_t PY, int32_t Width, int32_t Height, int32_t DW, int32_t DH);

// Unscaled draw: cuts Src where the sprite leaves the target on the left, top, right
// or bottom, and answers in X0, Y0 where the cut source lands.
void ClipUnscaled(int32_t PX, int32_t PY, int32_t DW, int32_t DH, ClipRect& Src, int32_t& X0, int32_t& Y0);

// Stretched draw: the source is cut in source pixels and the destination
// (PX, PY, PX + Width, PY + Height) in destination pixels, each on its own.
void ClipStretched(int32_t PX, int32_t PY, int32_t Width, int32_t Height, int32_t DW, int32_t DH, ClipRect& Src,
                   ClipRect& Dst);
