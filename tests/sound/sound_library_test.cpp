// Tests of the sound library's exports under Wine, with an audio device whose output
// goes to a file (the capture configuration of the test run).
#include "sound_test_support.h"

#include <mmreg.h>
#include <stdlib.h>

#include <vector>

using namespace soundtest;
using namespace wavetest;

namespace {

class SoundLibraryTest : public testing::Test {
 protected:
  void SetUp() override {
    while (QuitMessagePending()) {
    }
    ASSERT_TRUE(Lib.Load()) << "tavriksoundlite.dll or one of its exports is missing";
  }
  void TearDown() override { Lib.Unload(); }

  // Opens the device and checks it worked.
  void OpenDevice() { ASSERT_EQ(Lib.InitDS(), 0) << "no audio device: is ALSA_CONFIG_PATH set?"; }

  // A loud 16-bit stereo sound at 22050 samples per second, Seconds long.
  std::string StereoFile(const char* Name, double Seconds) {
    return Scratch.Write(Name, PcmWave(2, 22050, 16, SquareWave(static_cast<uint32_t>(22050 * Seconds), 2, 16)));
  }

  static DWORD PlayPosition(SoundRecord* Sound) {
    DWORD play = 0, write = 0;
    EXPECT_EQ(Sound->Buffer->GetCurrentPosition(&play, &write), DS_OK);
    return play;
  }

  static DWORD Status(SoundRecord* Sound) {
    DWORD status = 0;
    EXPECT_EQ(Sound->Buffer->GetStatus(&status), DS_OK);
    return status;
  }

  SoundLibrary Lib;
  ScratchFolder Scratch;
};

} // namespace

TEST_F(SoundLibraryTest, ExportsHaveTheirOrdinals) {
  const struct {
    const char* Name;
    WORD Ordinal;
  } exports[] = {
      {"tvrk_GetVerStr", 1}, {"tvrk_InitDS", 2},   {"tvrk_CloseDS", 3},    {"tvrk_CreateSound", 4},
      {"tvrk_FreeSound", 5}, {"tvrk_PlaySound", 6}, {"tvrk_StopSound", 7}, {"tvrk_SetVolume", 13},
      {"tvrk_GetFileName", 14},
  };
  for (const auto& e : exports) {
    SCOPED_TRACE(e.Name);
    const FARPROC byName = GetProcAddress(Lib.Module, e.Name);
    ASSERT_NE(byName, nullptr);
    EXPECT_EQ(GetProcAddress(Lib.Module, MAKEINTRESOURCEA(e.Ordinal)), byName);
  }
  for (WORD unused = 8; unused <= 12; ++unused) {
    EXPECT_EQ(GetProcAddress(Lib.Module, MAKEINTRESOURCEA(unused)), nullptr) << "ordinal " << unused;
  }
  ASSERT_NE(Lib.GetVerStr(), nullptr);
  EXPECT_NE(strstr(Lib.GetVerStr(), "TavrikSoundLite"), nullptr) << Lib.GetVerStr();
}

TEST_F(SoundLibraryTest, DeviceStaysOpenUntilTheLastClose) {
  const std::string file = StereoFile("short.wav", 0.1);
  EXPECT_EQ(Lib.CreateSound(file.c_str()), nullptr) << "no device yet";

  OpenDevice();
  OpenDevice();
  EXPECT_EQ(Lib.CloseDS(), 0);
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  EXPECT_NE(sound, nullptr) << "one use is still open";
  Lib.FreeSound(&sound);
  EXPECT_EQ(Lib.CloseDS(), 0);
  EXPECT_EQ(Lib.CreateSound(file.c_str()), nullptr) << "the second close releases the device";

  // Surplus closes must not bank negative uses that a later close would consume.
  EXPECT_EQ(Lib.CloseDS(), 0);
  EXPECT_EQ(Lib.CloseDS(), 0);
  OpenDevice();
  OpenDevice();
  EXPECT_EQ(Lib.CloseDS(), 0);
  sound = Lib.CreateSound(file.c_str());
  EXPECT_NE(sound, nullptr) << "two opens after surplus closes need two closes";
  Lib.FreeSound(&sound);
  EXPECT_EQ(Lib.CloseDS(), 0);
}

