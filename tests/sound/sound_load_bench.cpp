// Benchmark (not a test): how long tvrk_CreateSound takes for a 50 MB wave file whose
// "data" chunk lies after a 45 MB "LIST" chunk, so that the chunk scan reads almost
// the whole file. For scale it also times reading the same file one byte per call.
// Run under Wine with an audio device: sound_load_bench.exe
#include "sound_test_support.h"

#include <stdio.h>

#include <algorithm>
#include <vector>

using namespace soundtest;
using namespace wavetest;

namespace {

double Seconds(LARGE_INTEGER From, LARGE_INTEGER To) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(To.QuadPart - From.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int main() {
  constexpr size_t ListSize = 45u << 20;
  constexpr uint32_t Frames = (5u << 20) / 4;
  SoundLibrary lib;
  if (!lib.Load()) {
    fprintf(stderr, "tavriksoundlite.dll not found\n");
    return 1;
  }
  if (lib.InitDS() != 0) {
    fprintf(stderr, "no audio device (set ALSA_CONFIG_PATH)\n");
    return 1;
  }
  ScratchFolder scratch;
  const Bytes file = PcmWave(2, 44100, 16, SquareWave(Frames, 2, 16));
  // The LIST chunk goes between "fmt " (36 bytes with the header) and "data".
  Bytes big(file.begin(), file.begin() + 36);
  const Bytes list = ListChunk(ListSize);
  big.insert(big.end(), list.begin(), list.end());
  big.insert(big.end(), file.begin() + 36, file.end());
  const std::string path = scratch.Write("big.wav", big);
  printf("file: %.1f MB, samples %.1f MB after a %.1f MB LIST chunk\n", big.size() / 1048576.0,
         (big.size() - 36 - list.size() - 8) / 1048576.0, list.size() / 1048576.0);

  std::vector<double> runs;
  for (int i = 0; i < 7; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    SoundRecord* sound = lib.CreateSound(path.c_str());
    QueryPerformanceCounter(&end);
    if (!sound) {
      fprintf(stderr, "load failed\n");
      return 1;
    }
    lib.FreeSound(&sound);
    runs.push_back(Seconds(start, end));
  }
  std::sort(runs.begin(), runs.end());
  printf("tvrk_CreateSound: min %.3f s, median %.3f s, max %.3f s over %zu loads\n", runs.front(),
         runs[runs.size() / 2], runs.back(), runs.size());

  // For scale: one read call per byte over the first megabyte.
  const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  constexpr DWORD Probe = 1u << 20;
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (DWORD i = 0; i < Probe; ++i) {
    uint8_t byte;
    DWORD read = 0;
    ReadFile(h, &byte, 1, &read, nullptr);
  }
  QueryPerformanceCounter(&end);
  CloseHandle(h);
  const double perByte = Seconds(start, end) / Probe;
  printf("one read call per byte: %.2f us per byte, about %.0f s to scan this file\n", perByte * 1e6,
         perByte * static_cast<double>(big.size()));
  lib.CloseDS();
  return 0;
}
