// What the Wine tests of the sound library share: the library loaded and bound by
// name as the game binds it, and wave files written into a scratch folder.
#pragma once

#include "tavrik_sound.h"
#include "wave_builder.h"

#include <gtest/gtest.h>

#include <string>

namespace soundtest {

// The nine exports, looked up by name in a freshly loaded library.
struct SoundLibrary {
  HMODULE Module = nullptr;
  decltype(&tvrk_GetVerStr) GetVerStr = nullptr;
  decltype(&tvrk_InitDS) InitDS = nullptr;
  decltype(&tvrk_CloseDS) CloseDS = nullptr;
  decltype(&tvrk_CreateSound) CreateSound = nullptr;
  decltype(&tvrk_FreeSound) FreeSound = nullptr;
  decltype(&tvrk_PlaySound) PlaySound = nullptr;
  decltype(&tvrk_StopSound) StopSound = nullptr;
  decltype(&tvrk_SetVolume) SetVolume = nullptr;
  decltype(&tvrk_GetFileName) GetFileName = nullptr;

  bool Load() {
    Module = LoadLibraryA("tavriksoundlite.dll");
    if (!Module) return false;
    return Bind(GetVerStr, "tvrk_GetVerStr") && Bind(InitDS, "tvrk_InitDS") && Bind(CloseDS, "tvrk_CloseDS") &&
           Bind(CreateSound, "tvrk_CreateSound") && Bind(FreeSound, "tvrk_FreeSound") &&
           Bind(PlaySound, "tvrk_PlaySound") && Bind(StopSound, "tvrk_StopSound") &&
           Bind(SetVolume, "tvrk_SetVolume") && Bind(GetFileName, "tvrk_GetFileName");
  }

  void Unload() {
    if (Module) FreeLibrary(Module);
    Module = nullptr;
  }

 private:
  template <typename Fn>
  bool Bind(Fn& Entry, const char* Name) {
    Entry = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(Module, Name)));
    return Entry != nullptr;
  }
};

// A scratch folder for the test's wave files, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    Path = std::string(temp) + "triwell-sound-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(GetTickCount());
    CreateDirectoryA(Path.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveTree(Path); }

  // Writes Bytes to Name inside the folder; answers the full path.
  std::string Write(const std::string& Name, const wavetest::Bytes& Bytes) const {
    const std::string file = Path + "\\" + Name;
    const HANDLE h = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE) << file;
    DWORD written = 0;
    if (!Bytes.empty()) WriteFile(h, Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr);
    CloseHandle(h);
    EXPECT_EQ(written, Bytes.size());
    return file;
  }

  std::string Path;

 private:
  static void RemoveTree(const std::string& Dir) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((Dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string full = Dir + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          RemoveTree(full);
        } else {
          DeleteFileA(full.c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(Dir.c_str());
  }
};

// True when the file can be opened with no sharing at all: nobody holds it open.
inline bool NobodyHoldsOpen(const std::string& File) {
  const HANDLE h = CreateFileA(File.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

// True when a WM_QUIT waits in this thread's queue (and takes it out).
inline bool QuitMessagePending() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

constexpr char SoundWindowClass[] = "TavrikSoundMainWindow";
constexpr char SoundWindowTitle[] = "TavrikSound";

} // namespace soundtest
