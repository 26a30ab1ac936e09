// Benchmarks of the platform-free readers, built natively with optimisation and without
// sanitizers; run by hand, never by the tests. Prints one line per figure:
//   decode24 ours_ms=... stb_ms=... ratio=...   800 x 600 24-bit bitmap to 5-6-5
//   decode8 ours_ms=... stb_ms=... ratio=...    800 x 600 8-bit bitmap to 5-6-5
//   wave_list50 ms=... parse_ms=... scanned_mb=... file_mb=...
//   wave_list50_cold ms=... parse_ms=...
// Bitmap times are medians of many decodes from memory (no file I/O), ours against
// stb_image's decode to RGB followed by a plain loop to 5-6-5; both outputs are checked
// to be equal. The wave figures load a 50 MB file whose "data" chunk follows a 40 MB
// "LIST" chunk, through the same ParseWaveHeader the sound library calls, over a file
// source that reads with pread (the library's own source reads with ReadFile, which
// does not build here), then read the samples the way the library reads them into
// its buffer. "cold" drops the file's pages from the cache before each run.
// The same source builds for Windows (decode_bench.exe of each architecture, run under
// Wine, so the 32-bit and 64-bit decoding are compared): there it times the bitmaps
// only, since the wave figures are about the host's page cache.
// Usage: native_bench [bitmap repetitions] [wave runs]
#include "bmp_decode.h"
#include "wave_reader.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP // stb then tests for no other format first: its fastest way to a bitmap
#include <stb/stb_image.h>

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

constexpr int32_t PictureWidth = 800;
constexpr int32_t PictureHeight = 600;

double MillisecondsSince(Clock::time_point Start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - Start).count();
}

double Median(std::vector<double> Values) {
  std::sort(Values.begin(), Values.end());
  return Values[Values.size() / 2];
}

// A fixed pseudo-random sequence, so every run decodes the same files.
struct Noise {
  uint32_t State = 0x9E3779B9u;
  uint32_t Next() {
    State ^= State << 13;
    State ^= State >> 17;
    State ^= State << 5;
    return State;
  }
};

void Put16(Bytes& File, size_t At, uint32_t Value) {
  File[At] = static_cast<uint8_t>(Value);
  File[At + 1] = static_cast<uint8_t>(Value >> 8);
}

void Put32(Bytes& File, size_t At, uint32_t Value) {
  Put16(File, At, Value & 0xFFFF);
  Put16(File, At + 2, Value >> 16);
}

uint8_t Clamp8(int Value) { return static_cast<uint8_t>(Value < 0 ? 0 : Value > 255 ? 255 : Value); }

// An 800 x 600 bottom-up bitmap of gradients with noise: 24-bit colours, or 8-bit
// indices into a palette of 256 varied colours. Row padding is filled with 0xEE.
Bytes MakeBitmap(uint16_t BitCount) {
  Noise noise;
  const size_t stride = (static_cast<size_t>(PictureWidth) * (BitCount / 8) + 3) & ~size_t{3};
  const size_t offBits = 54 + (BitCount == 8 ? 1024 : 0);
  Bytes file(offBits + stride * PictureHeight, 0xEE);
  std::fill(file.begin(), file.begin() + static_cast<ptrdiff_t>(offBits), 0);
  file[0] = 'B';
  file[1] = 'M';
  Put32(file, 2, static_cast<uint32_t>(file.size()));
  Put32(file, 10, static_cast<uint32_t>(offBits));
  Put32(file, 14, 40);
  Put32(file, 18, PictureWidth);
  Put32(file, 22, PictureHeight);
  Put16(file, 26, 1);
  Put16(file, 28, BitCount);
  Put32(file, 34, static_cast<uint32_t>(stride * PictureHeight));
  if (BitCount == 8) {
    Put32(file, 46, 256);
    for (size_t i = 0; i < 256; ++i) {
      file[54 + 4 * i] = static_cast<uint8_t>(255 - i);                   // blue
      file[55 + 4 * i] = static_cast<uint8_t>((i * 7) ^ (noise.Next() & 0x1F)); // green
      file[56 + 4 * i] = static_cast<uint8_t>(i);                         // red
    }
  }
  for (int32_t k = 0; k < PictureHeight; ++k) {
    const int32_t y = PictureHeight - 1 - k;
    uint8_t* row = file.data() + offBits + static_cast<size_t>(k) * stride;
    for (int32_t x = 0; x < PictureWidth; ++x) {
      const int jitter = static_cast<int>(noise.Next() % 33) - 16;
      if (BitCount == 8) {
        row[x] = Clamp8((x + y) * 255 / (PictureWidth + PictureHeight) + jitter);
      } else {
        row[3 * x] = Clamp8(y * 255 / PictureHeight + jitter);                                       // blue
        row[3 * x + 1] = Clamp8(((x * y) >> 9) % 256 + jitter);                                      // green
        row[3 * x + 2] = Clamp8(x * 255 / PictureWidth - jitter);                                    // red
      }
    }
  }
  return file;
}

