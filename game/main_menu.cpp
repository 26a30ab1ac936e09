// The main menu: a background, four buttons worked with the mouse or the keyboard,
// a lamp beside each button, two indicators and the logo's lamp.
#include "screens.h"

#include "game.h"
#include "sound_effects.h"
#include "sprite_helpers.h"

SpriteChain MenuButtonChain;
Sprite* SelectedButton;

namespace {

constexpr int32_t ButtonStart = 1, ButtonSound = 2, ButtonAbout = 3, ButtonClose = 4;
constexpr int32_t ButtonPressed = 0xFF00; // State bits while the left button pressed on it is held
constexpr int32_t KindIndicator = 1, KindButtonLamp = 2, KindLogoLamp = 3;
constexpr int32_t IndicatorPeriod = 70; // frames between two runs of the indicators


SurfaceRecord* MenuBackgroundSurface;
Sprite* MenuBackgroundSprite;
SurfaceRecord* MenuButtonSurfaces[1 + 3];
SurfaceRecord* MenuDecorSurfaces[1 + 4];
Sprite* MenuDecorSprites[1 + 7];

const char* const ButtonFiles[1 + 3] = {nullptr, "IMAGES\\MainMenu_StartBtn.bmp", "IMAGES\\MainMenu_CloseBtn.bmp",
                                        "IMAGES\\MainMenu_2Btns.bmp"};
const char* const DecorFiles[1 + 4] = {nullptr, "IMAGES\\Indicator(L,R).bmp", "IMAGES\\MainMenu_Lamp(3Btns).bmp",
                                       "IMAGES\\MainMenu_Lamp(CloseBtn).bmp", "IMAGES\\MainMenu_Lamp(Logo).bmp"};

struct DecorLayout {
  int32_t X, Y, W, H, Surface, UseRow, Row, Kind, AnimDelay, Animating;
};
// Indicators, the lamps of Start, Sound, About and Close, and the logo's lamp.
constexpr DecorLayout Decor[1 + 7] = {
    {},
    {260, 65, 25, 70, 1, 0, 0, KindIndicator, 0, 1},
    {515, 65, 25, 70, 1, 0, 1, KindIndicator, 0, 1},
    {36, 276, 17, 17, 2, 1, 0, KindButtonLamp, 2, 0},
    {36, 316, 17, 17, 2, 1, 1, KindButtonLamp, 2, 0},
    {36, 356, 17, 17, 2, 1, 2, KindButtonLamp, 2, 0},
    {706, 527, 17, 17, 3, 0, 0, KindButtonLamp, 2, 0},
    {522, 38, 17, 17, 4, 0, 0, KindLogoLamp, 2, 1},
};

int32_t Identity(const Sprite* S) { return S->State & 0xFF; }

Sprite* NewButton(int32_t Id, int32_t X, int32_t Y, int32_t W, SurfaceRecord* Surface, int32_t UseRow, uint8_t Row) {
  Sprite* s = NewSprite(X, Y, W, 30, Surface, &MenuButtonChain, 0, UseRow, Row, 0);
  if (s) s->State = Id;
  return s;
}

// The Sound button's row shows whether sound is on (row 0) or off (row 1).
void ShowSoundState(Sprite* S) {
  if (S) SetRectValues(S->SrcRect, 0, SoundEnabled ? 0 : 30, 60, SoundEnabled ? 30 : 60);
}

// Carries out what a button does; answers false when the menu is gone afterwards.
// The Sound button shows the new state itself, even when a key moved the selection
// away from it in the frame it was released.
bool Activate(Sprite* S) {
  switch (Identity(S)) {
    case ButtonStart:
      SwitchScreen(ScreenGame);
      return false;
    case ButtonSound:
      SoundEnabled = SoundEnabled ? 0 : 1;
      ShowSoundState(S);
      return true;
    case ButtonAbout:
      SwitchScreen(ScreenAbout);
      return false;
    case ButtonClose:
      QuitRequested = 1;
      return true;
    default:
      return true;
  }
}

void MoveSelection(Sprite* To) {
  if (!To) return;
  SetButtonFrame(&SelectedButton, 0);
  SelectedButton = To;
  SetButtonFrame(&SelectedButton, 1);
  PlayGameSound(&MenuSound);
  SetMouseCoord(SelectedButton->X + 20, SelectedButton->Y + 20);
}

void AnimateDecor(int32_t I) {
  Sprite* s = MenuDecorSprites[I];
  if (!s) return;
  switch (s->State) {
    case KindIndicator:
      AnimateSprite(s, 0, 1, 0);
      if (!s->Animating && FrameCounter % IndicatorPeriod == 1) s->Animating = 1;
      break;
    case KindButtonLamp:
      AnimateSprite(s, 0, 1, 0);
      // The whole State: not while the selected button is held down.
      if (SelectedButton && SelectedButton->State == I - 2) s->Animating = 1;
      break;
    case KindLogoLamp:
      AnimateSprite(s, 1, 1, 0);
      break;
    default:
      break;
  }
}

} // namespace

void SetButtonFrame(Sprite** S, int32_t Column) {
  if (!S || !*S) return;
  static constexpr int32_t Widths[] = {0, 115, 60, 60, 30};
  const int32_t id = Identity(*S);
  const int32_t w = id >= 1 && id <= 4 ? Widths[id] : 0;
  (*S)->SrcRect.left = w * Column;
  (*S)->SrcRect.right = (*S)->SrcRect.left + w;
}

