// What the engine's files share: the engine-wide state and the internal operations.
#pragma once

#include "surface_copy.h"
#include "tavrik_engine.h"
#include "frame_pacing.h"
#include "input_events.h"

// Lifecycle, window and loop (lifecycle.cpp).
extern HINSTANCE ModuleInstance;
extern HWND EngineWindow;
extern WNDCLASSA EngineWindowClass;
extern int32_t ScreenWidth, ScreenHeight, ScreenBpp, RefreshRate;
extern int32_t FullScreen;
extern uint32_t FlipFlags;
extern int32_t TargetFps;
extern FramePacing Pacing; // FrameInterval and NextFrameTick
extern int32_t ScreenOffsetX, ScreenOffsetY;
extern volatile int32_t AppActive;
extern volatile int32_t RenderBusy;
extern uint8_t QuitFlag;
extern RendererProc CurrentRendererProc;
extern int32_t SpriteCount;
extern int32_t SurfaceCount;
extern long double CurrentFps;
extern int32_t FpsFrameCount;
extern uint32_t FpsStartTick, FpsLastTick;
extern int32_t FpsWindowOpen; // a measuring window has been opened by a render pass
extern int32_t ShowStats, StatsX, StatsY;
extern uint64_t LoopStartStamp;
extern uint64_t FrameTimings[11]; // slots 1..10; slot 0 unused

// The millisecond clock and the sleep of the frame loop; tests replace both.
extern uint32_t (*TickSource)();
extern void (*SleepSource)(uint32_t Milliseconds);
uint64_t ReadTimeStamp();

// Runs when the library is loaded (binds the platform libraries) and unloaded.
void EngineLibraryLoad(HINSTANCE Instance);
void EngineLibraryUnload();

// The window procedure, reachable for tests that feed it messages.
LRESULT CALLBACK EngineWindowProc(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

// One iteration of the frame loop; answers true when the loop is to end.
bool RunLoopIteration(FrameProc Frame);

// Display device (display.cpp).
extern IDirectDraw7* DirectDrawObject;
extern IDirectDrawSurface7* PrimarySurface;
extern IDirectDrawSurface7* BackBuffer;
extern IDirectDrawSurface7* ScratchSurface;
void BindDisplayLibrary();
void UnbindDisplayLibrary();
HRESULT InitDisplay(HWND Window, int32_t Width, int32_t Height, int32_t Bpp, int32_t Refresh, int32_t IsFullScreen,
                    int32_t VideoMemory);
void ReleaseDisplay();
void ForgetDisplay(); // drops the device pointers without releasing them

// Drawing helpers (render.cpp).
void FillSurface(uint32_t Color, IDirectDrawSurface7* Dest);
void FillSurfaceRect(uint32_t Color, IDirectDrawSurface7* Dest, RECT* Rect);

// Surfaces (surfaces.cpp).
IDirectDrawSurface7* CreatePlainSurface(int32_t Width, int32_t Height, bool VideoMemory);
void ApplyColorKey(IDirectDrawSurface7* Surface, uint32_t Key);
void RebuildSurface(SurfaceRecord** Surface);
bool IsKeyed(const SurfaceRecord* Surface);
void SetKeyFlags(SurfaceRecord* Surface, int32_t UseColorKey);
// A new zero-filled record of Kind with the fields every kind has; nil out of memory.
SurfaceRecord* AllocateSurfaceRecord(int32_t Kind, int32_t VideoMemory, int32_t UseColorKey, uint32_t ColorKey,
                                     const char* Source);
IDirectDrawSurface7* LoadBitmapSurface(const char* FileName, int32_t& Width, int32_t& Height, bool VideoMemory);
// Copies a 5-6-5 picture into a surface at its pitch; false, with nothing written, when
// the surface cannot be locked, is not 5-6-5, or is smaller than the picture.
bool CopyToSurface(IDirectDrawSurface7* Surface, const uint16_t* Picture, int32_t Width, int32_t Height);
// A lock's description as the copy reads it: the size, pitch and format only where its
// flags say they were given; SurfaceFormat (the surface's own, or nil) stands in for a
// format the lock left out.
LockedSurface DescribeLocked(const DDSURFACEDESC2& Desc, const DDPIXELFORMAT* SurfaceFormat);

// Text and font surfaces (text.cpp). Each render answers a new platform surface or
// nil and writes the record's Width and Height.
IDirectDrawSurface7* RenderTextSurface(SurfaceRecord* S);
IDirectDrawSurface7* RenderFontSurface(SurfaceRecord* S);
LOGFONTA MakeFontDescription(const SurfaceRecord* S, BYTE CharSet);
// Places the glyphs of codes 1..255 (Widths[k - 1]) in rows of RowHeight, starting a
// new row where a glyph would pass RowLimit; answers the atlas size.
void LayoutGlyphAtlas(const int32_t (&Widths)[255], int32_t RowHeight, int32_t RowLimit, GlyphEntry* Table,
                      int32_t& Width, int32_t& Height);

// Statistics overlay (statistics.cpp): eleven green lines at (X, Y) on Surface.
void DrawStatsOverlay(int32_t X, int32_t Y, IDirectDrawSurface7* Surface);

// Input (input.cpp).
extern InputState Input;
void BindInputLibrary();
void UnbindInputLibrary();
HRESULT InitInput();
void ShutdownInput();
bool InputDevicesOpen();
void ForgetInputDevices(); // drops the device pointers without releasing them
inline void ForgetDevices() {
  ForgetDisplay();
  ForgetInputDevices();
}
void ResetInputState();
void DiscardBufferedInput(); // drops the keys and motion the devices gathered so far
void SetInputDevicesForTesting(struct IDirectInputDeviceA* Keyboard, struct IDirectInputDeviceA* Mouse);
