// Native tests of the wave reader: well-formed files, the chunk scan, hostile files.
#include "wave_builder.h"
#include "wave_reader.h"

#include <gtest/gtest.h>

using namespace wavetest;

namespace {

// A source that hands out at most Step bytes per read and cannot read at or past FailAt.
struct SlowSource {
  MemoryWave Memory;
  uint32_t Step;
  uint64_t FailAt;
};

int64_t ReadSlowly(void* Context, uint64_t Offset, void* Dest, uint32_t Count) {
  const SlowSource* s = static_cast<const SlowSource*>(Context);
  if (Offset >= s->FailAt) return -1;
  uint64_t limit = Count < s->Step ? Count : s->Step;
  if (limit > s->FailAt - Offset) limit = s->FailAt - Offset;
  WaveSource inner = MemoryWaveSource(const_cast<MemoryWave*>(&s->Memory));
  return inner.ReadAt(inner.Context, Offset, Dest, static_cast<uint32_t>(limit));
}

WaveStatus Parse(const Bytes& File, WaveHeader* Header, uint32_t Step = 1u << 30, uint64_t FailAt = UINT64_MAX) {
  SlowSource slow{{File.data(), File.size()}, Step, FailAt};
  WaveSource source{&slow, File.size(), ReadSlowly};
  return ParseWaveHeader(source, Header);
}

const Bytes Stereo16Fmt = FmtBody(1, 2, 22050, 12345, 7, 16); // wrong byte rate and block align
const Bytes FourFrames = SquareWave(4, 2, 16);

Bytes WithDataAt(size_t Size, size_t At, const char* Pattern) {
  Bytes b(Size, 'x');
  memcpy(b.data() + At, Pattern, strlen(Pattern));
  return b;
}

Bytes Truncate(Bytes File, size_t Size) {
  File.resize(Size);
  return File;
}

} // namespace

TEST(WaveReader, ReadsFormatAndFindsSamples) {
  const Bytes list = ListChunk(3000);
  const Bytes stereo = Riff({Chunk("fmt ", Stereo16Fmt), Chunk("data", FourFrames)});
  const Bytes mono8 = Riff({Chunk("fmt ", FmtBody(1, 1, 11025, 1, 9, 8)), Chunk("data", SquareWave(10, 1, 8))});
  const Bytes listFirst = Riff({Chunk("fmt ", Stereo16Fmt), list, Chunk("data", FourFrames)});
  const Bytes dataFirst = Riff({Chunk("data", FourFrames), Chunk("fmt ", Stereo16Fmt)});
  Bytes fmt18 = Stereo16Fmt;
  Put16(fmt18, 0);
  const Bytes withCbSize = Riff({Chunk("fmt ", fmt18), Chunk("data", FourFrames)});
  // The first "data" anywhere counts, even inside another chunk's text.
  Bytes decoyBody;
  PutText(decoyBody, "INFOdata");
  Put32(decoyBody, 2);
  Put16(decoyBody, 0x1234);
  const Bytes decoy = Riff({Chunk("fmt ", Stereo16Fmt), Chunk("LIST", decoyBody), Chunk("data", FourFrames)});
  const Bytes empty = Riff({Chunk("fmt ", Stereo16Fmt), Chunk("data", {})});

  struct Case {
    const char* Name;
    Bytes File;
    uint16_t Channels, Bits, Align, Extra;
    uint32_t Rate, AvgBytes, DataSize;
    uint64_t DataOffset;
  };
  const Case cases[] = {
      {"16-bit stereo, wrong align and rate", stereo, 2, 16, 4, 0x6164, 22050, 88200, 16, 44},
      {"8-bit mono", mono8, 1, 8, 1, 0x6164, 11025, 11025, 10, 44},
      {"LIST before data", listFirst, 2, 16, 4, 0x494C, 22050, 88200, 16, 44 + list.size()},
      {"data before fmt", dataFirst, 2, 16, 4, 0, 22050, 88200, 16, 20},
      {"fmt with its own cbSize", withCbSize, 2, 16, 4, 0, 22050, 88200, 16, 46},
      {"data inside a LIST", decoy, 2, 16, 4, 0x494C, 22050, 88200, 2, 56},
      {"zero data size", empty, 2, 16, 4, 0x6164, 22050, 88200, 0, 44},
  };
  for (const Case& c : cases) {
    for (const uint32_t step : {1u << 30, 1u}) {
      SCOPED_TRACE(std::string(c.Name) + (step == 1 ? ", one byte per read" : ""));
      WaveHeader h;
      ASSERT_EQ(Parse(c.File, &h, step), WaveOk);
      EXPECT_EQ(h.FormatTag, 1);
      EXPECT_EQ(h.Channels, c.Channels);
      EXPECT_EQ(h.BitsPerSample, c.Bits);
      EXPECT_EQ(h.SamplesPerSec, c.Rate);
      EXPECT_EQ(h.BlockAlign, c.Align);
      EXPECT_EQ(h.AvgBytesPerSec, c.AvgBytes);
      EXPECT_EQ(h.ExtraSize, c.Extra);
      EXPECT_EQ(h.DataSize, c.DataSize);
      EXPECT_EQ(h.DataOffset, c.DataOffset);
    }
  }
}