void EnterMainMenu() {
  ScreenRenderProc = MenuRender;
  ScreenFrameProc = MenuFrame;
  SetEventKeyDown(MenuKeyDown);
  SetEventMouseDown(MenuMouseDown);
  SetEventMouseUp(MenuMouseUp);

  // Opaque rectangles: no colour key.
  MenuBackgroundSurface = CreateSurfaceFromBMPFile(UseVideoMemory, 0, 0xFFFF, "IMAGES\\MainMenu_BG.bmp");
  for (int i = 1; i <= 3; ++i) MenuButtonSurfaces[i] = CreateSurfaceFromBMPFile(UseVideoMemory, 0, 0xFFFF, ButtonFiles[i]);
  for (int i = 1; i <= 4; ++i) MenuDecorSurfaces[i] = CreateSurfaceFromBMPFile(UseVideoMemory, 0, 0xFFFF, DecorFiles[i]);

  MenuButtonChain = SpriteChain{};
  SelectedButton = NewButton(ButtonStart, 55, 270, 115, MenuButtonSurfaces[1], 0, 0);
  SetButtonFrame(&SelectedButton, 1);
  ShowSoundState(NewButton(ButtonSound, 55, 310, 60, MenuButtonSurfaces[3], 0, 0));
  if (Sprite* about = NewButton(ButtonAbout, 55, 350, 60, MenuButtonSurfaces[3], 0, 1))
    SetRectValues(about->SrcRect, 0, 60, 60, 90);
  NewButton(ButtonClose, 720, 500, 30, MenuButtonSurfaces[2], 0, 0);

  for (int i = 1; i <= 7; ++i) {
    const DecorLayout& d = Decor[i];
    Sprite* s = NewSprite(d.X, d.Y, d.W, d.H, MenuDecorSurfaces[d.Surface], nullptr, 0, d.UseRow,
                          static_cast<uint8_t>(d.Row), 0);
    if (s) {
      s->State = d.Kind;
      s->AnimDelay = d.AnimDelay;
      s->Animating = d.Animating;
    }
    MenuDecorSprites[i] = s;
  }
  MenuBackgroundSprite = NewSprite(0, 0, 800, 600, MenuBackgroundSurface, nullptr, 0, 0, 0, 0);

  if (SelectedButton) SetMouseCoord(SelectedButton->X + 20, SelectedButton->Y + 20);
}

void LeaveMainMenu() {
  ClearChain(&MenuButtonChain);
  SelectedButton = nullptr;
  DelSprite(&MenuBackgroundSprite);
  for (int i = 1; i <= 7; ++i) DelSprite(&MenuDecorSprites[i]);
  FreeSurface(&MenuBackgroundSurface);
  for (int i = 1; i <= 3; ++i) FreeSurface(&MenuButtonSurfaces[i]);
  for (int i = 1; i <= 4; ++i) FreeSurface(&MenuDecorSurfaces[i]);
}

void MenuRender() {
  ClearScreen(0, nullptr);
  ShowSpriteFast(&MenuBackgroundSprite, nullptr);
  for (int i = 1; i <= 7; ++i) ShowSpriteFast(&MenuDecorSprites[i], nullptr);
  ShowChainFast(&MenuButtonChain, nullptr);
}

void MenuFrame() {
  for (Sprite* s = MenuButtonChain.First; s; s = s->Next) {
    if (MouseOver(s)) {
      SetButtonFrame(&s, 1);
      if (s != SelectedButton) PlayGameSound(&MenuSound);
      SelectedButton = s;
    } else if (s != SelectedButton) {
      SetButtonFrame(&s, 0);
    }
    // Held down with the mouse: pressed, even while the pointer is elsewhere.
    if (s->State & ButtonPressed) SetButtonFrame(&s, 2);
  }
  for (int i = 1; i <= 7; ++i) AnimateDecor(i);
}

void WINAPI MenuKeyDown(uint32_t ScanCode) {
  switch (ScanCode) {
    case KeyEscape:
      QuitRequested = 1;
      break;
    case KeyEnter:
      if (SelectedButton) Activate(SelectedButton);
      // After the action, so that switching sound on is heard at once.
      PlayGameSound(&CameraSound);
      break;
    case KeyF4:
      ShowWindow(MainWindow, SW_MINIMIZE);
      break;
    case KeyUp:
      if (SelectedButton) MoveSelection(SelectedButton->Prev);
      break;
    case KeyDown:
      if (SelectedButton) MoveSelection(SelectedButton->Next);
      break;
    default:
      break;
  }
}

void WINAPI MenuMouseDown(uint32_t Button) {
  if (Button != 0) return;
  for (Sprite* s = MenuButtonChain.First; s; s = s->Next) {
    if (MouseOver(s)) {
      SelectedButton = s;
      s->State |= ButtonPressed;
      SetButtonFrame(&SelectedButton, 2);
      return;
    }
  }
}

void WINAPI MenuMouseUp(uint32_t Button) {
  if (Button != 0) return;
  for (Sprite* s = MenuButtonChain.First; s; s = s->Next) {
    if (MouseOver(s) && (s->State & ButtonPressed)) {
      const bool menuStays = Activate(s);
      PlayGameSound(&CameraSound);
      // A switch has taken the buttons down with the menu.
      if (!menuStays) return;
    }
    s->State &= 0xFF;
  }
}
