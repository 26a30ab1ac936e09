// What the sound library's files share: the device state and the load and unload steps.
#pragma once

#include "tavrik_sound.h"

// The device (device.cpp); nil until the first successful tvrk_InitDS.
extern IDirectSound* DirectSoundObject;

// Sounds created and not yet freed (sounds.cpp); each keeps the device alive.
extern int32_t LiveSoundCount;

// Runs when the library is loaded (binds "DSound.dll") and when it is unloaded by
// FreeLibrary (forgets the device whatever its use count, takes the window down).
void SoundLibraryLoad(HINSTANCE Instance);
void SoundLibraryUnload();
