// Builds wave files in memory for the sound tests: RIFF container, chunks and samples.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

namespace wavetest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

inline void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

inline void PutText(Bytes& b, const char* text) {
  for (; *text; ++text) b.push_back(static_cast<uint8_t>(*text));
}

// The 16 bytes of a PCM "fmt " body with every field given, right or wrong.
inline Bytes FmtBody(uint16_t Tag, uint16_t Channels, uint32_t Rate, uint32_t AvgBytes, uint16_t Align,
                     uint16_t Bits) {
  Bytes b;
  Put16(b, Tag);
  Put16(b, Channels);
  Put32(b, Rate);
  Put32(b, AvgBytes);
  Put16(b, Align);
  Put16(b, Bits);
  return b;
}

// One chunk: id, size field (the body's size unless Declared is given), body.
inline Bytes Chunk(const char* Id, const Bytes& Body, int64_t Declared = -1) {
  Bytes b;
  PutText(b, Id);
  Put32(b, Declared < 0 ? static_cast<uint32_t>(Body.size()) : static_cast<uint32_t>(Declared));
  b.insert(b.end(), Body.begin(), Body.end());
  return b;
}

// "RIFF", size, "WAVE" (or the given identifiers), then the chunks as they are.
inline Bytes Riff(const std::vector<Bytes>& Chunks, const char* RiffId = "RIFF", const char* WaveId = "WAVE") {
  Bytes body;
  PutText(body, WaveId);
  for (const Bytes& c : Chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  PutText(b, RiffId);
  Put32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// Samples of a square wave, loud enough to be heard in any capture: Count frames of
// Channels channels at 8 or 16 bits.
inline Bytes SquareWave(uint32_t Frames, uint16_t Channels, uint16_t Bits, uint32_t Period = 50) {
  Bytes b;
  for (uint32_t i = 0; i < Frames; ++i) {
    const bool high = (i / (Period / 2)) % 2 == 0;
    for (uint16_t c = 0; c < Channels; ++c) {
      if (Bits == 8) {
        b.push_back(high ? 0xE0 : 0x20);
      } else {
        Put16(b, high ? 0x6000 : static_cast<uint16_t>(-0x6000));
      }
    }
  }
  return b;
}

// A LIST chunk of Size bytes of text that contains no chunk identifier.
inline Bytes ListChunk(size_t Size) {
  Bytes body;
  PutText(body, "INFO");
  while (body.size() < Size) body.push_back(static_cast<uint8_t>('a' + body.size() % 3));
  return Chunk("LIST", body);
}

// A well-formed PCM file: "fmt " with the right derived fields, then "data".
inline Bytes PcmWave(uint16_t Channels, uint32_t Rate, uint16_t Bits, const Bytes& Samples) {
  const uint16_t align = static_cast<uint16_t>(Channels * Bits / 8);
  return Riff({Chunk("fmt ", FmtBody(1, Channels, Rate, Rate * align, align, Bits)), Chunk("data", Samples)});
}

} // namespace wavetest
