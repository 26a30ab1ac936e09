// Sprite construction, frame-step animation and typing helpers of the game.
#include "sprite_helpers.h"

uint8_t TypingShift;

namespace {

// Characters of key codes 2..57, unshifted and shifted; a blank entry types nothing.
constexpr int FirstTypingCode = 2;
constexpr int LastTypingCode = 57;
constexpr char Unshifted[] = "1234567890-=\0\0qwertyuiop[]\0\0asdfghjkl;'`\0\\zxcvbnm,./\0\0\0 ";
constexpr char Shifted[] = "!@#$%^&*()_+\0\0QWERTYUIOP{}\0\0ASDFGHJKL:\"~\0|ZXCVBNM<>?\0\0\0 ";
static_assert(sizeof Unshifted - 1 == LastTypingCode - FirstTypingCode + 1, "one entry per code");
static_assert(sizeof Shifted == sizeof Unshifted, "one entry per code");

} // namespace

Sprite* NewSprite(int32_t X, int32_t Y, int32_t W, int32_t H, SurfaceRecord* Surface, SpriteChain* Chain,
                  int32_t DataSize, int32_t UseRow, uint8_t Row, int32_t FollowOffset) {
  Sprite* s = CreateSprite(Chain, DataSize < 0 ? 0 : DataSize);
  if (!s) return nullptr;
  s->Surface = Surface;
  s->X = X;
  s->Y = Y;
  s->Width = W;
  s->Height = H;
  s->UseRow = UseRow;
  s->FollowOffset = FollowOffset;
  const int32_t top = UseRow ? Row * H : 0;
  SetRectValues(s->SrcRect, 0, top, W, top + H);
  s->Row = Row;
  return s;
}

void AnimateSprite(Sprite* S, int32_t Loop, int32_t Rewind, int32_t MarkDone) {
  if (!S || !S->Animating) return;
  // A missing bitmap counts as one not drawn yet, of width 0: the first step runs
  // past its edge, so a looping animation rests on its first frame and a one-shot
  // one ends (an explosion on a missing picture must still end).
  const int32_t edge = S->Surface ? S->Surface->Width : 0;
  S->AnimCounter += 1;
  if (S->AnimCounter <= S->AnimDelay) return;
  S->AnimCounter = 0;
  S->SrcRect.left += S->Width;
  S->SrcRect.top = S->UseRow ? (S->Row & 0xFF) * S->Height : 0;
  if (S->SrcRect.left + S->Width > edge) {
    if (Loop) {
      S->SrcRect.left = 0;
    } else {
      S->SrcRect.left = Rewind ? 0 : S->SrcRect.left - S->Width;
      S->Animating = 0;
      if (MarkDone) S->AnimDone = 1;
    }
  }
  S->SrcRect.right = S->SrcRect.left + S->Width;
  S->SrcRect.bottom = S->SrcRect.top + S->Height;
}

uint16_t MakeColor565(uint8_t R, uint8_t G, uint8_t B) {
  return static_cast<uint16_t>(((R & 0xF8) << 8) | ((G & 0xFC) << 3) | (B >> 3));
}

void SetRectValues(RECT& R, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom) {
  R.left = Left;
  R.top = Top;
  R.right = Right;
  R.bottom = Bottom;
}

char ScanCodeToChar(int32_t ScanCode) {
  if (ScanCode < FirstTypingCode || ScanCode > LastTypingCode) return 0;
  return (TypingShift ? Shifted : Unshifted)[ScanCode - FirstTypingCode];
}
