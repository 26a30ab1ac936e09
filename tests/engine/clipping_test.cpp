// Clipping of unscaled and stretched sprite draws at the four edges.
#include "clipping.h"

#include <gtest/gtest.h>

#include <climits>

static bool operator==(const ClipRect& a, const ClipRect& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}

static std::ostream& operator<<(std::ostream& os, const ClipRect& r) {
  return os << "(" << r.Left << "," << r.Top << "," << r.Right << "," << r.Bottom << ")";
}

namespace {

TEST(SpriteOnTarget, EdgesAreExclusiveOnTheFarSide) {
  struct {
    int32_t x, y, w, h;
    bool visible;
  } const cases[] = {
      {-32, 0, 32, 32, false}, {-31, 0, 32, 32, true},  {799, 0, 32, 32, true},    {800, 0, 32, 32, false},
      {0, -32, 32, 32, false}, {0, 599, 32, 32, true},  {0, 600, 32, 32, false},
      {INT32_MAX - 5, 0, 100, 32, false}, {INT32_MIN, 0, INT32_MAX, 32, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SpriteOnTarget(c.x, c.y, c.w, c.h, 800, 600), c.visible) << c.x << "," << c.y;
}

TEST(ClipUnscaled, CutsTheSourceWhereTheSpriteLeavesTheTarget) {
  struct {
    const char* name;
    int32_t px, py;
    ClipRect src, wantSrc;
    int32_t wantX, wantY;
  } const cases[] = {
      {"inside", 100, 50, {0, 0, 32, 32}, {0, 0, 32, 32}, 100, 50},
      {"left", -10, 50, {0, 0, 32, 32}, {10, 0, 32, 32}, 0, 50},
      {"right", 790, 50, {64, 0, 96, 32}, {64, 0, 74, 32}, 790, 50},
      {"top", 100, -5, {0, 32, 32, 64}, {0, 37, 32, 64}, 100, 0},
      {"bottom", 100, 590, {0, 0, 32, 32}, {0, 0, 32, 10}, 100, 590},
      {"corner", -3, 595, {0, 0, 32, 32}, {3, 0, 32, 5}, 0, 595},
  };
  for (const auto& c : cases) {
    ClipRect src = c.src;
    int32_t x0 = -1, y0 = -1;
    ClipUnscaled(c.px, c.py, 800, 600, src, x0, y0);
    EXPECT_EQ(src, c.wantSrc) << c.name;
    EXPECT_EQ(x0, c.wantX) << c.name;
    EXPECT_EQ(y0, c.wantY) << c.name;
  }
}

TEST(ClipStretched, CutsSourceAndDestinationEachInItsOwnPixels) {
  struct {
    const char* name;
    int32_t px, py, w, h;
    ClipRect src, wantSrc, wantDst;
  } const cases[] = {
      {"inside, twice as wide", 50, 10, 64, 32, {0, 0, 32, 32}, {0, 0, 32, 32}, {50, 10, 114, 42}},
      {"left edge", -10, 10, 64, 32, {0, 0, 32, 32}, {10, 0, 32, 32}, {0, 10, 54, 42}},
      {"right edge", 780, 10, 64, 32, {0, 0, 32, 32}, {0, 0, 20, 32}, {780, 10, 800, 42}},
      {"top edge", 50, -8, 32, 32, {0, 0, 32, 32}, {0, 8, 32, 32}, {50, 0, 82, 24}},
      {"bottom edge", 50, 590, 32, 32, {0, 0, 32, 32}, {0, 0, 32, 10}, {50, 590, 82, 600}},
  };
  for (const auto& c : cases) {
    ClipRect src = c.src, dst{};
    ClipStretched(c.px, c.py, c.w, c.h, 800, 600, src, dst);
    EXPECT_EQ(src, c.wantSrc) << c.name;
    EXPECT_EQ(dst, c.wantDst) << c.name;
  }
}

} // namespace
