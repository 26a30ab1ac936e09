// Measurement aid, not a test: the real game and engine, run in the game folder, timed
// from inside. Prints one line of figures.
//   game_probe pacing [SECONDS]  the game screen as played: frame intervals and the
//                                share of a core the process used (default 20 s)
//   game_probe render [SECONDS]  a busy game frame (a full well, 20 explosions, long
//                                score): the renderer procedure's time and the whole
//                                pass's, flip included, per frame (default 10 s)
#include "game.h"
#include "playfield.h"
#include "screens.h"

#include <x86intrin.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double Seconds(const LARGE_INTEGER& From, const LARGE_INTEGER& To) {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  return static_cast<double>(To.QuadPart - From.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Percentile(std::vector<double> Values, double P) {
  if (Values.empty()) return 0;
  std::sort(Values.begin(), Values.end());
  const size_t i = std::min(Values.size() - 1, static_cast<size_t>(P * static_cast<double>(Values.size())));
  return Values[i];
}

double CpuSeconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return value(kernel) + value(user);
}

double RunSeconds;
bool BusyFrame;
LARGE_INTEGER Start;
std::vector<LARGE_INTEGER> FrameStamps;
std::vector<uint64_t> UserTicks, PassTicks;

// A well full of blocks with no line among them (neighbours in every direction differ).
void FillWell() {
  for (int32_t row = 5; row <= FieldRows; ++row)
    for (int32_t column = 1; column <= FieldColumns; ++column)
      Playfield[column][row].Color = 1 + (column + 2 * row) % BlockColors;
  RedrawField(&FieldSurface);
  Score = 1234567;
  Level = 12;
}

uint8_t WINAPI ProbeFrame() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  FrameStamps.push_back(now);
  if (BusyFrame) {
    for (int32_t i = ExplosionChain.Count; i < 20; ++i) SpawnExplosion(60 + (i % 10) * 20, 180 + (i / 10) * 100);
    FallCounter = 0; // the stick stays up, so the game never ends and the frame stays the same
  }
  const uint8_t quit = GameFrame();
  if (BusyFrame) {
    int64_t all = 0, user = 0;
    GetSystemData(nullptr, nullptr, nullptr, nullptr, nullptr, &all, &user);
    PassTicks.push_back(static_cast<uint64_t>(all));
    UserTicks.push_back(static_cast<uint64_t>(user));
  }
  return quit || Seconds(Start, now) >= RunSeconds;
}

} // namespace

int main(int argc, char** argv) {
  const bool render = argc > 1 && std::strcmp(argv[1], "render") == 0;
  RunSeconds = argc > 2 ? std::atof(argv[2]) : (render ? 10 : 20);
  if (!GameInit()) return std::puts("the game could not start"), 1;
  FrameStamps.reserve(4096);
  SwitchScreen(ScreenGame);
  BusyFrame = render;
  if (render) FillWell();

  // The time-stamp counter's rate, for the engine's pass timings.
  LARGE_INTEGER calibrationStart, calibrationEnd;
  QueryPerformanceCounter(&calibrationStart);
  const uint64_t tscStart = __rdtsc();
  QueryPerformanceCounter(&Start);
  const double cpuStart = CpuSeconds();
  ProcessWindowsMessages(ProbeFrame);
  const double cpu = CpuSeconds() - cpuStart;
  QueryPerformanceCounter(&calibrationEnd);
  const double ticksPerMs = static_cast<double>(__rdtsc() - tscStart) / (Seconds(calibrationStart, calibrationEnd) * 1e3);
  const bool busyFrameLasted = !GameOver && !GameOverlay;
  GameShutdown();
  if (render && !busyFrameLasted) return std::puts("the busy frame did not last"), 1;

  // The first second is left out: the first frame loads the screen's pictures and the
  // frames after it catch up on the time that took.
  size_t first = 0;
  while (first < FrameStamps.size() && Seconds(Start, FrameStamps[first]) < 1.0) ++first;
  std::vector<double> intervals;
  for (size_t i = first + 1; i < FrameStamps.size(); ++i)
    intervals.push_back(Seconds(FrameStamps[i - 1], FrameStamps[i]) * 1e3);
  const double wall = intervals.empty() ? 0 : Seconds(FrameStamps[first], FrameStamps.back());
  if (!render) {
    std::printf("pacing frames=%zu fps=%.3f p50_ms=%.2f p99_ms=%.2f max_ms=%.2f cpu_share=%.3f\n", intervals.size(),
                wall > 0 ? static_cast<double>(intervals.size()) / wall : 0.0, Percentile(intervals, 0.5),
                Percentile(intervals, 0.99), Percentile(intervals, 1.0), cpu / Seconds(Start, calibrationEnd));
    return 0;
  }
  std::vector<double> user, pass;
  for (size_t i = 1; i < UserTicks.size(); ++i) { // the first pass loads the pictures
    user.push_back(static_cast<double>(UserTicks[i]) / ticksPerMs);
    pass.push_back(static_cast<double>(PassTicks[i]) / ticksPerMs);
  }
  std::printf("render frames=%zu user_p50_ms=%.3f user_p99_ms=%.3f pass_p50_ms=%.3f pass_p99_ms=%.3f\n",
              user.size(), Percentile(user, 0.5), Percentile(user, 0.99), Percentile(pass, 0.5),
              Percentile(pass, 0.99));
  return 0;
}