// stb_image's picture in 5-6-5: its decode to RGB, then one pass over the pixels.
bool DecodeWithStb(const Bytes& File, std::vector<uint16_t>& Out) {
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgb = stbi_load_from_memory(File.data(), static_cast<int>(File.size()), &width, &height, &channels, 3);
  if (!rgb) return false;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  // A new picture each time, as our decoder makes one.
  std::vector<uint16_t> pixels(count);
  const stbi_uc* src = rgb;
  for (size_t i = 0; i < count; ++i, src += 3)
    pixels[i] = static_cast<uint16_t>(((src[0] >> 3) << 11) | ((src[1] >> 2) << 5) | (src[2] >> 3));
  stbi_image_free(rgb);
  Out.swap(pixels);
  return true;
}

// Times both decoders on one file, alternating them so that the machine's load falls on
// both alike, and prints their medians and ratio. Answers false if either fails or
// their pictures differ.
bool BenchDecode(const char* Name, uint16_t BitCount, int Repetitions) {
  const Bytes file = MakeBitmap(BitCount);
  BmpImage ours;
  std::vector<uint16_t> theirs;
  if (DecodeBmp(file.data(), file.size(), ours) != BmpOk || !DecodeWithStb(file, theirs)) {
    fprintf(stderr, "%s: a decoder refused the file\n", Name);
    return false;
  }
  if (ours.Width != PictureWidth || ours.Height != PictureHeight || ours.Pixels != theirs) {
    fprintf(stderr, "%s: the two pictures differ\n", Name);
    return false;
  }
  std::vector<double> oursMs, stbMs;
  for (int i = 0; i < Repetitions; ++i) {
    Clock::time_point start = Clock::now();
    const BmpStatus status = DecodeBmp(file.data(), file.size(), ours);
    oursMs.push_back(MillisecondsSince(start));
    start = Clock::now();
    const bool decoded = DecodeWithStb(file, theirs);
    stbMs.push_back(MillisecondsSince(start));
    if (status != BmpOk || !decoded) {
      fprintf(stderr, "%s: a decoder failed on repetition %d\n", Name, i);
      return false;
    }
  }
  const double a = Median(oursMs), b = Median(stbMs);
  printf("%s ours_ms=%.3f stb_ms=%.3f ratio=%.3f\n", Name, a, b, a / b);
  fflush(stdout);
  return true;
}

#ifndef _WIN32
// A file source over a descriptor, counting the bytes it hands out.
struct FileSource {
  int Descriptor;
  uint64_t BytesRead;
};

int64_t ReadFileAt(void* Context, uint64_t Offset, void* Dest, uint32_t Count) {
  FileSource* file = static_cast<FileSource*>(Context);
  const ssize_t n = pread(file->Descriptor, Dest, Count, static_cast<off_t>(Offset));
  if (n < 0) return -1;
  file->BytesRead += static_cast<uint64_t>(n);
  return n;
}

