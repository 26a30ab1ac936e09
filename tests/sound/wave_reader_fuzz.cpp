// Fuzz entry of the wave reader: the input is the file. The first byte also picks how
// many bytes each read hands out, so that short reads are covered too.
#include "wave_reader.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct FuzzSource {
  MemoryWave Memory;
  uint32_t Step;
};

int64_t ReadInSteps(void* Context, uint64_t Offset, void* Dest, uint32_t Count) {
  FuzzSource* s = static_cast<FuzzSource*>(Context);
  WaveSource inner = MemoryWaveSource(&s->Memory);
  return inner.ReadAt(inner.Context, Offset, Dest, Count < s->Step ? Count : s->Step);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzSource fuzz{{Data, Size}, Size > 0 && Data[0] < 8 ? Data[0] + 1u : 1u << 30};
  WaveSource source{&fuzz, Size, ReadInSteps};
  WaveHeader header;
  if (ParseWaveHeader(source, &header) == WaveOk) {
    // What the platform side relies on: the samples lie inside the file, after the format.
    if (header.DataOffset > Size || header.DataSize > Size - header.DataOffset) abort();
    if (header.BlockAlign != static_cast<uint16_t>((header.BitsPerSample / 8u) * header.Channels)) abort();
  }
  return 0;
}
