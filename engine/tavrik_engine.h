// TavrikEngine2D: the public interface of the 2D engine library (window and frame
// loop, display, surfaces, text, sprites and chains, input events, statistics).
#pragma once

#include <windows.h>
#include <ddraw.h>
#include <stddef.h>
#include <stdint.h>

struct SurfaceRecord;
struct SpriteChain;

// Callback types; every callback is called on the thread that runs the message loop.
typedef uint8_t(WINAPI* FrameProc)(void);              // once per due frame; nonzero (low byte) ends the loop
typedef void(WINAPI* RendererProc)(void);              // draws the frame into the back buffer
typedef void(WINAPI* KeyEventProc)(uint32_t ScanCode); // DirectInput key code of the key that went down or up
typedef void(WINAPI* MouseButtonProc)(uint32_t Button); // 0 left, 1 right, 2 middle, 3..7 further buttons
typedef void(WINAPI* MouseShellProc)(int32_t Delta);   // wheel motion summed since the last delivery
typedef void(WINAPI* RestoreProc)(SurfaceRecord** Surface); // repaints a user surface just made and cleared

// Kinds of surface record.
enum : int32_t {
  SurfaceKindBitmap = 0, // read from a bitmap file at first use
  SurfaceKindUser = 1,   // blank, painted by its RestoreProc
  SurfaceKindText = 2,   // one text rendered once
  SurfaceKindFont = 3,   // glyph atlas of character codes 1..255
};

// One picture. The engine allocates, rebuilds and frees it; callers only read it.
struct SurfaceRecord {
  int32_t Width;                // width in pixels (0 until first made, except user surfaces)
  int32_t Height;               // height in pixels, same rule
  uint32_t BltFlags;            // flags for stretching blits: DDBLT_WAIT, plus DDBLT_KEYSRC when keyed
  uint32_t BltFastFlags;        // flags for BltFast: DDBLTFAST_WAIT, plus DDBLTFAST_SRCCOLORKEY when keyed
  uint32_t ColorKey;            // source colour key, a 5-6-5 pixel value; text background fill
  int32_t VideoMemory;          // low byte nonzero: try video memory first
  IDirectDrawSurface7* DDSurface; // the platform surface (one reference), nil until made
  ::RestoreProc RestoreProc;    // user surfaces: repaints the picture after every rebuild
  int32_t FontHeight;           // text and font surfaces: font height
  int32_t Kind;                 // SurfaceKindBitmap, SurfaceKindUser, SurfaceKindText or SurfaceKindFont
  const char* Source;           // bitmap: file name; text and font: face name; user: empty text (caller-owned)
  uint32_t FontStyle;           // text and font: bit 0 bold, bit 1 underline, bit 2 italic
  const char* Text;             // text surfaces: the text (caller-owned)
  uint32_t TextColor;           // text and font: GDI COLORREF
  int32_t GlyphTableSize;       // font surfaces: byte size of GlyphTable (4080), else 0
  void* GlyphTable;             // font surfaces: 255 GlyphEntry records for codes 1..255, else nil
};

// Where one character's glyph lies in a font surface.
struct GlyphEntry {
  int32_t X;      // left edge in the font surface
  int32_t Y;      // top edge
  int32_t Width;  // glyph advance width
  int32_t Height; // row height, the same for every entry
};

// A drawable sprite; the caller reads and writes its fields directly.
struct Sprite {
  Sprite* Prev;         // previous sprite in its chain; nil at the head or when free-standing
  Sprite* Next;         // next sprite in its chain; nil at the tail or when free-standing
  SpriteChain* Chain;   // owning chain; nil for a free-standing sprite
  int32_t X;            // destination left edge, in pixels of the target
  int32_t Y;            // destination top edge
  int32_t Width;        // destination width
  int32_t Height;       // destination height
  int32_t AnimDone;     // application field: a one-shot animation has ended
  int32_t UseRow;       // application field: nonzero selects the animation row Row
  int32_t Animating;    // application field: nonzero while the animation runs
  int32_t AnimCounter;  // application field: steps since the last frame change
  int32_t AnimDelay;    // application field: the frame changes once AnimCounter exceeds it
  int32_t Row;          // application field: animation row (low byte used)
  int32_t FollowOffset; // nonzero: X/Y are world coordinates, drawn minus the screen offset
  RECT SrcRect;         // the rectangle of the surface that is drawn (Right, Bottom exclusive)
  SurfaceRecord* Surface; // the image; nil = never drawn
  int32_t State;        // application field: per-sprite state value
  int32_t DataSize;     // size of the user-data block in bytes; 0 = none
  void* Data;           // user-data block, zero-filled, owned by the sprite
};

// A doubly linked chain of sprites, owned by the caller; all zero is the empty chain.
struct SpriteChain {
  Sprite* First; // head, drawn first (bottom)
  Sprite* Last;  // tail, drawn last (top); new sprites are appended here
  int32_t Count; // number of sprites linked in
};

