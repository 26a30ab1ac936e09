// TavrikSoundLite: the public interface of the sound library (the sound device, and
// sounds loaded whole from wave files that are played, stopped and given a volume).
#pragma once

#include <windows.h>
#include <mmsystem.h> // WAVEFORMATEX, which dsound.h needs even with WIN32_LEAN_AND_MEAN
#include <dsound.h>
#include <stddef.h>
#include <stdint.h>

// Longest file name a sound keeps, in characters.
constexpr int32_t SoundFileNameLength = 128;

// One loaded sound. The library allocates and frees it; callers only read it.
struct SoundRecord {
  IDirectSoundBuffer* Buffer;              // static buffer with all the samples (one reference)
  uint32_t DataSize;                       // byte size of the samples (the "data" chunk's size)
  int32_t Volume;                          // last tvrk_SetVolume value, 0..100; 0 until then
  char FileName[SoundFileNameLength + 1];  // the name it was loaded from, cut to 128 characters
};

#if defined(_WIN32) && !defined(_WIN64)
// The 32-bit layout is shared with programs built by other compilers.
static_assert(offsetof(SoundRecord, Buffer) == 0, "Buffer is the first field");
static_assert(offsetof(SoundRecord, DataSize) == 4, "DataSize follows Buffer");
static_assert(offsetof(SoundRecord, Volume) == 8, "Volume follows DataSize");
static_assert(offsetof(SoundRecord, FileName) == 12, "FileName follows Volume");
static_assert(sizeof(SoundRecord) == 144, "three fields of 4 bytes and 129 characters, padded to 4");
#endif

extern "C" {

const char* WINAPI tvrk_GetVerStr(void);                              // the library's version banner; never nil
int32_t WINAPI tvrk_InitDS(void);                                     // HRESULT: 0, or negative when no device could be opened
int32_t WINAPI tvrk_CloseDS(void);                                    // always 0; the last matching call releases the device
SoundRecord* WINAPI tvrk_CreateSound(const char* FileName);           // nil: no device, no such file, malformed or short file
void WINAPI tvrk_FreeSound(SoundRecord** Sound);                      // stops and frees, Sound := nil; nil Sound: nothing
int32_t WINAPI tvrk_PlaySound(SoundRecord** Sound, uint8_t Loop);     // HRESULT from the start; 0 for a nil Sound
int32_t WINAPI tvrk_StopSound(SoundRecord** Sound, uint8_t Pause);    // HRESULT; rewinds unless Pause; 0 for a nil Sound
int32_t WINAPI tvrk_SetVolume(SoundRecord** Sound, int32_t Volume);   // HRESULT; Volume clamped to 0..100; 0 for a nil Sound
const char* WINAPI tvrk_GetFileName(SoundRecord** Sound);             // the sound's FileName; nil for a nil Sound

} // extern "C"
