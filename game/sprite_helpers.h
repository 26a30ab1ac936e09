// Helpers every screen uses: a sprite constructor, the frame-step animation, colour
// and rectangle packing, and typing characters from key codes.
#pragma once

#include "tavrik_engine.h"

// Set by the name entry from ShiftPressed before each key: ScanCodeToChar types
// the shifted character while it is true.
extern uint8_t TypingShift;

// A sprite on Surface at (X, Y) of W x H, appended to Chain (or free-standing), with
// its source rectangle on the first frame of row Row (or of the only row).
// A negative DataSize counts as 0.
Sprite* NewSprite(int32_t X, int32_t Y, int32_t W, int32_t H, SurfaceRecord* Surface, SpriteChain* Chain,
                  int32_t DataSize, int32_t UseRow, uint8_t Row, int32_t FollowOffset);

// One animation step, called once per frame: the frame moves on after every
// AnimDelay + 1 calls. At the bitmap's right edge it wraps (Loop), goes back to the
// first frame and stops (Rewind), or stays on the last frame and stops; MarkDone
// sets AnimDone when it stops. A sprite without surface counts as one on a bitmap of
// width 0.
void AnimateSprite(Sprite* S, int32_t Loop, int32_t Rewind, int32_t MarkDone);

// The 5-6-5 pixel value of a colour (each channel cut to its top bits).
uint16_t MakeColor565(uint8_t R, uint8_t G, uint8_t B);

// R := (Left, Top, Right, Bottom).
void SetRectValues(RECT& R, int32_t Left, int32_t Top, int32_t Right, int32_t Bottom);

// The character a key types on a US keyboard (shifted while TypingShift is set),
// or 0 for keys that type nothing.
char ScanCodeToChar(int32_t ScanCode);
