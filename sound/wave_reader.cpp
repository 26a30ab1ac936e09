// Reading the header of a RIFF/WAVE file from any byte source.
#include "wave_reader.h"

#include <string.h>

namespace {

// Bytes read per step of the chunk scan: large enough that a file of tens of
// megabytes takes a few hundred reads, small enough for the stack.
constexpr uint32_t ScanBlockSize = 64 * 1024;

// The format fields after "fmt ": chunk size 4, tag 2, channels 2, rate 4, byte
// rate 4, block align 2, bits 2; then the 2 bytes taken as the extra size.
constexpr uint32_t FormatFieldsSize = 20;
constexpr uint32_t ExtraSizeFieldSize = 2;

// Reads exactly Count bytes at Offset; answers WaveTruncated when the file ends first.
WaveStatus ReadExactly(const WaveSource& Source, uint64_t Offset, void* Dest, uint32_t Count) {
  uint8_t* out = static_cast<uint8_t*>(Dest);
  uint32_t done = 0;
  while (done < Count) {
    const int64_t n = Source.ReadAt(Source.Context, Offset + done, out + done, Count - done);
    if (n < 0) return WaveReadError;
    if (n == 0) return WaveTruncated;
    if (static_cast<uint64_t>(n) > Count - done) return WaveReadError;
    done += static_cast<uint32_t>(n);
  }
  return WaveOk;
}

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// Compares the bytes at Offset with Id; bytes missing at the end of the file count as a mismatch.
WaveStatus MatchId(const WaveSource& Source, uint64_t Offset, const char* Id, bool* Matches) {
  uint8_t bytes[4];
  const WaveStatus status = ReadExactly(Source, Offset, bytes, 4);
  if (status == WaveReadError) return status;
  *Matches = status == WaveOk && memcmp(bytes, Id, 4) == 0;
  return WaveOk;
}

int64_t ReadMemory(void* Context, uint64_t Offset, void* Dest, uint32_t Count) {
  const MemoryWave* memory = static_cast<const MemoryWave*>(Context);
  if (Offset >= memory->Size) return 0;
  const uint64_t left = memory->Size - Offset;
  const uint32_t n = left < Count ? static_cast<uint32_t>(left) : Count;
  memcpy(Dest, memory->Bytes + Offset, n);
  return n;
}

} // namespace

FindResult FindInFile(const WaveSource& Source, const uint8_t* Pattern, size_t PatternSize, uint64_t* After) {
  if (PatternSize == 0 || PatternSize > MaxFindPattern) return FindMissing;
  // The last PatternSize - 1 bytes of one block are kept in front of the next, so an
  // occurrence that straddles two reads is still seen.
  uint8_t window[MaxFindPattern - 1 + ScanBlockSize];
  size_t kept = 0;          // bytes carried over at the front of window
  uint64_t windowStart = 0; // file offset of window[0]
  uint64_t offset = 0;      // file offset of the next read
  for (;;) {
    const int64_t n = Source.ReadAt(Source.Context, offset, window + kept, ScanBlockSize);
    if (n < 0 || n > ScanBlockSize) return FindReadError;
    if (n == 0) return FindMissing;
    offset += static_cast<uint64_t>(n);
    const size_t filled = kept + static_cast<size_t>(n);
    for (size_t i = 0; i + PatternSize <= filled;) {
      const void* first = memchr(window + i, Pattern[0], filled - PatternSize + 1 - i);
      if (!first) break;
      i = static_cast<size_t>(static_cast<const uint8_t*>(first) - window);
      if (memcmp(window + i, Pattern, PatternSize) == 0) {
        *After = windowStart + i + PatternSize;
        return FindFound;
      }
      ++i;
    }
    kept = filled < PatternSize - 1 ? filled : PatternSize - 1;
    memmove(window, window + filled - kept, kept);
    windowStart += filled - kept;
  }
}

WaveStatus ParseWaveHeader(const WaveSource& Source, WaveHeader* Header) {
  memset(Header, 0, sizeof(*Header));
  bool matches = false;
  WaveStatus status = MatchId(Source, 0, "RIFF", &matches);
  if (status != WaveOk) return status;
  if (!matches) return WaveNotRiff;
  status = MatchId(Source, 8, "WAVE", &matches);
  if (status != WaveOk) return status;
  if (!matches) return WaveNotWave;

  uint64_t at = 0;
  FindResult found = FindInFile(Source, reinterpret_cast<const uint8_t*>("fmt "), 4, &at);
  if (found == FindReadError) return WaveReadError;
  if (found == FindMissing) return WaveNoFormat;
  uint8_t fields[FormatFieldsSize + ExtraSizeFieldSize] = {};
  status = ReadExactly(Source, at, fields, FormatFieldsSize);
  if (status != WaveOk) return status;
  // A "fmt " chunk that ends the file has no bytes after its fields: extra size 0.
  status = ReadExactly(Source, at + FormatFieldsSize, fields + FormatFieldsSize, ExtraSizeFieldSize);
  if (status == WaveReadError) return status;
  if (status == WaveTruncated) memset(fields + FormatFieldsSize, 0, ExtraSizeFieldSize);
  Header->FormatTag = Le16(fields + 4);
  Header->Channels = Le16(fields + 6);
  Header->SamplesPerSec = Le32(fields + 8);
  Header->BitsPerSample = Le16(fields + 18);
  Header->ExtraSize = Le16(fields + 20);
  Header->ExtraOffset = at + FormatFieldsSize + ExtraSizeFieldSize;
  // Both are 16 and 32 bits wide in the platform's format record; computed unsigned
  // so that absurd values wrap there instead of overflowing here.
  Header->BlockAlign = static_cast<uint16_t>(static_cast<uint32_t>(Header->BitsPerSample / 8) * Header->Channels);
  Header->AvgBytesPerSec = Header->SamplesPerSec * static_cast<uint32_t>(Header->BlockAlign);

  found = FindInFile(Source, reinterpret_cast<const uint8_t*>("data"), 4, &at);
  if (found == FindReadError) return WaveReadError;
  if (found == FindMissing) return WaveNoData;
  uint8_t size[4];
  status = ReadExactly(Source, at, size, 4);
  if (status != WaveOk) return status;
  Header->DataSize = Le32(size);
  Header->DataOffset = at + 4;
  if (Header->DataOffset > Source.Size || Header->DataSize > Source.Size - Header->DataOffset) return WaveTruncated;
  return WaveOk;
}

const char* WaveStatusMessage(WaveStatus Status) {
  switch (Status) {
    case WaveNotRiff:
      return "Not a RIFF - file";
    case WaveNotWave:
      return "Not a WAVE - file";
    case WaveNoFormat:
      return "Unknown WAVE format";
    case WaveNoData:
      return "No \"data\" chunk found in wave file )";
    case WaveOk:
    case WaveTruncated:
    case WaveReadError:
      break;
  }
  return nullptr;
}

WaveSource MemoryWaveSource(MemoryWave* Memory) {
  WaveSource source;
  source.Context = Memory;
  source.Size = Memory->Size;
  source.ReadAt = ReadMemory;
  return source;
}
