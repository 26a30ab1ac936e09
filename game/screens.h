// The game's screens: each has an enter and a leave procedure, a render and a frame
// procedure, and the input event procedures it installs.
#pragma once

#include "tavrik_engine.h"

// The mouse (MouseX, MouseY of this frame) is over S: both edges count, so the area
// is one pixel wider and taller than the sprite. False for nil.
bool MouseOver(const Sprite* S);

// Buttons of the game screen, the pause window, the records table and the about
// screen, Buttons[1..Count] (nil ones are skipped). A press of the left mouse button
// marks every button under the mouse (State 1); the release acts on the marked one
// that is still under the mouse.
void PressButtons(Sprite* const* Buttons, int32_t Count);
// The button (1..Count) the release acts on, or 0; every press ends here, so the
// caller may take the buttons down in its action.
int32_t ReleasedButton(Sprite* const* Buttons, int32_t Count);
// 2 pressed, 1 under the mouse, 0 normal: the column or row of the button's picture.
int32_t ButtonLook(const Sprite* S);

// Main menu.
extern SpriteChain MenuButtonChain; // Start, Sound, About, Close, in this order
extern Sprite* SelectedButton;      // the button Enter acts on, drawn highlighted
void EnterMainMenu();
void LeaveMainMenu();
void MenuRender();
void MenuFrame();
void WINAPI MenuKeyDown(uint32_t ScanCode);
void WINAPI MenuMouseDown(uint32_t Button);
void WINAPI MenuMouseUp(uint32_t Button);
// Shows column Column (0 normal, 1 highlighted, 2 pressed) of a menu button.
void SetButtonFrame(Sprite** S, int32_t Column);

// About and help screen.
extern int32_t HelpPage; // the help page shown, 1 or 2; kept between visits
void EnterAbout();
void LeaveAbout();
void AboutRender();
void AboutFrame();
void WINAPI AboutKeyDown(uint32_t ScanCode);
void WINAPI AboutMouseDown(uint32_t Button);
void WINAPI AboutMouseUp(uint32_t Button);

// Game screen.
extern SpriteChain ExplosionChain; // one sprite per exploding block
extern int32_t GameOverlay;        // 2 while the records overlay is open over the game, else 0
extern SurfaceRecord* FieldSurface; // the landed blocks, painted cell by cell
extern Sprite* GameLamps[1 + 4];    // explosion, running, drop and preview lamps
extern Sprite* GameButtons[1 + 4];  // new game, records, sound, pause
extern Sprite* PauseWindow;         // nil while the pause window is closed
extern Sprite* PauseButtons[1 + 2]; // yes (leave the game), no (resume)
void EnterGameScreen();
void LeaveGameScreen();
void InstallGameScreenEvents();
void GameScreenRender();
void GameScreenFrame();
void DrawFieldCell(int32_t Column, int32_t Row);
void WINAPI RedrawField(SurfaceRecord** Surface);
void SpawnExplosion(int32_t X, int32_t Y);
void StepExplosions();
void OpenPauseWindow();
void ClosePauseWindow();
void WINAPI GameScreenKeyDown(uint32_t ScanCode);
void WINAPI GameScreenKeyUp(uint32_t ScanCode);
void WINAPI GameScreenMouseDown(uint32_t Button);
void WINAPI GameScreenMouseUp(uint32_t Button);
void WINAPI PauseKeyDown(uint32_t ScanCode);
void WINAPI PauseMouseDown(uint32_t Button);
void WINAPI PauseMouseUp(uint32_t Button);

// Records overlay, drawn over the game screen.
struct EntryNameText {
  uint8_t Length;
  char Text[21];
};
extern EntryNameText EntryName;  // the name offered for the next record; "Player" at first
extern int32_t NameEntryActive;  // a name is being typed for a new record
extern Sprite* RecordsButtons[1 + 2]; // new game, close
void LoadRecords();  // the table as its file holds it now
bool SaveRecords();  // stores the records not yet stored; false when the file could not take them
void EnterRecords();
void LeaveRecords();
void RecordsFrame();
void RecordsRender();
void WINAPI RecordsKeyDown(uint32_t ScanCode);
void WINAPI NameEntryKeyDown(uint32_t ScanCode);
void WINAPI RecordsMouseDown(uint32_t Button);
void WINAPI RecordsMouseUp(uint32_t Button);