TEST(WaveReader, RejectsHostileFiles) {
  const Bytes good = Riff({Chunk("fmt ", Stereo16Fmt), Chunk("data", FourFrames)});
  Bytes rifx = good;
  memcpy(rifx.data(), "RIFX", 4);
  Bytes noFmt = Riff({Chunk("data", FourFrames)});
  Bytes noData = Riff({Chunk("fmt ", Stereo16Fmt), Chunk("LIST", FourFrames)});
  struct Case {
    const char* Name;
    Bytes File;
    WaveStatus Expected;
  };
  const Case cases[] = {
      {"empty file", {}, WaveNotRiff},
      {"big-endian RIFX", rifx, WaveNotRiff},
      {"three bytes", Truncate(good, 3), WaveNotRiff},
      {"RIFF without WAVE", Riff({}, "RIFF", "AVI "), WaveNotWave},
      {"ends inside WAVE", Truncate(good, 10), WaveNotWave},
      {"no fmt", noFmt, WaveNoFormat},
      {"no data", noData, WaveNoData},
      {"ends inside the format fields", Truncate(good, 12 + 4 + 10), WaveTruncated},
      {"ends inside the data size", Truncate(good, 36 + 4 + 2), WaveTruncated},
      {"ends inside the samples", Truncate(good, good.size() - 1), WaveTruncated},
      {"declares 4 GB of samples", Riff({Chunk("fmt ", Stereo16Fmt), Chunk("data", FourFrames, 0xFFFFFFFF)}),
       WaveTruncated},
      {"declares one byte too many", Riff({Chunk("fmt ", Stereo16Fmt), Chunk("data", FourFrames, 17)}),
       WaveTruncated},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WaveHeader h;
    EXPECT_EQ(Parse(c.File, &h), c.Expected);
  }
}

