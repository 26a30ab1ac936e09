// A first program with the engine and the sound library: a gem that the arrow keys
// move over the screen, a click on Space, Esc to quit. Run it from its own folder,
// where Gem.bmp and Click.wav lie.
#include "tavrik_engine.h"
#include "tavrik_sound.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace {

// DirectInput key codes; GetKeyName tells the name of any other.
constexpr uint32_t KeyEscape = 1, KeySpace = 57, KeyUp = 200, KeyLeft = 203, KeyRight = 205, KeyDown = 208;
constexpr int32_t ScreenWidth = 800, ScreenHeight = 600;
constexpr int32_t GemSize = 32;       // Gem.bmp is 32 x 32 pixels
constexpr int32_t Speed = 5;          // pixels per frame while an arrow key is held
constexpr uint32_t Background = 0x1083; // dark blue-grey, as a 16-bit 5-6-5 value; Gem.bmp's edge blends into it

Sprite* Gem;          // the sprite the keys move
SoundRecord* Click;   // nil without a sound device: playing it then does nothing
bool Held[256];       // keys now down, by key code: the engine sends no key repeats
bool QuitRequested;

void WINAPI OnKeyDown(uint32_t Code) {
  Held[Code & 255] = true;
  if (Code == KeySpace) tvrk_PlaySound(&Click, /*Loop*/ 0);
  if (Code == KeyEscape) QuitRequested = true;
}

void WINAPI OnKeyUp(uint32_t Code) { Held[Code & 255] = false; }

// No frame runs while the window is inactive, so a key let go meanwhile sends no
// key-up. After such a gap between frames, an arrow counts as held only while it is
// still down.
void ForgetKeysLetGoWhileAway() {
  static DWORD lastFrame = GetTickCount();
  const DWORD now = GetTickCount();
  if (now - lastFrame > 100) {
    for (const auto& [code, virtualKey] : {std::pair{KeyLeft, VK_LEFT}, {KeyRight, VK_RIGHT}, {KeyUp, VK_UP}, {KeyDown, VK_DOWN}})
      Held[code] = Held[code] && GetAsyncKeyState(virtualKey) < 0;
  }
  lastFrame = now;
}

// The renderer: draws one frame into the back buffer.
void WINAPI Draw() {
  ClearScreen(Background, nullptr); // nil target: the back buffer
  ShowSpriteFast(&Gem, nullptr);
}

// Called once per frame (33 a second): input, then the world, then the picture.
uint8_t WINAPI Frame() {
  TavrikEngineReadDirectInputData(); // calls OnKeyDown and OnKeyUp
  ForgetKeysLetGoWhileAway();
  Gem->X = std::clamp(Gem->X + Speed * (Held[KeyRight] - Held[KeyLeft]), 0, ScreenWidth - GemSize);
  Gem->Y = std::clamp(Gem->Y + Speed * (Held[KeyDown] - Held[KeyUp]), 0, ScreenHeight - GemSize);
  TavrikEngineRender(); // calls Draw, then shows the frame
  return QuitRequested; // nonzero ends ProcessWindowsMessages
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // Full screen at 800 x 600, 16 bits, vertical sync, 33 frames a second, video memory.
  HWND window;
  if (!TavrikEngineInit(&window, ScreenWidth, ScreenHeight, 16, 0, 1, 1, 33, 1))
    return 1; // the engine has already told the player why
  tvrk_InitDS(); // fails without a sound device; the program then runs silently
  Click = tvrk_CreateSound("Click.wav");

  // A free-standing sprite (no chain) showing the whole picture; black is transparent.
  SurfaceRecord* picture = CreateSurfaceFromBMPFile(1, /*UseColorKey*/ 1, /*ColorKey*/ 0, "Gem.bmp");
  Gem = CreateSprite(nullptr, 0);
  const bool ready = picture && Gem; // no picture: Gem.bmp is not in the working folder
  if (ready) {
    Gem->Surface = picture;
    Gem->SrcRect = {0, 0, GemSize, GemSize};
    Gem->X = (ScreenWidth - GemSize) / 2;
    Gem->Y = (ScreenHeight - GemSize) / 2;
    SetEventKeyDown(OnKeyDown);
    SetEventKeyUp(OnKeyUp);
    SetRendererProc(Draw);
    ProcessWindowsMessages(Frame); // returns when Frame answers nonzero or the window closes
  }

  // Every release accepts nil, so one path cleans up after success and failure alike.
  DelSprite(&Gem);
  FreeSurface(&picture);
  tvrk_FreeSound(&Click);
  tvrk_CloseDS();
  TavrikEngineDeInit();
  return ready ? 0 : 2;
}
