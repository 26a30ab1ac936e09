// The lines of the statistics overlay as text, free of platform calls.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr int StatsLineCount = 11;         // the summary line and one line per timing slot 1..10
constexpr int StatsLineSpacing = 12;       // pixels from one line's top to the next
constexpr size_t StatsLineCapacity = 80;   // bytes, enough for the longest line and its NUL

// The figures one overlay shows.
struct StatsFigures {
  long double Fps;          // measured frames per second
  int32_t Sprites;          // live sprites
  int32_t Surfaces;         // live surface records
  uint64_t Timings[11];     // time-stamp ticks of slots 1..10; slot 0 unused
};

// Frames per second as the overlay shows them: truncated toward zero; not-a-number
// and values beyond the 64-bit range are held at 0 and at the range's ends.
int64_t WholeFps(long double Fps);

// Writes overlay line Line (0 summary, 1..10 timing slots) into Out as NUL-terminated
// code page 1251 text and answers its length. A line outside 0..10 is empty.
size_t FormatStatsLine(int Line, const StatsFigures& Figures, char (&Out)[StatsLineCapacity]);