// The frame rate as GetSystemData writes it: ten bytes, an x87 80-bit extended float.
// Where long double is that type (MinGW-w64 on x86 and x86-64), TavrikFps is long
// double itself; elsewhere (MSVC, clang-cl: an 8-byte long double) it is a buffer of
// the ten bytes, since a long double variable would be overrun by two.
// TavrikFpsToDouble reads either.
#if defined(__LDBL_MANT_DIG__) && __LDBL_MANT_DIG__ == 64 && (defined(__i386__) || defined(__x86_64__))
typedef long double TavrikFps;
inline double TavrikFpsToDouble(const TavrikFps& Fps) { return static_cast<double>(Fps); }
#else
struct TavrikFps {
  uint8_t Bytes[10]; // 64-bit significand with its integer bit, then sign and 15-bit exponent; little-endian
};
// Rounds towards zero; values beyond double's range give 0 or infinity, NaN stays NaN.
inline double TavrikFpsToDouble(const TavrikFps& Fps) {
  uint64_t significand = 0;
  for (int i = 7; i >= 0; --i) significand = (significand << 8) | Fps.Bytes[i];
  const uint32_t signExponent = static_cast<uint32_t>(Fps.Bytes[8]) | (static_cast<uint32_t>(Fps.Bytes[9]) << 8);
  const uint64_t sign = static_cast<uint64_t>(signExponent >> 15) << 63;
  const int32_t exponent = static_cast<int32_t>(signExponent & 0x7FFF);
  uint64_t bits = sign;
  if (exponent == 0x7FFF) {
    bits |= 0x7FF0000000000000ull | ((significand << 1) >> 12) | ((significand << 1) ? 0x0008000000000000ull : 0);
  } else if (significand != 0) {
    // Normalise (the integer bit may be clear), then rebias from 16383 to 1023.
    int32_t e = exponent - 16383 + 1023;
    if (exponent == 0) e += 1;
    while (!(significand >> 63)) {
      significand <<= 1;
      e -= 1;
    }
    if (e >= 0x7FF) {
      bits |= 0x7FF0000000000000ull;
    } else if (e > 0) {
      bits |= (static_cast<uint64_t>(e) << 52) | ((significand << 1) >> 12);
    } else if (e > -52) {
      bits |= significand >> (12 - e); // a subnormal double
    }
  }
  // Through a union, which every compiler of the platform reads as the bits it holds:
  // a call to memcpy would need a C runtime that a program may not link.
  union {
    uint64_t Bits;
    double Value;
  } value;
  value.Bits = bits;
  return value.Value;
}
static_assert(sizeof(TavrikFps) == 10 && alignof(TavrikFps) == 1, "ten bytes, laid out anywhere in a caller's record");
#endif
static_assert(sizeof(TavrikFps) >= 10, "GetSystemData writes ten bytes of frame rate");

#if defined(_WIN32) && !defined(_WIN64)
// The 32-bit layouts are shared with programs built by other compilers.
static_assert(sizeof(Sprite) == 88, "Sprite is 22 fields of 4 bytes");
static_assert(offsetof(Sprite, FollowOffset) == 52, "FollowOffset is field 14");
static_assert(offsetof(Sprite, SrcRect) == 56, "SrcRect follows FollowOffset");
static_assert(offsetof(Sprite, Surface) == 72, "Surface follows SrcRect");
static_assert(offsetof(Sprite, Data) == 84, "Data is the last field");
static_assert(sizeof(SpriteChain) == 12, "SpriteChain is three fields of 4 bytes");
static_assert(sizeof(SurfaceRecord) == 64, "SurfaceRecord is 16 fields of 4 bytes");
static_assert(offsetof(SurfaceRecord, DDSurface) == 24, "DDSurface is field 7");
static_assert(offsetof(SurfaceRecord, GlyphTable) == 60, "GlyphTable is the last field");
static_assert(sizeof(GlyphEntry) == 16, "GlyphEntry is four int32");
static_assert(sizeof(RECT) == 16, "RECT is four int32");
#endif

