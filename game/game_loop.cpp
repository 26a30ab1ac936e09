// Start-up, the per-frame callback, the renderer procedure and shutdown.
#include "game.h"
#include "playfield.h"
#include "records_store.h"
#include "screens.h"
#include "sound_effects.h"
#include "sprite_helpers.h"

int32_t MouseX, MouseY;
HWND MainWindow;
int32_t UseVideoMemory = 1;
int32_t SoundEnabled;
SurfaceRecord* CursorSurface;
Sprite* CursorSprite;
SurfaceRecord* GameFontSurface;
Sprite* GameFontSprite;

namespace {

constexpr int32_t CursorSide = 31;
// Frames stop while the window is inactive; a pause of three frames may mean they did.
constexpr DWORD FramePauseMs = 100;
DWORD LastFrameTick;

// A key released while the window was inactive is never reported to the game. After
// frames have paused, a drop held from before is let go unless Space is still down.
// (Where the display is taken away, the field's repaint lets go of it as well.)
void LetGoOfReleasedKeys() {
  const DWORD now = GetTickCount();
  if (now - LastFrameTick > FramePauseMs && DropHeld && !(GetAsyncKeyState(VK_SPACE) & 0x8000)) ResetHeldKeys();
  LastFrameTick = now;
}

// Colour-keyed white text on the key colour 0, height 14.
void CreateGameFont() {
  CreateSurfaceFont(&GameFontSurface, UseVideoMemory, 1, 14, 0xFFFFFF, 0, "Arial", 0, 0, 0);
  GameFontSprite = NewSprite(0, 0, 0, 0, GameFontSurface, nullptr, 0, 0, 0, 0);
}

// The cursor's frames lie side by side; it steps one frame every second game frame.
void CreateCursor() {
  CursorSurface = CreateSurfaceFromBMPFile(UseVideoMemory, 1, MakeColor565(0, 255, 0), "IMAGES\\White-Blue cursor.bmp");
  CursorSprite = NewSprite(0, 0, CursorSide, CursorSide, CursorSurface, nullptr, 0, 0, 0, 0);
  if (CursorSprite) {
    CursorSprite->Animating = 1;
    CursorSprite->AnimDelay = 1;
  }
}

} // namespace

bool GameInit() {
  QuitRequested = 0; // a second start in one process starts like the first
  SoundEnabled = 0;
  SeedRandom(GetTickCount());
  if (!TavrikEngineInit(&MainWindow, 800, 600, 16, 0, 1, 1, 33, UseVideoMemory)) return false;
  SettleRecordsPlace();
  SetRendererProc(GameRender);
  SwitchScreen(ScreenMainMenu);
  CreateGameFont();
  CreateCursor();
  StartSoundEffects();
  return true;
}

uint8_t WINAPI GameFrame() {
  LetGoOfReleasedKeys();
  TavrikEngineReadDirectInputData();
  GetMouseCoord(&MouseX, &MouseY);
  if (CursorSprite) {
    // The cursor's hot spot is its top-left pixel.
    CursorSprite->X = MouseX;
    CursorSprite->Y = MouseY;
    AnimateSprite(CursorSprite, 1, 0, 0);
  }
  if (ScreenFrameProc) ScreenFrameProc();
  TavrikEngineRender();
  const uint8_t quit = QuitRequested;
  FrameCounter = static_cast<int32_t>(static_cast<uint32_t>(FrameCounter) + 1u); // wraps after 2^31 frames, no overflow
  return quit;
}

void WINAPI GameRender() {
  if (ScreenRenderProc) ScreenRenderProc();
  ShowSpriteFast(&CursorSprite, nullptr); // above everything the screen drew
}

void GameShutdown() {
  LeaveRecords();
  StopSoundEffects();
  DelSprite(&GameFontSprite);
  FreeSurface(&GameFontSurface);
  DelSprite(&CursorSprite);
  FreeSurface(&CursorSurface);
  LeaveAllScreens();
  TavrikEngineDeInit();
  UnbindSoundLibrary();
}
