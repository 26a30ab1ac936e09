// The game's sound effects: the sound library bound at run time, its device, the
// seven sounds, and the one rule by which screens play them.
#pragma once

#include "tavrik_sound.h" // the sound library is loaded at run time, not linked

// The seven sound handles; nil until created, and nil for a sound that could not be.
extern SoundRecord* MenuSound;         // the main menu's selection moves
extern SoundRecord* CameraSound;       // a main menu button is activated
extern SoundRecord* DownSounds[1 + 4]; // [1..4]: the falling piece is fixed into the field
extern SoundRecord* DestroySounds[1 + 1]; // [1..1]: a cell of the field is destroyed

// Loads "tavriksoundlite.dll" and binds its exports by name. Without the library,
// or when one of the exports the game calls is missing, the game runs silent.
void BindSoundLibrary();
// Frees the library; the bindings become unusable.
void UnbindSoundLibrary();

// Start-up: binds the library, opens the device (sound is switched off when it
// cannot be opened) and creates the seven sounds.
void StartSoundEffects();
// Shutdown: frees the seven sounds and closes the device; the library stays loaded.
void StopSoundEffects();

// Plays Sound from its beginning, once, while sound is switched on.
void PlayGameSound(SoundRecord** Sound);
