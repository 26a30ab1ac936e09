// The game's screens: each has an enter and a leave procedure, a render and a frame
// procedure, and the input event procedures it installs.
#pragma once

#include "tavrik_engine.h"

// The mouse (MouseX, MouseY of this frame) is over S: both edges count, so the area
// is one pixel wider and taller than the sprite. False for nil.
bool MouseOver(const Sprite* S);

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