TEST_F(SoundLibraryTest, HiddenWindowGoesWithTheDeviceAndLeavesTheHostLoopAlone) {
  OpenDevice();
  const HWND window = FindWindowA(SoundWindowClass, SoundWindowTitle);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetWindowThreadProcessId(window, nullptr), GetCurrentThreadId());
  OpenDevice();
  EXPECT_EQ(FindWindowA(SoundWindowClass, SoundWindowTitle), window) << "a second open reuses the window";

  Lib.CloseDS();
  EXPECT_TRUE(IsWindow(window));
  Lib.CloseDS();
  EXPECT_FALSE(IsWindow(window)) << "the last close takes the window down";
  WNDCLASSA info;
  EXPECT_FALSE(GetClassInfoA(Lib.Module, SoundWindowClass, &info)) << "and unregisters its class";
  EXPECT_FALSE(QuitMessagePending()) << "taking the window down must not end the host's message loop";

  OpenDevice();
  const HWND again = FindWindowA(SoundWindowClass, SoundWindowTitle);
  EXPECT_NE(again, nullptr) << "a later open makes a new window";
  SendMessageA(again, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(again));
  EXPECT_FALSE(QuitMessagePending());
  Lib.CloseDS();
  OpenDevice();
  EXPECT_NE(FindWindowA(SoundWindowClass, SoundWindowTitle), nullptr) << "a window closed from outside is remade";
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, UnloadTakesTheWindowDownWithoutHangingTheHost) {
  const std::string file = StereoFile("tone.wav", 0.5);
  // Hosts that unload the library without closing the device, or without freeing
  // their sounds: unloading must neither hang nor leave the window behind, and the
  // reloaded library must work.
  const struct {
    const char* Name;
    int Opens, Closes;
    bool PlaySoundLeftOver;
  } cases[] = {
      {"two uses left open", 2, 0, false},
      {"one use of two closed", 2, 1, false},
      {"closed, sound still playing", 1, 1, true},
      {"closed properly", 1, 1, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    for (int i = 0; i < c.Opens; ++i) OpenDevice();
    SoundRecord* sound = nullptr;
    if (c.PlaySoundLeftOver) {
      sound = Lib.CreateSound(file.c_str());
      ASSERT_NE(sound, nullptr);
      ASSERT_EQ(Lib.PlaySound(&sound, 1), 0);
    }
    for (int i = 0; i < c.Closes; ++i) Lib.CloseDS();
    const HWND window = FindWindowA(SoundWindowClass, SoundWindowTitle);
    Lib.Unload();
    EXPECT_FALSE(window && IsWindow(window)) << "the window's procedure is gone with the library";
    EXPECT_FALSE(QuitMessagePending());
    Sleep(100); // whatever the platform still plays goes on without the library

    ASSERT_TRUE(Lib.Load());
    OpenDevice();
    SoundRecord* again = Lib.CreateSound(file.c_str());
    EXPECT_NE(again, nullptr) << "the reloaded library opens a device";
    Lib.FreeSound(&again);
    Lib.CloseDS();
  }
}

// Reads every message waiting for this thread's windows.
void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// A thread procedure is stdcall (WINAPI); a lambda converts only to the default
// convention, which differs on 32-bit Windows.
DWORD WINAPI FreeLibraryThread(LPVOID Module) { return FreeLibrary(static_cast<HMODULE>(Module)) ? 0 : 1; }

TEST_F(SoundLibraryTest, UnloadFromAnotherThreadLeavesNoWindowBehind) {
  // The hidden window belongs to the thread that opened the device; only that thread
  // can destroy it, whether it reads its messages during the unload or only after.
  const struct {
    const char* Name;
    bool OwnerReadsMessages;
  } cases[] = {{"owner reads its messages meanwhile", true}, {"owner busy until the unload ended", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    OpenDevice();
    const HWND window = FindWindowA(SoundWindowClass, SoundWindowTitle);
    ASSERT_NE(window, nullptr);
    const HMODULE module = Lib.Module;
    Lib.Module = nullptr;
    HANDLE unloader = CreateThread(nullptr, 0, FreeLibraryThread, module, 0, nullptr);
    ASSERT_NE(unloader, nullptr);
    if (c.OwnerReadsMessages) {
      while (MsgWaitForMultipleObjects(1, &unloader, FALSE, 30000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) PumpMessages();
      WNDCLASSA info;
      EXPECT_FALSE(IsWindow(window)) << "closed by its thread during the unload";
      EXPECT_FALSE(GetClassInfoA(module, SoundWindowClass, &info)) << "and its class unregistered";
    } else {
      ASSERT_EQ(WaitForSingleObject(unloader, 30000), WAIT_OBJECT_0);
    }
    DWORD code = 1;
    GetExitCodeThread(unloader, &code);
    CloseHandle(unloader);
    EXPECT_EQ(code, 0u);
    PumpMessages(); // a window left to its thread goes now, without the library's code
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(QuitMessagePending());

    ASSERT_TRUE(Lib.Load());
    OpenDevice();
    const HWND again = FindWindowA(SoundWindowClass, SoundWindowTitle);
    EXPECT_NE(again, nullptr) << "the reloaded library makes its window again";
    Lib.CloseDS();
    EXPECT_FALSE(IsWindow(again));
  }
}

TEST_F(SoundLibraryTest, NilSoundVariablesAnswerNothing) {
  OpenDevice();
  SoundRecord* nil = nullptr;
  EXPECT_EQ(Lib.CreateSound(nullptr), nullptr);
  EXPECT_EQ(Lib.PlaySound(nullptr, 0), 0);
  EXPECT_EQ(Lib.PlaySound(&nil, 1), 0);
  EXPECT_EQ(Lib.StopSound(nullptr, 0), 0);
  EXPECT_EQ(Lib.StopSound(&nil, 1), 0);
  EXPECT_EQ(Lib.SetVolume(nullptr, 50), 0);
  EXPECT_EQ(Lib.SetVolume(&nil, 50), 0);
  EXPECT_EQ(Lib.GetFileName(nullptr), nullptr);
  EXPECT_EQ(Lib.GetFileName(&nil), nullptr);
  Lib.FreeSound(nullptr);
  Lib.FreeSound(&nil);
  EXPECT_EQ(nil, nullptr);
  EXPECT_EQ(Lib.CreateSound((Scratch.Path + "\\missing.wav").c_str()), nullptr);
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, LoadsFormatsAsRead) {
  const Bytes stereo = SquareWave(2205, 2, 16);
  const Bytes mono8 = SquareWave(1102, 1, 8);
  const Bytes wrongFmt = FmtBody(1, 2, 22050, 12345, 7, 16);
  struct Case {
    const char* Name;
    Bytes File;
    Bytes Samples;
    WORD Channels, Bits, Align;
    DWORD Rate, AvgBytes;
  };
  const Case cases[] = {
      {"16-bit stereo with wrong block align and byte rate",
       Riff({Chunk("fmt ", wrongFmt), Chunk("data", stereo)}), stereo, 2, 16, 4, 22050, 88200},
      {"8-bit mono", Riff({Chunk("fmt ", FmtBody(1, 1, 11025, 3, 5, 8)), Chunk("data", mono8)}), mono8, 1, 8, 1,
       11025, 11025},
      {"a large LIST before data", Riff({Chunk("fmt ", wrongFmt), ListChunk(100000), Chunk("data", stereo)}), stereo,
       2, 16, 4, 22050, 88200},
      {"data before fmt", Riff({Chunk("data", stereo), Chunk("fmt ", wrongFmt)}), stereo, 2, 16, 4, 22050, 88200},
  };
  OpenDevice();
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string file = Scratch.Write("format" + std::to_string(index++) + ".wav", c.File);
    SoundRecord* sound = Lib.CreateSound(file.c_str());
    ASSERT_NE(sound, nullptr);
    ASSERT_NE(sound->Buffer, nullptr);
    EXPECT_EQ(sound->DataSize, c.Samples.size());
    EXPECT_EQ(sound->Volume, 0);
    EXPECT_STREQ(Lib.GetFileName(&sound), file.c_str());
    EXPECT_TRUE(NobodyHoldsOpen(file)) << "the file is closed after loading";

    WAVEFORMATEX format = {};
    ASSERT_EQ(sound->Buffer->GetFormat(&format, sizeof(format), nullptr), DS_OK);
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, c.Channels);
    EXPECT_EQ(format.wBitsPerSample, c.Bits);
    EXPECT_EQ(format.nSamplesPerSec, c.Rate);
    EXPECT_EQ(format.nBlockAlign, c.Align);
    EXPECT_EQ(format.nAvgBytesPerSec, c.AvgBytes);

    DSBCAPS caps = {};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(sound->Buffer->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwBufferBytes, c.Samples.size());
    EXPECT_EQ(caps.dwFlags & DSBCAPS_STATIC, static_cast<DWORD>(DSBCAPS_STATIC));
    EXPECT_EQ(caps.dwFlags & DSBCAPS_CTRLVOLUME, static_cast<DWORD>(DSBCAPS_CTRLVOLUME));
    EXPECT_EQ(caps.dwFlags & DSBCAPS_GLOBALFOCUS, static_cast<DWORD>(DSBCAPS_GLOBALFOCUS));

    void* part1 = nullptr;
    void* part2 = nullptr;
    DWORD size1 = 0, size2 = 0;
    ASSERT_EQ(sound->Buffer->Lock(0, 0, &part1, &size1, &part2, &size2, DSBLOCK_ENTIREBUFFER), DS_OK);
    ASSERT_EQ(size1, c.Samples.size());
    EXPECT_EQ(memcmp(part1, c.Samples.data(), size1), 0) << "the samples are the file's, unchanged";
    sound->Buffer->Unlock(part1, size1, part2, size2);

    Lib.FreeSound(&sound);
    EXPECT_EQ(sound, nullptr);
  }
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, FormatExtensionComesFromTheFile) {
  // A format record with an extension: DirectSound reads cbSize bytes after the
  // record, and they must be the file's, not whatever lies behind the record.
  Bytes fmt = FmtBody(WAVE_FORMAT_EXTENSIBLE, 2, 22050, 0, 0, 16);
  Put16(fmt, 22);               // cbSize
  Put16(fmt, 16);               // valid bits per sample
  Put32(fmt, SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT);
  const GUID pcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  const uint8_t* guid = reinterpret_cast<const uint8_t*>(&pcm);
  fmt.insert(fmt.end(), guid, guid + sizeof(pcm));
  const Bytes samples = SquareWave(2205, 2, 16);
  OpenDevice();
  const std::string file = Scratch.Write("extensible.wav", Riff({Chunk("fmt ", fmt), Chunk("data", samples)}));
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  ASSERT_NE(sound, nullptr);
  WAVEFORMATEXTENSIBLE format = {};
  ASSERT_EQ(sound->Buffer->GetFormat(&format.Format, sizeof(format), nullptr), DS_OK);
  EXPECT_EQ(format.Format.wFormatTag, WAVE_FORMAT_EXTENSIBLE);
  EXPECT_EQ(format.Format.cbSize, 22);
  EXPECT_EQ(format.Format.nBlockAlign, 4);
  EXPECT_EQ(format.Samples.wValidBitsPerSample, 16);
  EXPECT_EQ(format.dwChannelMask, static_cast<DWORD>(SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT));
  EXPECT_EQ(memcmp(&format.SubFormat, &pcm, sizeof(pcm)), 0);
  Lib.FreeSound(&sound);
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, HostileFilesAnswerNilAndKeepTheHostRunning) {
  const Bytes fmt = FmtBody(1, 2, 22050, 88200, 4, 16);
  const Bytes samples = SquareWave(100, 2, 16);
  const Bytes good = Riff({Chunk("fmt ", fmt), Chunk("data", samples)});
  Bytes rifx = good;
  memcpy(rifx.data(), "RIFX", 4);
  Bytes truncated = good;
  truncated.resize(good.size() - 10);
  Bytes exotic = Riff({Chunk("fmt ", FmtBody(0x55, 2, 22050, 0, 0, 16)), Chunk("data", samples)});
  struct Case {
    const char* Name;
    Bytes File;
    const char* Line; // what is written on standard output, or nil for nothing
  };
  const Case cases[] = {
      {"RIFX", rifx, "Not a RIFF - file"},
      {"not WAVE", Riff({Chunk("fmt ", fmt), Chunk("data", samples)}, "RIFF", "AVI "), "Not a WAVE - file"},
      {"no fmt", Riff({Chunk("data", samples)}), "Unknown WAVE format"},
      {"no data", Riff({Chunk("fmt ", fmt), Chunk("LIST", samples)}), "No \"data\" chunk found in wave file )"},
      {"empty file", {}, "Not a RIFF - file"},
      {"truncated samples", truncated, nullptr},
      {"zero data size", Riff({Chunk("fmt ", fmt), Chunk("data", {})}), nullptr},
      {"4 GB declared", Riff({Chunk("fmt ", fmt), Chunk("data", samples, 0xFFFFFFFF)}), nullptr},
      {"256 MB declared", Riff({Chunk("fmt ", fmt), Chunk("data", samples, 0x0FFFFFFF)}), nullptr},
      {"no channels", Riff({Chunk("fmt ", FmtBody(1, 0, 22050, 0, 0, 16)), Chunk("data", samples)}), nullptr},
      // A format other than PCM whose extra size runs past the format record.
      {"unknown format tag", exotic, nullptr},
  };
  OpenDevice();
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string file = Scratch.Write("hostile" + std::to_string(index++) + ".wav", c.File);
    testing::internal::CaptureStdout();
    SoundRecord* sound = Lib.CreateSound(file.c_str());
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(sound, nullptr);
    EXPECT_EQ(out, c.Line ? std::string(c.Line) + "\n" : std::string());
    EXPECT_TRUE(NobodyHoldsOpen(file)) << "the file is closed";
    if (sound) Lib.FreeSound(&sound);
  }
  // The library still works after all of them.
  const std::string file = Scratch.Write("good.wav", good);
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  EXPECT_NE(sound, nullptr);
  Lib.FreeSound(&sound);
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, FileNameKeepsTheFirst128Characters) {
  // A folder path long enough that the file's full name has about 200 characters.
  std::string dir = Scratch.Path;
  while (dir.size() < 180) {
    dir += "\\abcdefghijklmnopqrstuvwxyz";
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
  }
  const std::string relative = dir.substr(Scratch.Path.size() + 1) + "\\long.wav";
  const std::string file = Scratch.Write(relative, PcmWave(1, 11025, 8, SquareWave(100, 1, 8)));
  ASSERT_GT(file.size(), 128u);
  ASSERT_LT(file.size(), 256u);
  OpenDevice();
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  ASSERT_NE(sound, nullptr);
  EXPECT_EQ(std::string(Lib.GetFileName(&sound)), file.substr(0, 128));
  Lib.FreeSound(&sound);
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, VolumeIsClampedAndAppliedInSteps) {
  const struct {
    int32_t Asked, Stored;
    LONG Attenuation;
  } cases[] = {{150, 100, 0}, {-5, 0, -3000}, {100, 100, 0}, {0, 0, -3000}, {50, 50, -1500}, {99, 99, -30}};
  OpenDevice();
  const std::string file = StereoFile("volume.wav", 0.1);
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  ASSERT_NE(sound, nullptr);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Asked);
    EXPECT_EQ(Lib.SetVolume(&sound, c.Asked), 0);
    EXPECT_EQ(sound->Volume, c.Stored);
    LONG attenuation = 1;
    ASSERT_EQ(sound->Buffer->GetVolume(&attenuation), DS_OK);
    EXPECT_EQ(attenuation, c.Attenuation);
  }
  Lib.FreeSound(&sound);
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, PlayRestartsAndLoopsOnRequest) {
  OpenDevice();
  const std::string file = StereoFile("long.wav", 3.0);
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  ASSERT_NE(sound, nullptr);

  ASSERT_EQ(Lib.PlaySound(&sound, 0), 0);
  EXPECT_EQ(Status(sound) & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING), static_cast<DWORD>(DSBSTATUS_PLAYING));
  Sleep(500);
  const DWORD before = PlayPosition(sound);
  ASSERT_GT(before, 88200u / 10) << "the sound plays";
  ASSERT_EQ(Lib.PlaySound(&sound, 0), 0);
  EXPECT_LT(PlayPosition(sound), before / 2) << "playing a playing sound starts it over";
  EXPECT_TRUE(Status(sound) & DSBSTATUS_PLAYING);

  ASSERT_EQ(Lib.PlaySound(&sound, 1), 0);
  EXPECT_EQ(Status(sound) & (DSBSTATUS_PLAYING | DSBSTATUS_LOOPING),
            static_cast<DWORD>(DSBSTATUS_PLAYING | DSBSTATUS_LOOPING));
  Lib.FreeSound(&sound);
  Lib.CloseDS();
}

