// The game's sound effects through the sound library, which is loaded at run time.
#include "sound_effects.h"

#include "game.h"

#include <stdio.h>

SoundRecord* MenuSound;
SoundRecord* CameraSound;
SoundRecord* DownSounds[1 + 4];
SoundRecord* DestroySounds[1 + 1];

namespace {

HMODULE SoundLibrary;
decltype(&tvrk_GetVerStr) GetVerStrEntry;
decltype(&tvrk_InitDS) InitDSEntry;
decltype(&tvrk_CloseDS) CloseDSEntry;
decltype(&tvrk_CreateSound) CreateSoundEntry;
decltype(&tvrk_FreeSound) FreeSoundEntry;
decltype(&tvrk_PlaySound) PlaySoundEntry;
decltype(&tvrk_StopSound) StopSoundEntry;
decltype(&tvrk_SetVolume) SetVolumeEntry;
decltype(&tvrk_GetFileName) GetFileNameEntry;

// Set when the library and every export the game calls are bound; all sound calls
// are skipped otherwise, so that no unbound function is ever called.
bool SoundBound;

template <typename Fn>
void Bind(Fn& Entry, const char* Name) {
  Entry = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(SoundLibrary, Name)));
}

SoundRecord* CreateNumbered(const char* Prefix, int Index) {
  char name[64];
  snprintf(name, sizeof(name), "%s%d.WAV", Prefix, Index);
  return CreateSoundEntry(name);
}

} // namespace

void BindSoundLibrary() {
  SoundLibrary = nullptr;
  SoundBound = false;
  SoundLibrary = LoadLibraryA("tavriksoundlite.dll");
  if (!SoundLibrary) return;
  Bind(GetVerStrEntry, "tvrk_GetVerStr");
  Bind(InitDSEntry, "tvrk_InitDS");
  Bind(CloseDSEntry, "tvrk_CloseDS");
  Bind(CreateSoundEntry, "tvrk_CreateSound");
  Bind(FreeSoundEntry, "tvrk_FreeSound");
  Bind(PlaySoundEntry, "tvrk_PlaySound");
  Bind(StopSoundEntry, "tvrk_StopSound");
  Bind(SetVolumeEntry, "tvrk_SetVolume");
  Bind(GetFileNameEntry, "tvrk_GetFileName");
  SoundBound = InitDSEntry && CloseDSEntry && CreateSoundEntry && FreeSoundEntry && PlaySoundEntry;
}

void UnbindSoundLibrary() {
  SoundBound = false;
  if (SoundLibrary) FreeLibrary(SoundLibrary);
  SoundLibrary = nullptr;
}

void StartSoundEffects() {
  BindSoundLibrary();
  if (!SoundBound || InitDSEntry() < 0) SoundEnabled = 0;
  if (!SoundBound) return;
  MenuSound = CreateSoundEntry("SOUNDS\\MENU.WAV");
  CameraSound = CreateSoundEntry("SOUNDS\\CAMERA.WAV");
  for (int i = 1; i <= 4; ++i) DownSounds[i] = CreateNumbered("SOUNDS\\DOWN", i);
  for (int i = 1; i <= 1; ++i) DestroySounds[i] = CreateNumbered("SOUNDS\\DESTROY", i);
}

void StopSoundEffects() {
  if (!SoundBound) return;
  FreeSoundEntry(&MenuSound);
  FreeSoundEntry(&CameraSound);
  for (int i = 1; i <= 4; ++i) FreeSoundEntry(&DownSounds[i]);
  for (int i = 1; i <= 1; ++i) FreeSoundEntry(&DestroySounds[i]);
  CloseDSEntry();
}

void PlayGameSound(SoundRecord** Sound) {
  if (SoundEnabled && SoundBound) PlaySoundEntry(Sound, 0);
}
