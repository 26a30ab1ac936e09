// What the game's files share: the program-wide state, the screen manager and the
// random generator.
#pragma once

#include "tavrik_engine.h"

// Identifies one of the game's screens.
enum ScreenId : int32_t {
  ScreenMainMenu = 0,
  ScreenGame = 1,
  ScreenAbout = 2,
};

// The keys the game reacts to, as keyboard scan codes.
constexpr uint32_t KeyEscape = 1, KeyBackspace = 14, KeyY = 21, KeyEnter = 28, KeyN = 49, KeySpace = 57, KeyF4 = 62;
constexpr uint32_t KeyUp = 200, KeyLeft = 203, KeyRight = 205, KeyDown = 208, KeyDelete = 211;

// Program-wide state.
extern uint8_t QuitRequested;     // the game is to end; returned by GameFrame
extern int32_t FrameCounter;      // frames since the last screen switch
extern void (*ScreenRenderProc)(); // the current screen's drawing, or nil
extern void (*ScreenFrameProc)();  // the current screen's per-frame work, or nil
extern int32_t MouseX, MouseY;    // mouse position read once at the start of each frame
extern HWND MainWindow;           // the engine's window
extern int32_t UseVideoMemory;    // placement asked for every surface the game makes
extern int32_t SoundEnabled;      // sound effects are played
extern SurfaceRecord* CursorSurface; // the animated mouse cursor's bitmap
extern Sprite* CursorSprite;         // the cursor, drawn last on every screen
extern SurfaceRecord* GameFontSurface; // the font of every run-time text
extern Sprite* GameFontSprite;         // carries GameFontSurface for ShowText

// Start-up, the per-frame callback, the renderer procedure and shutdown.
bool GameInit();
uint8_t WINAPI GameFrame();
void WINAPI GameRender();
void GameShutdown();

// The screen manager.
void SwitchScreen(int32_t Id);
void LeaveAllScreens();
void ResetHeldKeys(); // a key held on the screen left does not act on the next one
void InstallDefaultEvents();
void WINAPI DefaultKeyDown(uint32_t ScanCode);

// The game's one random generator.
void SeedRandom(uint32_t Seed);
int32_t Random(int32_t N); // uniform in 0 .. N-1; 0 for N <= 0