TEST(WaveReader, ReadErrorsAreNotMistakenForMissingChunks) {
  const Bytes good = Riff({Chunk("fmt ", Stereo16Fmt), ListChunk(200000), Chunk("data", FourFrames)});
  struct Case {
    const char* Name;
    uint64_t FailAt;
  };
  const Case cases[] = {
      {"at the identifiers", 2}, {"in the fmt scan", 14}, {"in the format fields", 30}, {"in the data scan", 100000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    WaveHeader h;
    EXPECT_EQ(Parse(good, &h, 1u << 30, c.FailAt), WaveReadError);
  }
}

TEST(WaveReader, FindInFileFindsTheFirstOccurrence) {
  constexpr size_t Block = 64 * 1024;
  const std::string long255(255, 'q');
  Bytes with255(3 * Block, 'x');
  memcpy(with255.data() + Block - 100, long255.data(), 255);
  struct Case {
    const char* Name;
    Bytes File;
    std::string Pattern;
    bool Found;
    uint64_t After;
  };
  const Case cases[] = {
      {"at the very start", WithDataAt(100, 0, "data"), "data", true, 4},
      {"at the very end", WithDataAt(100, 96, "data"), "data", true, 100},
      {"straddling two reads", WithDataAt(3 * Block, Block - 2, "data"), "data", true, Block + 2},
      {"just after the first read", WithDataAt(3 * Block, Block, "data"), "data", true, Block + 4},
      {"first of two", WithDataAt(200, 150, "datadata"), "data", true, 154},
      {"after a false start", WithDataAt(50, 10, "aaab"), "aab", true, 14},
      {"255 bytes across a boundary", with255, long255, true, Block + 155},
      {"absent", Bytes(3 * Block, 'x'), "data", false, 0},
      {"cut off at the end", WithDataAt(100, 97, "dat"), "data", false, 0},
      {"file shorter than pattern", Bytes{'d', 'a'}, "data", false, 0},
      {"empty pattern", Bytes(10, 'x'), "", false, 0},
      {"pattern over 255 bytes", Bytes(1000, 'q'), std::string(256, 'q'), false, 0},
  };
  for (const Case& c : cases) {
    for (const uint32_t step : {1u << 30, 7u}) {
      SCOPED_TRACE(std::string(c.Name) + (step == 7 ? ", short reads" : ""));
      SlowSource slow{{c.File.data(), c.File.size()}, step, UINT64_MAX};
      WaveSource source{&slow, c.File.size(), ReadSlowly};
      uint64_t after = 0;
      const FindResult r =
          FindInFile(source, reinterpret_cast<const uint8_t*>(c.Pattern.data()), c.Pattern.size(), &after);
      EXPECT_EQ(r, c.Found ? FindFound : FindMissing);
      if (c.Found) EXPECT_EQ(after, c.After);
    }
  }
}

TEST(WaveReader, ComputesFormatWithoutOverflow) {
  struct Case {
    uint16_t Channels, Bits;
    uint32_t Rate;
    uint16_t Align;
    uint32_t AvgBytes;
  };
  const Case cases[] = {
      {65535, 65535, 0xFFFFFFFF, static_cast<uint16_t>(8191u * 65535u),
       0xFFFFFFFFu * static_cast<uint32_t>(static_cast<uint16_t>(8191u * 65535u))},
      {0, 16, 44100, 0, 0},
      {2, 7, 8000, 0, 0},
      {6, 24, 48000, 18, 864000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Channels << " channels, " << c.Bits << " bits");
    WaveHeader h;
    ASSERT_EQ(Parse(Riff({Chunk("fmt ", FmtBody(1, c.Channels, c.Rate, 0, 0, c.Bits)), Chunk("data", {})}), &h),
              WaveOk);
    EXPECT_EQ(h.BlockAlign, c.Align);
    EXPECT_EQ(h.AvgBytesPerSec, c.AvgBytes);
  }
}

TEST(WaveReader, MalformedFilesHaveTheirOneLineText) {
  const struct {
    WaveStatus Status;
    const char* Text;
  } cases[] = {
      {WaveNotRiff, "Not a RIFF - file"},
      {WaveNotWave, "Not a WAVE - file"},
      {WaveNoFormat, "Unknown WAVE format"},
      {WaveNoData, "No \"data\" chunk found in wave file )"},
      {WaveOk, nullptr},
      {WaveTruncated, nullptr},
      {WaveReadError, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Status);
    const char* text = WaveStatusMessage(c.Status);
    if (c.Text) {
      ASSERT_NE(text, nullptr);
      EXPECT_STREQ(text, c.Text);
    } else {
      EXPECT_EQ(text, nullptr);
    }
  }
  EXPECT_EQ(strlen(WaveStatusMessage(WaveNoData)), 36u);
}
