// Sounds: a wave file loaded whole into one static DirectSound buffer, and playing,
// stopping and the volume of it.
#include "sound_internal.h"
#include "wave_reader.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int32_t LiveSoundCount;

namespace {

// Longest file name tvrk_CreateSound opens, in characters.
constexpr size_t MaxFileNameLength = 255;

// Static, with 3D, frequency, pan, volume and position-notify control, and global
// focus so that sounds keep playing while another application has the focus.
constexpr DWORD SoundBufferFlags = DSBCAPS_STATIC | DSBCAPS_CTRL3D | DSBCAPS_CTRLFREQUENCY | DSBCAPS_CTRLPAN |
                                   DSBCAPS_CTRLVOLUME | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_GLOBALFOCUS;
static_assert(SoundBufferFlags == 0x81F2, "the buffer flags of every sound");

#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(DSBUFFERDESC) == 36, "the 32-bit buffer description");
#endif

// Volume 0..100 as DirectSound's attenuation in hundredths of a decibel: 0.3 dB a step.
constexpr int32_t AttenuationPerStep = -30;

int64_t ReadFileAt(void* Context, uint64_t Offset, void* Dest, uint32_t Count) {
  const HANDLE file = static_cast<HANDLE>(Context);
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(Offset);
  if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return -1;
  DWORD read = 0;
  if (!ReadFile(file, Dest, Count, &read, nullptr)) return -1;
  return read;
}

// Reads Count bytes at the file's current position straight into Dest.
bool ReadAll(HANDLE File, void* Dest, uint32_t Count) {
  uint8_t* out = static_cast<uint8_t*>(Dest);
  while (Count > 0) {
    DWORD read = 0;
    if (!ReadFile(File, out, Count, &read, nullptr) || read == 0 || read > Count) return false;
    out += read;
    Count -= read;
  }
  return true;
}

// A malformed file is reported as one line on standard output; the host carries on.
void ReportMalformedWave(const char* Message) {
  fputs(Message, stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

// The format handed to DirectSound. For formats other than PCM, DirectSound copies
// cbSize bytes after the record, so that many bytes are really provided: those that
// follow in the file, zero where the file ends.
WAVEFORMATEX* MakeWaveFormat(const WaveHeader& Header, const WaveSource& Source) {
  const size_t extra = Header.FormatTag == WAVE_FORMAT_PCM ? 0 : Header.ExtraSize;
  WAVEFORMATEX* format = static_cast<WAVEFORMATEX*>(calloc(1, sizeof(WAVEFORMATEX) + extra));
  if (!format) return nullptr;
  format->wFormatTag = Header.FormatTag;
  format->nChannels = Header.Channels;
  format->nSamplesPerSec = Header.SamplesPerSec;
  format->nAvgBytesPerSec = Header.AvgBytesPerSec;
  format->nBlockAlign = Header.BlockAlign;
  format->wBitsPerSample = Header.BitsPerSample;
  format->cbSize = Header.ExtraSize;
  uint8_t* out = reinterpret_cast<uint8_t*>(format + 1);
  for (size_t done = 0; done < extra;) {
    const int64_t n = Source.ReadAt(Source.Context, Header.ExtraOffset + done, out + done,
                                    static_cast<uint32_t>(extra - done));
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return format;
}

// Creates the buffer, locks it, reads the samples into it and unlocks it. Answers the
// buffer, or nil with nothing left behind.
IDirectSoundBuffer* LoadSoundBuffer(HANDLE File, const WaveHeader& Header, const WaveSource& Source) {
  WAVEFORMATEX* format = MakeWaveFormat(Header, Source);
  if (!format) return nullptr;
  DSBUFFERDESC description = {};
  description.dwSize = sizeof(description); // sizeof, not 36: the record is larger on x86-64
  description.dwFlags = SoundBufferFlags;
  description.dwBufferBytes = Header.DataSize;
  description.lpwfxFormat = format;
  IDirectSoundBuffer* buffer = nullptr;
  const HRESULT created = DirectSoundObject->CreateSoundBuffer(&description, &buffer, nullptr);
  free(format);
  if (FAILED(created) || !buffer) return nullptr;

  void* part1 = nullptr;
  void* part2 = nullptr;
  DWORD size1 = 0;
  DWORD size2 = 0;
  if (FAILED(buffer->Lock(0, 0, &part1, &size1, &part2, &size2, DSBLOCK_ENTIREBUFFER))) {
    buffer->Release();
    return nullptr;
  }
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(Header.DataOffset);
  const bool read = part1 && size1 >= Header.DataSize && SetFilePointerEx(File, position, nullptr, FILE_BEGIN) &&
                    ReadAll(File, part1, Header.DataSize);
  if (FAILED(buffer->Unlock(part1, size1, part2, size2)) || !read) {
    buffer->Release();
    return nullptr;
  }
  return buffer;
}

// The record behind a var Sound argument, or nil.
SoundRecord* RecordOf(SoundRecord** Sound) { return Sound ? *Sound : nullptr; }

} // namespace

extern "C" {

SoundRecord* WINAPI tvrk_CreateSound(const char* FileName) {
  if (!FileName || !DirectSoundObject) return nullptr;
  char name[MaxFileNameLength + 1];
  strncpy(name, FileName, MaxFileNameLength);
  name[MaxFileNameLength] = '\0';

  const HANDLE file =
      CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER fileSize;
  if (!GetFileSizeEx(file, &fileSize)) {
    CloseHandle(file);
    return nullptr;
  }
  WaveSource source;
  source.Context = file;
  source.Size = static_cast<uint64_t>(fileSize.QuadPart);
  source.ReadAt = ReadFileAt;

  WaveHeader header;
  const WaveStatus status = ParseWaveHeader(source, &header);
  if (status != WaveOk) {
    CloseHandle(file);
    if (const char* message = WaveStatusMessage(status)) ReportMalformedWave(message);
    return nullptr;
  }

  SoundRecord* record = static_cast<SoundRecord*>(calloc(1, sizeof(SoundRecord)));
  if (!record) {
    CloseHandle(file);
    return nullptr;
  }
  record->Buffer = LoadSoundBuffer(file, header, source);
  CloseHandle(file);
  if (!record->Buffer) {
    free(record);
    return nullptr;
  }
  LiveSoundCount += 1;
  record->DataSize = header.DataSize;
  strncpy(record->FileName, name, SoundFileNameLength);
  record->FileName[SoundFileNameLength] = '\0';
  return record;
}

void WINAPI tvrk_FreeSound(SoundRecord** Sound) {
  SoundRecord* record = RecordOf(Sound);
  if (!record) return;
  if (record->Buffer) {
    record->Buffer->Stop();
    record->Buffer->Release();
    record->Buffer = nullptr;
  }
  free(record);
  *Sound = nullptr;
  LiveSoundCount -= 1;
}

int32_t WINAPI tvrk_PlaySound(SoundRecord** Sound, uint8_t Loop) {
  SoundRecord* record = RecordOf(Sound);
  if (!record || !record->Buffer) return 0;
  // Always from the beginning: a sound still playing, or paused, starts over.
  const HRESULT hr = record->Buffer->SetCurrentPosition(0);
  if (hr != DS_OK) return hr;
  return record->Buffer->Play(0, 0, Loop ? DSBPLAY_LOOPING : 0);
}

int32_t WINAPI tvrk_StopSound(SoundRecord** Sound, uint8_t Pause) {
  SoundRecord* record = RecordOf(Sound);
  if (!record || !record->Buffer) return 0;
  HRESULT hr = record->Buffer->Stop();
  if (hr != DS_OK) return hr;
  if (!Pause) {
    hr = record->Buffer->SetCurrentPosition(0);
    if (hr != DS_OK) return hr;
  }
  return 0;
}

int32_t WINAPI tvrk_SetVolume(SoundRecord** Sound, int32_t Volume) {
  SoundRecord* record = RecordOf(Sound);
  if (!record) return 0;
  record->Volume = Volume < 0 ? 0 : Volume > 100 ? 100 : Volume;
  if (!record->Buffer) return 0;
  return record->Buffer->SetVolume((100 - record->Volume) * AttenuationPerStep);
}

const char* WINAPI tvrk_GetFileName(SoundRecord** Sound) {
  SoundRecord* record = RecordOf(Sound);
  return record ? record->FileName : nullptr;
}

} // extern "C"
