// Sprites and chains: creation, deletion and drawing.
#include "engine_internal.h"

#include "clipping.h"

#include <cstdlib>

namespace {

// The surface and size that a draw goes to: the back buffer for a nil Target.
bool ResolveTarget(SurfaceRecord* Target, IDirectDrawSurface7*& Dest, int32_t& DW, int32_t& DH) {
  if (Target) {
    Dest = Target->DDSurface;
    DW = Target->Width;
    DH = Target->Height;
  } else {
    Dest = BackBuffer;
    DW = ScreenWidth;
    DH = ScreenHeight;
  }
  return Dest != nullptr;
}

// Common start of both draws: answers false when the sprite is not drawn at all.
bool PrepareDraw(Sprite* S, SurfaceRecord* Target, IDirectDrawSurface7*& Dest, int32_t& DW, int32_t& DH,
                 int32_t& PX, int32_t& PY) {
  if (!S || !S->Surface) return false;
  if (!ResolveTarget(Target, Dest, DW, DH)) return false;
  PX = S->X;
  PY = S->Y;
  if (S->FollowOffset) {
    PX -= ScreenOffsetX;
    PY -= ScreenOffsetY;
  }
  return SpriteOnTarget(PX, PY, S->Width, S->Height, DW, DH);
}

RECT ToRect(const ClipRect& R) { return RECT{R.Left, R.Top, R.Right, R.Bottom}; }

// Blits from the sprite's surface, which is made first when it does not exist yet.
// When the platform lost the surface it is made again and the blit tried once more.
// Without a surface (a picture that cannot be made) nothing is drawn.
template <typename Blit>
void BlitFromSprite(Sprite* S, Blit blit) {
  if (!S->Surface->DDSurface) RebuildSurface(&S->Surface);
  if (!S->Surface->DDSurface || blit(S->Surface) != DDERR_SURFACELOST) return;
  ReleaseSurface(&S->Surface);
  RebuildSurface(&S->Surface);
  if (S->Surface->DDSurface) blit(S->Surface);
}

} // namespace

extern "C" {

Sprite* WINAPI CreateSprite(SpriteChain* Chain, int32_t DataSize) {
  // Out of memory answers nil with nothing linked or counted: no exception may
  // cross the library boundary.
  auto* s = static_cast<Sprite*>(std::calloc(1, sizeof(Sprite)));
  if (!s) return nullptr;
  s->Chain = Chain;
  if (DataSize > 0) {
    s->Data = std::calloc(1, static_cast<size_t>(DataSize));
    if (!s->Data) {
      std::free(s);
      return nullptr;
    }
    s->DataSize = DataSize;
  }
  if (Chain) {
    s->Prev = Chain->Last;
    if (Chain->Last)
      Chain->Last->Next = s;
    else
      Chain->First = s;
    Chain->Last = s;
    Chain->Count += 1;
  }
  SpriteCount += 1;
  return s;
}

void WINAPI DelSprite(Sprite** V) {
  if (!V || !*V) return;
  Sprite* s = *V;
  Sprite* successor = s->Next;
  if (SpriteChain* chain = s->Chain) {
    if (s->Prev) s->Prev->Next = s->Next;
    if (s->Next) s->Next->Prev = s->Prev;
    if (chain->First == s) chain->First = s->Next;
    if (chain->Last == s) chain->Last = s->Prev;
    chain->Count -= 1;
  }
  if (s->DataSize >= 1 && s->Data) std::free(s->Data);
  SpriteCount -= 1;
  std::free(s);
  *V = successor;
}

void WINAPI ClearChain(SpriteChain* Chain) {
  if (!Chain) return;
  Sprite* cur = Chain->First;
  while (cur) DelSprite(&cur);
  Chain->First = nullptr;
  Chain->Last = nullptr;
}

int32_t WINAPI GetNumSprites(void) { return SpriteCount; }

void WINAPI ShowSprite(Sprite** V, SurfaceRecord* Target) {
  Sprite* s = V ? *V : nullptr;
  IDirectDrawSurface7* dest;
  int32_t dw, dh, px, py;
  if (!PrepareDraw(s, Target, dest, dw, dh, px, py)) return;
  const uint64_t start = ReadTimeStamp();
  ClipRect src{s->SrcRect.left, s->SrcRect.top, s->SrcRect.right, s->SrcRect.bottom};
  ClipRect dst{};
  ClipStretched(px, py, s->Width, s->Height, dw, dh, src, dst);
  RECT r = ToRect(src), d = ToRect(dst);
  BlitFromSprite(s, [&](SurfaceRecord* from) { return dest->Blt(&d, from->DDSurface, &r, from->BltFlags, nullptr); });
  FrameTimings[10] = ReadTimeStamp() - start;
}

void WINAPI ShowSpriteFast(Sprite** V, SurfaceRecord* Target) {
  Sprite* s = V ? *V : nullptr;
  IDirectDrawSurface7* dest;
  int32_t dw, dh, px, py;
  if (!PrepareDraw(s, Target, dest, dw, dh, px, py)) return;
  const uint64_t start = ReadTimeStamp();
  ClipRect src{s->SrcRect.left, s->SrcRect.top, s->SrcRect.right, s->SrcRect.bottom};
  int32_t x0, y0;
  ClipUnscaled(px, py, dw, dh, src, x0, y0);
  RECT r = ToRect(src);
  BlitFromSprite(s, [&](SurfaceRecord* from) { return dest->BltFast(x0, y0, from->DDSurface, &r, from->BltFastFlags); });
  FrameTimings[10] = ReadTimeStamp() - start;
}

void WINAPI ShowChain(SpriteChain* Chain, SurfaceRecord* Target) {
  if (!Chain) return;
  for (Sprite* cur = Chain->First; cur; cur = cur->Next) ShowSprite(&cur, Target);
}

void WINAPI ShowChainFast(SpriteChain* Chain, SurfaceRecord* Target) {
  if (!Chain) return;
  for (Sprite* cur = Chain->First; cur; cur = cur->Next) ShowSpriteFast(&cur, Target);
}

} // extern "C"
