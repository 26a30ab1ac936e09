// A program built as an MSVC user builds one: compiled for the *-pc-windows-msvc target
// (long double of 8 bytes), linked by lld-link against the SDK's .lib import libraries
// alone, without any C runtime. It calls both libraries through them and ends with
// code 0 when every answer is right, otherwise with the number of the first wrong one.
#include "tavrik_engine.h"
#include "tavrik_sound.h"

// The C runtime's marker that the program uses floating point; there is no runtime here.
extern "C" int _fltused = 0;

namespace {

// The frame rate with guard bytes right after its ten.
struct GuardedFps {
  TavrikFps Fps;
  uint8_t Guard[6];
};
static_assert(sizeof(TavrikFps) == 10, "this compiler gets the ten-byte buffer");

bool SameText(const char* A, const char* B) {
  if (!A || !B) return false;
  while (*A && *A == *B) ++A, ++B;
  return *A == *B;
}

bool StartsWith(const char* Text, const char* Prefix) {
  if (!Text) return false;
  while (*Prefix && *Text == *Prefix) ++Text, ++Prefix;
  return !*Prefix;
}

TavrikFps Extended(uint64_t Significand, uint16_t SignExponent) {
  TavrikFps f;
  for (int i = 0; i < 8; ++i) f.Bytes[i] = static_cast<uint8_t>(Significand >> (8 * i));
  f.Bytes[8] = static_cast<uint8_t>(SignExponent);
  f.Bytes[9] = static_cast<uint8_t>(SignExponent >> 8);
  return f;
}

int Run() {
  // The conversion of the ten bytes, on values whose bytes are known.
  const struct {
    uint64_t Significand;
    uint16_t SignExponent;
    double Value;
  } values[] = {
      {0, 0, 0.0},
      {0x8000000000000000ull, 0x3FFF, 1.0},
      {0x8400000000000000ull, 0x4004, 33.0},
      {0x8000000000000000ull, 0xBFFE, -0.5},
      {0xC000000000000000ull, 0x3C00, 3.0 * 0x1p-1024}, // below the normal range of double
  };
  int check = 1;
  for (const auto& v : values) {
    if (TavrikFpsToDouble(Extended(v.Significand, v.SignExponent)) != v.Value) return check;
    ++check;
  }

  // Every written byte lands in the ten; the guard after them stays as it was.
  Sprite* sprite = CreateSprite(nullptr, 16);
  if (!sprite || GetNumSprites() != 1) return 10;
  GuardedFps rate;
  for (uint8_t& b : rate.Fps.Bytes) b = 0xEE;
  for (uint8_t& b : rate.Guard) b = 0x5A;
  int32_t sprites = -1, surfaces = -1;
  int64_t renderAll = -1, renderUser = -1;
  GetSystemData(&rate.Fps, &sprites, &surfaces, nullptr, nullptr, &renderAll, &renderUser);
  for (uint8_t b : rate.Guard)
    if (b != 0x5A) return 11;
  if (TavrikFpsToDouble(rate.Fps) != 0.0) return 12; // no frame has run
  if (sprites != 1 || surfaces != 0 || renderAll != 0 || renderUser != 0) return 13;
  DelSprite(&sprite);
  if (sprite || GetNumSprites() != 0) return 14;

  const char* name = nullptr;
  GetKeyName(&name, 1);
  if (!SameText(name, "ESC")) return 15;
  SetMouseCoord(-5, 10000);
  int32_t x = 0, y = 0;
  GetMouseCoord(&x, &y);
  if (x != -5 || y != 10000) return 16;

  if (!StartsWith(tvrk_GetVerStr(), "TavrikSoundLite")) return 20;
  if (tvrk_GetFileName(nullptr) != nullptr) return 21;
  SoundRecord* none = nullptr;
  if (tvrk_SetVolume(&none, 50) != 0 || tvrk_PlaySound(&none, 1) != 0) return 22;
  return 0;
}

} // namespace

// The entry point: the process ends with its answer.
extern "C" int Start() { return Run(); }
