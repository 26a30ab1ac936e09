// Reading the header of a RIFF/WAVE file: the identifiers, the "fmt " fields and where
// the samples lie. No platform calls: the caller supplies the bytes through ReadAt.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Where the reader takes its bytes from: a file opened by the caller, or memory.
struct WaveSource {
  void* Context; // handed back to ReadAt
  uint64_t Size; // byte size of the whole file
  // Reads up to Count bytes at Offset into Dest; answers the number read, or -1 when
  // the bytes cannot be read.
  int64_t (*ReadAt)(void* Context, uint64_t Offset, void* Dest, uint32_t Count);
};

// Outcome of reading a header. The first four are malformed files; the rest are
// files that end early or cannot be read.
enum WaveStatus : int32_t {
  WaveOk = 0,
  WaveNotRiff,      // the first four bytes are not "RIFF"
  WaveNotWave,      // bytes 8..11 are not "WAVE"
  WaveNoFormat,     // no "fmt " anywhere in the file
  WaveNoData,       // no "data" anywhere in the file
  WaveTruncated,    // the file ends inside the format fields, the data size or the samples
  WaveReadError,    // ReadAt failed
};

// What the reader found. Block align and byte rate are recomputed from the other fields.
struct WaveHeader {
  uint16_t FormatTag;      // passed on unchanged
  uint16_t Channels;       // channel count as read
  uint32_t SamplesPerSec;  // sample rate as read
  uint32_t AvgBytesPerSec; // SamplesPerSec * BlockAlign (the file's value is ignored)
  uint16_t BlockAlign;     // (BitsPerSample / 8) * Channels (the file's value is ignored)
  uint16_t BitsPerSample;  // as read
  uint16_t ExtraSize;      // the two bytes after BitsPerSample, whatever they are
  uint64_t ExtraOffset;    // file offset of the ExtraSize bytes that follow them
  uint32_t DataSize;       // the "data" chunk's declared size
  uint64_t DataOffset;     // file offset of the first sample byte
};

// Longest pattern FindInFile accepts.
constexpr size_t MaxFindPattern = 255;

// Outcome of FindInFile.
enum FindResult : int32_t {
  FindFound = 0,
  FindMissing,   // the pattern does not occur (or is empty or too long)
  FindReadError, // ReadAt failed
};

// Scans from the start of the file for the first occurrence of Pattern (1..255
// bytes), also inside other chunks, reading through a buffer. On FindFound *After
// is the offset just past that occurrence.
FindResult FindInFile(const WaveSource& Source, const uint8_t* Pattern, size_t PatternSize, uint64_t* After);

// Checks the identifiers, finds "fmt " and "data" and fills *Header. A "data" chunk
// declaring more bytes than the file holds answers WaveTruncated.
WaveStatus ParseWaveHeader(const WaveSource& Source, WaveHeader* Header);

// The one-line text reported for a malformed file, or nil for the other statuses.
const char* WaveStatusMessage(WaveStatus Status);

// A WaveSource over a block of memory (Context points at the MemoryWave).
struct MemoryWave {
  const uint8_t* Bytes;
  size_t Size;
};
WaveSource MemoryWaveSource(MemoryWave* Memory);