TEST_F(SoundLibraryTest, StopRewindsUnlessPausedAndPlayAlwaysStartsOver) {
  OpenDevice();
  const std::string file = StereoFile("long.wav", 3.0);
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  ASSERT_NE(sound, nullptr);

  ASSERT_EQ(Lib.PlaySound(&sound, 0), 0);
  Sleep(500);
  ASSERT_EQ(Lib.StopSound(&sound, 1), 0);
  EXPECT_FALSE(Status(sound) & DSBSTATUS_PLAYING);
  const DWORD paused = PlayPosition(sound);
  EXPECT_GT(paused, 88200u / 10) << "a pause keeps the position";
  ASSERT_EQ(Lib.PlaySound(&sound, 0), 0);
  EXPECT_LT(PlayPosition(sound), paused / 2) << "play after a pause starts from the beginning";

  Sleep(300);
  ASSERT_EQ(Lib.StopSound(&sound, 0), 0);
  EXPECT_FALSE(Status(sound) & DSBSTATUS_PLAYING);
  EXPECT_EQ(PlayPosition(sound), 0u) << "a stop without pause rewinds";
  Lib.FreeSound(&sound);
  Lib.CloseDS();
}

namespace {

// The file the audio device writes (signed 16-bit samples): "audio-capture.raw" beside
// the ALSA configuration of the test run, seen through Wine's drive Z:.
std::string CaptureFile() {
  const char* config = getenv("ALSA_CONFIG_PATH");
  if (!config) return "";
  std::string path = std::string("Z:") + config;
  return path.substr(0, path.find_last_of('/') + 1) + "audio-capture.raw";
}

std::vector<int16_t> ReadCapture(const std::string& File) {
  std::vector<int16_t> samples;
  const HANDLE h = CreateFileA(File.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return samples;
  LARGE_INTEGER size;
  GetFileSizeEx(h, &size);
  samples.resize(static_cast<size_t>(size.QuadPart) / 2);
  DWORD read = 0;
  if (!samples.empty()) ReadFile(h, samples.data(), static_cast<DWORD>(samples.size() * 2), &read, nullptr);
  samples.resize(read / 2);
  CloseHandle(h);
  return samples;
}

size_t LoudSamples(const std::vector<int16_t>& Samples) {
  size_t loud = 0;
  for (const int16_t s : Samples) loud += s > 4000 || s < -4000;
  return loud;
}

} // namespace

TEST_F(SoundLibraryTest, PlayedSoundReachesTheAudioDevice) {
  const std::string capture = CaptureFile();
  ASSERT_FALSE(capture.empty()) << "ALSA_CONFIG_PATH names the capture configuration";
  DeleteFileA(capture.c_str());
  OpenDevice();
  const std::string file = StereoFile("tone.wav", 0.5);
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  ASSERT_NE(sound, nullptr);
  ASSERT_EQ(Lib.PlaySound(&sound, 0), 0);
  Sleep(1000);
  Lib.FreeSound(&sound);
  Lib.CloseDS();
  const std::vector<int16_t> samples = ReadCapture(capture);
  // Half a second of a square wave at a quarter of full scale, in any output format
  // of at least 8000 stereo frames per second.
  EXPECT_GT(LoudSamples(samples), 4000u) << samples.size() << " samples captured";
}

TEST_F(SoundLibraryTest, NothingPlayedStaysSilent) {
  const std::string capture = CaptureFile();
  ASSERT_FALSE(capture.empty()) << "ALSA_CONFIG_PATH names the capture configuration";
  DeleteFileA(capture.c_str());
  OpenDevice();
  const std::string file = StereoFile("unplayed.wav", 0.5);
  SoundRecord* sound = Lib.CreateSound(file.c_str());
  ASSERT_NE(sound, nullptr);
  Lib.SetVolume(&sound, 100);
  Sleep(1000);
  Lib.FreeSound(&sound);
  Lib.CloseDS();
  const std::vector<int16_t> samples = ReadCapture(capture);
  EXPECT_EQ(LoudSamples(samples), 0u) << samples.size() << " samples captured";
  for (const int16_t s : samples) ASSERT_LE(abs(s), 64) << "silence stays near zero";
}