extern "C" {

// Lifecycle, window and message loop.
int32_t WINAPI TavrikEngineInit(HWND* Window, int32_t Width, int32_t Height, int32_t BitsPerPixel,
                                int32_t RefreshRate, int32_t FullScreen, int32_t VSync, int32_t TargetFps,
                                int32_t VideoMemory);          // 1 success; 0 after a reported failure
void WINAPI TavrikEngineDeInit(void);                           // releases input, display, window; safe twice
void WINAPI ProcessWindowsMessages(FrameProc Frame);            // runs until the window closes or Frame says stop

// Sprites, chains, drawing and the render pass.
void WINAPI TavrikEngineRender(void);                           // one render pass; nothing while inactive
void WINAPI SetScreenOffset(int32_t X, int32_t Y);              // world offset of FollowOffset sprites
void WINAPI SetRendererProc(RendererProc P);                    // nil: nothing drawn by the pass
void WINAPI ClearScreen(uint32_t Color, SurfaceRecord* Target); // nil Target: back buffer; skipped without surface
void WINAPI ClearRect(uint32_t Color, RECT* Rect, SurfaceRecord* Target); // nil Rect: whole target
Sprite* WINAPI CreateSprite(SpriteChain* Chain, int32_t DataSize); // new zeroed sprite appended to Chain; nil out of memory
void WINAPI DelSprite(Sprite** S);                              // S := former Next; nil S: nothing
void WINAPI ClearChain(SpriteChain* Chain);                     // deletes every sprite; nil: nothing
int32_t WINAPI GetNumSprites(void);                             // live sprites
void WINAPI ShowSprite(Sprite** S, SurfaceRecord* Target);      // stretched draw; skipped when not drawable
void WINAPI ShowSpriteFast(Sprite** S, SurfaceRecord* Target);  // unscaled draw; skipped when not drawable
void WINAPI ShowChain(SpriteChain* Chain, SurfaceRecord* Target);     // ShowSprite over the chain
void WINAPI ShowChainFast(SpriteChain* Chain, SurfaceRecord* Target); // ShowSpriteFast over the chain

// Surfaces.
SurfaceRecord* WINAPI CreateSurfaceFromBMPFile(int32_t VideoMemory, int32_t UseColorKey, uint32_t ColorKey,
                                               const char* FileName); // nil when the file does not exist
void WINAPI SetColorKeyXY(SurfaceRecord** Surface, int32_t X, int32_t Y); // nothing outside the picture
void WINAPI ReleaseSurface(SurfaceRecord** Surface);            // drops the platform surface only
void WINAPI FreeSurface(SurfaceRecord** Surface);               // frees the record, Surface := nil
void WINAPI CreateSurfaceUser(SurfaceRecord** Surface, int32_t Width, int32_t Height, int32_t VideoMemory,
                              int32_t UseColorKey, uint32_t ColorKey, ::RestoreProc Restore); // record kept on failure
int32_t WINAPI SurfaceGetDC(HDC* DC, SurfaceRecord* Surface);   // HRESULT; -1 without platform surface
int32_t WINAPI SurfaceReleaseDC(HDC* DC, SurfaceRecord* Surface); // HRESULT; -1 without platform surface
int32_t WINAPI SurfaceLock(SurfaceRecord* Surface, RECT* Rect, DDSURFACEDESC2* Desc); // HRESULT; -1 without surface
int32_t WINAPI SurfaceUnLock(SurfaceRecord* Surface, RECT* Rect); // HRESULT; -1 without platform surface
void WINAPI CompactVidMem(void);                                // nothing without a device

// Text and fonts.
void WINAPI CreateSurfaceText(SurfaceRecord** Surface, int32_t VideoMemory, int32_t UseColorKey, int32_t FontHeight,
                              uint32_t TextColor, uint32_t ColorKey, const char* FaceName, const char* Text,
                              int32_t Bold, int32_t Underline, int32_t Italic); // Surface nil when not made (empty text)
void WINAPI CreateSurfaceFont(SurfaceRecord** Surface, int32_t VideoMemory, int32_t UseColorKey, int32_t FontHeight,
                              uint32_t TextColor, uint32_t ColorKey, const char* FaceName, int32_t Bold,
                              int32_t Underline, int32_t Italic); // Surface nil when the atlas was not made
void WINAPI ShowText(Sprite** S, SurfaceRecord* Target, int32_t X, int32_t Y, const char* Text,
                     int32_t FollowOffset); // nothing drawn unless S's surface is a font surface

// Frame statistics.
void WINAPI TavrikEngineShowFPS(int32_t X, int32_t Y, int32_t Show); // overlay switch and position; cannot fail
void WINAPI GetSystemData(TavrikFps* Fps, int32_t* Sprites, int32_t* Surfaces, uint32_t* VideoTotal,
                          uint32_t* VideoFree, int64_t* RenderAll,
                          int64_t* RenderUser); // Fps: all 10 bytes; video figures unchanged without a device

// Input.
void WINAPI TavrikEngineReadDirectInputData(void);              // delivers this frame's events; nothing while inactive
void WINAPI SetEventKeyDown(KeyEventProc P);                    // nil: key-down events dropped
void WINAPI SetEventKeyUp(KeyEventProc P);                      // nil: key-up events dropped
void WINAPI SetEventMouseDown(MouseButtonProc P);               // nil: button-down events dropped
void WINAPI SetEventMouseUp(MouseButtonProc P);                 // nil: button-up events dropped
void WINAPI SetEventMouseShell(MouseShellProc P);               // nil: wheel events dropped
int32_t WINAPI MousePressed(uint32_t Button);                   // 0 for Button >= 8
int32_t WINAPI ShiftPressed(void);                              // 0 or 1
int32_t WINAPI CtrlPressed(void);                               // 0 or 1
int32_t WINAPI AltPressed(void);                                // 0 or 1
void WINAPI GetMouseCoord(int32_t* X, int32_t* Y);              // the engine's cursor position
void WINAPI SetMouseCoord(int32_t X, int32_t Y);                // stored unclamped until the next read
void WINAPI GetKeyName(const char** Name, uint8_t ScanCode);    // constant text owned by the library; "" unnamed

} // extern "C"
