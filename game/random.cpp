// The one random generator behind every random choice of the game.
#include <cstdint>
#include <random>

namespace {
std::mt19937 Generator;
}

void SeedRandom(uint32_t Seed) { Generator.seed(Seed); }

int32_t Random(int32_t N) {
  if (N <= 0) return 0;
  return std::uniform_int_distribution<int32_t>(0, N - 1)(Generator);
}
