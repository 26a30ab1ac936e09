// The lines of the statistics overlay: the summary with whole frames per second,
// the labelled timings as signed numbers, and frame rates that do not convert.
#include "stats_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

std::string Line(int line, const StatsFigures& figures) {
  char out[StatsLineCapacity];
  const size_t length = FormatStatsLine(line, figures, out);
  EXPECT_EQ(length, std::char_traits<char>::length(out)) << "length answered for line " << line;
  return std::string(out, length);
}

StatsFigures Figures() {
  StatsFigures f{};
  f.Fps = 33.9L;
  f.Sprites = 57;
  f.Surfaces = 41;
  for (int i = 1; i <= 10; ++i) f.Timings[i] = 1000u * i + 7;
  f.Timings[7] = f.Timings[8] = f.Timings[9] = 0;
  return f;
}

TEST(StatsText, EveryLineOfTheOverlay) {
  const std::string total = "\xCE\xC1\xD9"; // "total", abbreviated, in code page 1251
  const StatsFigures f = Figures();
  const std::string expected[StatsLineCount] = {
      "FPS: 33 Spr: 57 Surf: 41",
      total + "     :1007",
      "WinMes  :2007",
      "RendAll :3007",
      "RendUsr :4007",
      "Flip    :5007",
      "ShowFPS :6007",
      "0",
      "0",
      "0",
      "10007",
  };
  for (int line = 0; line < StatsLineCount; ++line) EXPECT_EQ(Line(line, f), expected[line]) << line;
  EXPECT_EQ(Line(-1, f), "");
  EXPECT_EQ(Line(StatsLineCount, f), "");

  // The widest figures fit; timings show as signed, so a counter that stepped back reads negative.
  StatsFigures wide{};
  wide.Fps = -1e30L;
  wide.Sprites = wide.Surfaces = INT32_MIN;
  wide.Timings[1] = UINT64_MAX;
  wide.Timings[10] = 1ull << 63;
  EXPECT_EQ(Line(0, wide), "FPS: -9223372036854775808 Spr: -2147483648 Surf: -2147483648");
  EXPECT_EQ(Line(1, wide), total + "     :-1");
  EXPECT_EQ(Line(10, wide), "-9223372036854775808");
}

TEST(StatsText, FramesPerSecondAreTruncatedTowardZero) {
  const long double inf = std::numeric_limits<long double>::infinity();
  struct {
    long double fps;
    int64_t shown;
  } const cases[] = {
      {33.9L, 33},
      {33.0L, 33},
      {0.999L, 0},
      {0.0L, 0},
      {-0.5L, 0},
      {-2.7L, -2},
      {1e30L, INT64_MAX},
      {-1e30L, INT64_MIN},
      {inf, INT64_MAX},
      {std::nanl(""), 0},
  };
  for (const auto& c : cases) EXPECT_EQ(WholeFps(c.fps), c.shown) << static_cast<double>(c.fps);
}

} // namespace