// "RIFF", "WAVE", a PCM "fmt " chunk, a LIST chunk of ListBytes noise that holds no
// "data", then a "data" chunk of SampleBytes of a square wave.
Bytes MakeWave(size_t ListBytes, size_t SampleBytes) {
  Noise noise;
  Bytes file(12 + 24 + 8 + ListBytes + 8 + SampleBytes);
  auto text = [&](size_t at, const char* id) { memcpy(file.data() + at, id, 4); };
  text(0, "RIFF");
  Put32(file, 4, static_cast<uint32_t>(file.size() - 8));
  text(8, "WAVE");
  text(12, "fmt ");
  Put32(file, 16, 16);
  Put16(file, 20, 1);          // PCM
  Put16(file, 22, 2);          // stereo
  Put32(file, 24, 44100);
  Put32(file, 28, 44100 * 4);
  Put16(file, 32, 4);
  Put16(file, 34, 16);
  text(36, "LIST");
  Put32(file, 40, static_cast<uint32_t>(ListBytes));
  uint8_t* list = file.data() + 44;
  text(44, "INFO");
  for (size_t i = 4; i < ListBytes; ++i) list[i] = static_cast<uint8_t>(noise.Next() >> 24);
  // The scan takes the first "data" anywhere in the file, so none may occur by chance.
  for (size_t i = 0; i + 4 <= ListBytes; ++i)
    if (memcmp(list + i, "data", 4) == 0) list[i] = 'D';
  const size_t dataAt = 44 + ListBytes;
  text(dataAt, "data");
  Put32(file, dataAt + 4, static_cast<uint32_t>(SampleBytes));
  for (size_t i = 0; i < SampleBytes; i += 2) Put16(file, dataAt + 8 + i, (i / 200) % 2 ? 0x6000 : 0xA000);
  return file;
}

struct WaveRun {
  double ParseMs;
  double TotalMs;
  uint64_t ScannedBytes;
};

// One load as the sound library does it: the header through ParseWaveHeader, then the
// samples read whole from DataOffset into a buffer of DataSize bytes.
bool LoadWave(const char* Path, bool Cold, WaveRun& Run) {
  const int fd = open(Path, O_RDONLY);
  if (fd < 0) return false;
  if (Cold) posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  const Clock::time_point start = Clock::now();
  struct stat info;
  bool ok = fstat(fd, &info) == 0;
  FileSource file{fd, 0};
  const WaveSource source{&file, static_cast<uint64_t>(info.st_size), ReadFileAt};
  WaveHeader header;
  ok = ok && ParseWaveHeader(source, &header) == WaveOk;
  Run.ParseMs = MillisecondsSince(start);
  Run.ScannedBytes = file.BytesRead;
  if (ok) {
    std::vector<uint8_t> samples(header.DataSize);
    for (size_t done = 0; ok && done < samples.size();) {
      const ssize_t n = pread(fd, samples.data() + done, samples.size() - done,
                              static_cast<off_t>(header.DataOffset + done));
      ok = n > 0;
      done += ok ? static_cast<size_t>(n) : 0;
    }
  }
  Run.TotalMs = MillisecondsSince(start);
  close(fd);
  return ok;
}

bool BenchWave(int Runs) {
  constexpr size_t ListBytes = 40u << 20;
  constexpr size_t FileBytes = 50u << 20;
  const Bytes wave = MakeWave(ListBytes, FileBytes - 12 - 24 - 8 - ListBytes - 8);
  const char* folder = getenv("TMPDIR");
  std::string path = std::string(folder && *folder ? folder : "/tmp") + "/native_bench_XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd < 0) {
    fprintf(stderr, "wave: cannot create a temporary file\n");
    return false;
  }
  bool ok = write(fd, wave.data(), wave.size()) == static_cast<ssize_t>(wave.size()) && fsync(fd) == 0;
  close(fd);
  for (const bool cold : {false, true}) {
    std::vector<double> parse, total;
    uint64_t scanned = 0;
    for (int i = 0; ok && i < Runs; ++i) {
      WaveRun run;
      ok = LoadWave(path.c_str(), cold, run);
      parse.push_back(run.ParseMs);
      total.push_back(run.TotalMs);
      scanned = run.ScannedBytes;
    }
    if (!ok) break;
    printf("%s ms=%.1f parse_ms=%.1f scanned_mb=%.1f file_mb=%.1f\n", cold ? "wave_list50_cold" : "wave_list50",
           Median(total), Median(parse), scanned / 1048576.0, wave.size() / 1048576.0);
    fflush(stdout);
  }
  unlink(path.c_str());
  if (!ok) fprintf(stderr, "wave: the file could not be written or loaded\n");
  return ok;
}
#endif

} // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? atoi(argv[1]) : 301;
  const int waveRuns = argc > 2 ? atoi(argv[2]) : 5;
  if (repetitions < 1 || waveRuns < 1) {
    fprintf(stderr, "usage: native_bench [bitmap repetitions] [wave runs]\n");
    return 2;
  }
  bool ok = BenchDecode("decode24", 24, repetitions);
  ok = BenchDecode("decode8", 8, repetitions) && ok;
#ifndef _WIN32
  ok = BenchWave(waveRuns) && ok;
#endif
  return ok ? 0 : 1;
}
