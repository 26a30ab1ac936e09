// The lines of the statistics overlay: the summary and one labelled timing per slot.
#include "stats_text.h"

#include <cinttypes>
#include <cstdio>

namespace {

// Labels of the timing slots, in code page 1251; slot 1 reads "total" in Russian.
constexpr const char* SlotLabels1251[11] = {
    "",
    "\xCE\xC1\xD9     :",
    "WinMes  :",
    "RendAll :",
    "RendUsr :",
    "Flip    :",
    "ShowFPS :",
    "", "", "", "",
};

} // namespace

int64_t WholeFps(long double Fps) {
  if (!(Fps == Fps)) return 0; // not a number
  // 2^63 is exact as a long double; anything at or beyond it would not convert.
  constexpr long double Limit = 9223372036854775808.0L;
  if (Fps >= Limit) return INT64_MAX;
  if (Fps <= -Limit) return INT64_MIN;
  return static_cast<int64_t>(Fps); // truncates toward zero
}

size_t FormatStatsLine(int Line, const StatsFigures& Figures, char (&Out)[StatsLineCapacity]) {
  int length = 0;
  if (Line == 0) {
    length = std::snprintf(Out, sizeof Out, "FPS: %" PRId64 " Spr: %" PRId32 " Surf: %" PRId32, WholeFps(Figures.Fps),
                           Figures.Sprites, Figures.Surfaces);
  } else if (Line >= 1 && Line < StatsLineCount) {
    // Shown as signed: a counter that stepped back between two reads shows negative.
    length = std::snprintf(Out, sizeof Out, "%s%" PRId64, SlotLabels1251[Line],
                           static_cast<int64_t>(Figures.Timings[Line]));
  } else {
    Out[0] = '\0';
  }
  if (length <= 0) return 0;
  return static_cast<size_t>(length) < sizeof Out ? static_cast<size_t>(length) : sizeof Out - 1;
}
